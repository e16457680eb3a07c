// Settings and status commands against the simulated camera of each model: the value that reaches
// the camera and lands in its settings block, the edit bracket around it, the follow-ups, the
// blocks and snapshots as the client receives them, and what faults and short arguments do.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <tuple>

#include "CameraFactory.h"
#include "klCameraInfo.h"
#include "klErrno.h"
#include "klcontrol_settings_status_text.h"
#include "sim_camera.h"
#include "test_command_bytes.h"
#include "test_server_fixture.h"

namespace {

using Bytes = std::vector<uint8_t>;

class SettingsStatusTest : public ServerTest, public ::testing::WithParamInterface<int> {
 protected:
  // The daemon learns the model at start-up, so the camera becomes that model first.
  SettingsStatusTest() { cameraSetup = {"model " + std::to_string(GetParam()), "drift off"}; }
  int32_t setSetting(uint32_t setting, uint32_t option) {
    control("reset-counts");
    const Bytes arg = words({setting, option});
    return requester->call(KLCONTROL_SET_SETTING_ID, &arg);
  }
  // A block of the simulated camera, read in 16-bit pieces through the control interface.
  Bytes block(const char* name, size_t size) {
    Bytes bytes;
    for (size_t offset = 0; offset < size; offset += 2) {
      const std::string reply = control("get " + std::string(name) + "@" + std::to_string(offset) + ":2");
      const long value = std::stol(reply.substr(3));
      bytes.push_back(uint8_t(value));
      bytes.push_back(uint8_t(value >> 8));
    }
    return bytes;
  }
  bool isModel(int model) const { return GetParam() == model; }
};

// Every setting the model's table lists holds one of its options in the simulator's factory state.
TEST_P(SettingsStatusTest, FactorySettingsAreTableOptionsAndBlocksMatchTheCamera) {
  const SimCamera factory{uint8_t(GetParam())};
  CameraFactory models;
  const InfoHandler* info = models.setupCamera(unsigned(GetParam()))->getInfoHandler();
  unsigned rows = 0;
  const camera_settings_id_row* table = camera_settings_id_table(unsigned(GetParam()), &rows);
  ASSERT_NE(table, nullptr);
  for (unsigned id = 0; id < rows; ++id) {
    if (table[id].width == 0) continue;
    int64_t value = 0;
    ASSERT_TRUE(factory.read(SimBlock::SETTINGS, table[id].offset, table[id].width,
                             (table[id].flags & CAMERA_SETTING_SIGNED) != 0, value));
    EXPECT_NE(info->settingValueToOption(int(id), int(value)), CAMERA_NO_OPTION)
        << "setting " << id << " value " << value;
  }
  // The raw blocks and both snapshots match the camera.
  const Bytes status = block("status", sizeof(appc_system_all_status));
  const Bytes settings = block("settings", sizeof(appc_setup_all_settings));
  EXPECT_EQ(requester->ask(KLCONTROL_GET_ALL_STATUS).payload, status);
  EXPECT_EQ(requester->ask(KLCONTROL_GET_ALL_SETTINGS).payload, settings);
  const TestAnswer snapshot = requester->ask(KLCONTROL_GET_ALL_SETTINGS_STATUS);
  ASSERT_EQ(snapshot.status, KL_OK);
  ASSERT_EQ(snapshot.payload.size(), sizeof(all_status_settings_t));
  EXPECT_EQ(Bytes(snapshot.payload.begin() + 384, snapshot.payload.begin() + 622), settings);
  EXPECT_EQ(Bytes(snapshot.payload.begin() + 34, snapshot.payload.begin() + 215),
            Bytes(status.begin() + 34, status.begin() + 215));
  EXPECT_EQ(snapshot.payload[0], settings[25]);  // the flat mode replaces the mode
  const TestAnswer ids = requester->ask(KLCONTROL_GET_ALL_SETTINGS_STATUS_IDS);
  ASSERT_EQ(ids.status, KL_OK);
  ASSERT_FALSE(ids.payload.empty());
  EXPECT_EQ(ids.payload.back(), 0);
  const nlohmann::json document = nlohmann::json::parse(ids.payload.begin(), ids.payload.end() - 1);
  EXPECT_EQ(document["status"]["43"], 12);   // current flat mode
  EXPECT_EQ(document["status"]["70"], 100);  // battery percent
  EXPECT_EQ(document["settings"]["144"], 12);
  EXPECT_EQ(document["settings"]["3"], isModel(57) ? 13 : 0);  // frame rate as an option id
  forgetLog();
  EXPECT_EQ(requester->call(KLCONTROL_GET_SETTING_ID), KL_OK);
  EXPECT_TRUE(loggedLine(UTIL_LOG_DEBUG, "KLCONTROL_GET_SETTING_ID: (NOT IMPLEMENTED)"));
}

// The calibration file name: the camera's path after the prefix, the prefix alone on failure.
TEST_P(SettingsStatusTest, CalibrationFileNameIsTheCameraPathOrThePrefixAlone) {
  TestAnswer answer = requester->ask(KLCONTROL_CAL_FILE_NAME_GET);
  EXPECT_EQ(answer.status, KL_OK);
  ASSERT_EQ(answer.payload.size(), KLCONTROL_CAL_FILE_NAME_SIZE);
  const std::string expected = "/tmp/fuse_a/cal/lens" + std::to_string(GetParam()) + ".bin";
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(answer.payload.data())), expected);
  control("fault 8/35 error -17");
  answer = requester->ask(KLCONTROL_CAL_FILE_NAME_GET);
  EXPECT_EQ(answer.status, KL_ERR_ACCESS_DENIED);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(answer.payload.data())), "/tmp/fuse_a/");
}

// Wrong sizes: the raw block as received, the snapshot's parts never overrun.
TEST_P(SettingsStatusTest, BlocksOfWrongSizeAreNeverOverrun) {
  struct BlockFault {
    const char* fault;
    uint32_t command;
    int32_t status;
    size_t size;
    const char* line = nullptr;  // logged at debug level
  };
  const BlockFault blockFaults[] = {
      {"fault 8/11 nakoff", KLCONTROL_GET_ALL_STATUS, KL_ERR_NAK_OFF, 0,
       "Camera status returning KL_ERR_NACK_OFF\n"},
      {"fault 7/30 nakoff", KLCONTROL_GET_ALL_SETTINGS, KL_ERR_NAK_OFF, 0,
       "Camera status returning KL_ERR_NAK_OFF\n"},
      {"fault 7/30 nakoff", KLCONTROL_GET_ALL_SETTINGS_STATUS, KL_ERR_NAK_OFF, 0},
      {"fault 7/30 error -17", KLCONTROL_GET_ALL_SETTINGS, KL_ERR_ACCESS_DENIED, 0},
      {"fault 8/11 error -17", KLCONTROL_GET_ALL_SETTINGS_STATUS_IDS, KL_ERR_ACCESS_DENIED, 0},
      {"fault 8/11 size 400", KLCONTROL_GET_ALL_STATUS, KL_OK, 400},
      {"fault 8/34 size 3", KLCONTROL_GET_EXTENDED_STATUS, KL_OK, 3},
      {"fault 7/30 size 300", KLCONTROL_GET_ALL_SETTINGS_STATUS, KL_OK, sizeof(all_status_settings_t)},
  };
  TestAnswer answer;
  for (const BlockFault& c : blockFaults) {
    control(c.fault);
    forgetLog();
    answer = requester->ask(c.command);
    EXPECT_EQ(answer.status, c.status) << c.fault;
    EXPECT_EQ(answer.payload.size(), c.size) << c.fault;
    if (c.line != nullptr) {
      EXPECT_TRUE(loggedLine(UTIL_LOG_DEBUG, c.line)) << c.fault;
    }
  }
  EXPECT_EQ(answer.payload[384 + 25], uint8_t(12));  // the flat mode, from the short settings block
}

// Set-setting writes the camera value inside the edit bracket.
TEST_P(SettingsStatusTest, SetSettingWritesTheCameraValueInsideTheEditBracket) {
  struct Case {
    int model;  // 0: every model
    uint32_t setting, option;
    int32_t status;
    std::string written;  // payload of the set-value request; empty: none sent
    const char* place;    // settings block place read back
    const char* stored;
    long editStarts, editEnds;
  };
  const Case cases[] = {
      {0, 3, 5, KL_OK, hexOf(words({3, 44, 1, 0, 5})), "settings@44:1", "ok 5", 1, 1},
      {0, 5, 3, KL_OK, "", "settings@45:2", "ok 5", 1, 1},
      {0, 32, 3601, KL_OK, hexOf(words({32, 124, 2, 0, 0})), "settings@124:2", "ok 0", 1, 1},
      {0, 86, 2, KL_OK, "", "settings@164:1", "ok 40", 0, 0},  // edit-free
      // The old zoom id has no options of its own; the edit it opened ends as 91, which is edit-free.
      {0, 55, 40, KL_ERR_INVALID_PARAM, "", "settings@55:1", "ok 0", 1, 0},
      {0, 86, 9, KL_ERR_INVALID_PARAM, "", "settings@164:1", "ok 40", 0, 0},  // no such option: unchanged
      {0, 200, 0, KL_ERR_INVALID_PARAM, "", "settings@0:1", "ok 0", 1, 1},    // beyond the table
      {57, 2, 28, KL_OK, "", "settings@42:1", "ok 13", 1, 1},                 // 17 is written as 13
      {55, 149, 1, KL_OK, "", "settings@172:1", "ok 1", 1, 1},
      {51, 149, 1, KL_ERR_INVALID_PARAM, "", "settings@172:1", "ok 0", 1, 1},  // beyond model 51's table
  };
  forgetLog();
  for (const Case& c : cases) {
    if (c.model != 0 && !isModel(c.model)) continue;
    EXPECT_EQ(setSetting(c.setting, c.option), c.status) << c.setting;
    if (!c.written.empty()) {
      EXPECT_EQ(payload("0x106/4"), c.written) << c.setting;
    }
    EXPECT_EQ(control(std::string("get ") + c.place), c.stored) << c.setting;
    EXPECT_EQ(requestCount("17/8"), c.editStarts) << c.setting;
    EXPECT_EQ(requestCount("17/10"), c.editEnds) << c.setting;
  }
  EXPECT_TRUE(loggedLine(UTIL_LOG_DEBUG, "KLCONTROL_SET_SETTING_ID: setting:3, option_id:5 value:5"));
}

// A refused or failed step fails set-setting; the model is asked before the argument is looked at.
TEST_P(SettingsStatusTest, SetSettingFailsWithItsStepsAndAsksTheModelFirst) {
  // 144: the factory presets are active, their flat mode is fixed. 86 is edit-free: the status block is
  // read only as the write's context.
  struct Fault {
    const char* fault;
    uint32_t setting, option;
    int32_t status;
    long writes;
    const char* line;
  };
  const Fault faults[] = {
      {"fault clear", 144, 13, KL_ERR, 0, "Cant set flat mode for factory preset"},
      {"fault 17/8 error -17", 3, 5, KL_ERR, 0, "Failed to start preset edit!"},
      {"fault 7/30 error -17", 3, 5, KL_OK, 1, "klc_send_remote_api_for_response error, -17\n"},
      {"fault 8/11 size 383", 86, 1, KL_ERR, 0, "REMOTE_SYSTEM_ALL_STATUS_GET wrong size = 383"},
      {"fault 7/30 size 237", 86, 1, KL_ERR, 0, "REMOTE_SYSTEM_ALL_SETTINGS_GET wrong size = 237"},
  };
  for (const Fault& c : faults) {
    ASSERT_EQ(control(c.fault), "ok");
    forgetLog();
    EXPECT_EQ(setSetting(c.setting, c.option), c.status) << c.fault;
    EXPECT_EQ(requestCount("0x106/4"), c.writes) << c.fault;
    EXPECT_TRUE(loggedLine(UTIL_LOG_ERROR, c.line)) << c.line;
  }
  EXPECT_EQ(control("get settings@164:1"), "ok 100");
  // A short argument gets the model query's error.
  _reset_model_number_cache();
  control("fault 0x100/1 error -17");
  forgetLog();
  const Bytes shortArg = {3, 0, 0, 0};
  EXPECT_EQ(requester->call(KLCONTROL_SET_SETTING_ID, &shortArg), -17);
  EXPECT_TRUE(loggedLine(UTIL_LOG_ERROR, "Couldn't get model_number - not able to set setting ID"));
}

// Follow-ups keep dependent settings consistent: a fast frame rate makes the manual shutter invalid.
TEST_P(SettingsStatusTest, SetSettingFollowUpsKeepDependentSettingsConsistent) {
  // A video ISO maximum below the minimum drags the minimum down. Orientation lock option 1 (the value 255)
  // locks as the camera is held now. Look-back exit and suppressed audio options are edit-free.
  struct FollowUp {
    int model;  // 0: every model; negative: every model but -model
    uint32_t setting, option;
    std::vector<std::pair<const char*, const char*>> checks;  // control line, its reply after "ok "
    const char* prep = nullptr;                               // control line before the command
  };
  const FollowUp followUps[] = {
      {0, 3, 10, {{"get settings@50:1", "0"}, {"count 0x106/4", "2"}}, "set settings@50:1 3"},
      {0, 13, 3, {{"get settings@49:1", "8"}, {"count 0x102/5", "1"}}, "set settings@49:1 7"},
      {0, 13, 4, {{"count 0x102/5", "0"}}},  // ISO 1600 above the minimum: left alone
      {0, 105, 1, {{"payload 0x101/5", "03000000"}}},
      {51, 131, 7, {{"payload 0x106/3", "0700000000000000"}}},
      {-51, 131, 7, {{"payload 0x106/3", "0700000002000000"}}},
      {0, 112, 1, {{"payload 0x106/2", "04"}, {"count 17/8", "0"}}, "set status.orientation 2"},
      {0, 112, 1, {{"payload 0x106/2", "02"}}, "set status.orientation 1"},
      {0, 112, 2, {{"payload 0x106/2", "05"}}, "set status.orientation 0"},
      {0, 112, 1, {{"payload 0x106/2", "01"}}, "set status.orientation 2"},
      {0, 112, 1, {{"payload 0x106/2", "02"}}, "set status.orientation 3"},
      {-51,
       167,
       4,
       {{"count 2/90", "1"}, {"count 17/8", "0"}, {"count 0x106/4", "0"}, {"get settings@175:1", "4"}}},
      {-51, 149, 2, {{"count 0x107/1", "0"}, {"get settings@172:1", "2"}}, "set status.audio_input_state 3"},
  };
  for (const FollowUp& c : followUps) {
    if (c.model > 0 ? !isModel(c.model) : isModel(-c.model)) continue;
    if (c.prep != nullptr) {
      ASSERT_EQ(control(c.prep), "ok");
    }
    EXPECT_EQ(setSetting(c.setting, c.option), KL_OK) << c.setting;
    for (const auto& [line, reply] : c.checks) EXPECT_EQ(control(line), "ok " + std::string(reply)) << line;
  }
}

INSTANTIATE_TEST_SUITE_P(Models, SettingsStatusTest, ::testing::Values(51, 55, 57));

TEST(SettingsStatusText, CalibrationNameFromTheCameraPathAndJsonTextWithRoomForItsZero) {
  const std::tuple<std::string, uint16_t, std::string> cases[] = {
      {std::string("X:\\cal\0tail", 11), 11, "/tmp/fuse_a/cal"},
      {"X:", 2, "/tmp/fuse_a/"},
      {std::string(245, 'a'), 245, "/tmp/fuse_a/"},
      {"X:\\" + std::string(241, 'p'), 244, "/tmp/fuse_a/" + std::string(241, 'p')},
  };
  for (const auto& [reply, length, expected] : cases) {
    char name[KLCONTROL_CAL_FILE_NAME_SIZE];
    klcontrol_cal_file_name(reinterpret_cast<const uint8_t*>(reply.data()), length, name);
    EXPECT_EQ(name, expected) << reply;
  }
  // JSON text must leave room for its zero.
  char buffer[KLCONTROL_JSON_TEXT_SIZE];
  EXPECT_TRUE(klcontrol_format_json_text(std::string(4095, 'x'), buffer));
  EXPECT_EQ(std::string(buffer).size(), 4095u);
  EXPECT_FALSE(klcontrol_format_json_text(std::string(4096, 'x'), buffer));
  EXPECT_EQ(buffer[4095], '\0');
}

}  // namespace
