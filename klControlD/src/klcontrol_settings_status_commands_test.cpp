// Settings and status commands against the simulated camera of each model: the value that reaches
// the camera and lands in its settings block, the edit bracket around it, the follow-ups, the
// blocks and snapshots as the client receives them, and what faults and short arguments do.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

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

TEST_P(SettingsStatusTest, SetSettingWritesTheCameraValueInsideTheEditBracket) {
  struct Case {
    int model;  // 0: every model
    uint32_t setting;
    uint32_t option;
    int32_t status;
    std::string written;  // payload of the set-value request; empty: none sent
    const char* place;    // settings block place read back
    const char* stored;
    long editStarts;
    long editEnds;
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
  EXPECT_TRUE(logged("KLCONTROL_SET_SETTING_ID: setting:3, option_id:5 value:5"));
}

TEST_P(SettingsStatusTest, RefusalsBeforeTheEditSendNothingToBeWritten) {
  // The factory presets are active: their flat mode is fixed.
  EXPECT_EQ(setSetting(144, 13), KL_ERR);
  EXPECT_TRUE(logged("Cant set flat mode for factory preset"));
  control("fault 17/8 error -17");
  EXPECT_EQ(setSetting(3, 5), KL_ERR);
  EXPECT_TRUE(logged("Failed to start preset edit!"));
  EXPECT_EQ(requestCount("0x106/4"), 0);
}

// The set-setting handler asks for the model before it looks at its argument: with the model
// unreadable a request without a usable argument gets the model query's error, not a refusal.
TEST_P(SettingsStatusTest, ModelCheckComesBeforeTheArgumentCheck) {
  const Bytes shortArg = {3, 0, 0, 0};
  const Bytes* args[] = {nullptr, &shortArg};
  for (const Bytes* arg : args) {
    _reset_model_number_cache();
    control("fault 0x100/1 error -17");
    EXPECT_EQ(requester->call(KLCONTROL_SET_SETTING_ID, arg), -17);
    EXPECT_TRUE(logged("Couldn't get model_number - not able to set setting ID"));
    // Once the model is known again, the argument is what is refused.
    EXPECT_EQ(requester->call(KLCONTROL_SET_SETTING_ID, arg), KL_ERR_INVALID_PARAM);
  }
}

TEST_P(SettingsStatusTest, ContextReadsThatFailGoOnAndWrongSizesRefuse) {
  control("fault 7/30 error -17");
  EXPECT_EQ(setSetting(3, 5), KL_OK);
  EXPECT_TRUE(logged("klc_send_remote_api_for_response error, -17"));
  // An edit-free setting: the status block is read only as the write's context.
  control("fault 8/11 size 383");
  EXPECT_EQ(setSetting(86, 1), KL_ERR);
  EXPECT_TRUE(logged("REMOTE_SYSTEM_ALL_STATUS_GET wrong size = 383"));
  control("fault 7/30 size 237");
  EXPECT_EQ(setSetting(86, 1), KL_ERR);
  EXPECT_TRUE(logged("REMOTE_SYSTEM_ALL_SETTINGS_GET wrong size = 237"));
  EXPECT_EQ(requestCount("0x106/4"), 0);
  EXPECT_EQ(control("get settings@164:1"), "ok 100");
}

TEST_P(SettingsStatusTest, FollowUpsKeepDependentSettingsConsistent) {
  // A fast frame rate makes the manual shutter invalid: it falls back to automatic.
  ASSERT_EQ(control("set settings@50:1 3"), "ok");
  EXPECT_EQ(setSetting(3, 10), KL_OK);
  EXPECT_EQ(control("get settings@50:1"), "ok 0");
  EXPECT_EQ(requestCount("0x106/4"), 2);
  // A video ISO maximum of 100 below the minimum of 200 drags the minimum down.
  ASSERT_EQ(control("set settings@49:1 7"), "ok");
  EXPECT_EQ(setSetting(13, 3), KL_OK);
  EXPECT_EQ(control("get settings@49:1"), "ok 8");
  EXPECT_EQ(requestCount("0x102/5"), 1);
  EXPECT_EQ(setSetting(13, 4), KL_OK);  // ISO 1600 above the minimum: left alone
  EXPECT_EQ(requestCount("0x102/5"), 0);
  EXPECT_EQ(setSetting(105, 1), KL_OK);
  EXPECT_EQ(control("payload 0x101/5"), "ok 03000000");
  EXPECT_EQ(setSetting(131, 7), KL_OK);
  EXPECT_EQ(control("payload 0x106/3"), isModel(51) ? "ok 0700000000000000" : "ok 0700000002000000");
}

TEST_P(SettingsStatusTest, OrientationLockFollowsTheCameraAndTheRememberedSetting) {
  struct Case {
    uint32_t option;  // 1 is the value 255: lock as the camera is held now
    int orientation;
    const char* locked;
  };
  const Case cases[] = {{1, 2, "ok 04"}, {1, 1, "ok 02"}, {2, 0, "ok 05"}, {1, 2, "ok 01"}, {1, 3, "ok 02"}};
  for (const Case& c : cases) {
    ASSERT_EQ(control("set status.orientation " + std::to_string(c.orientation)), "ok");
    setSetting(112, c.option);
    EXPECT_EQ(control("payload 0x106/2"), c.locked) << c.option << " " << c.orientation;
  }
  EXPECT_EQ(requestCount("17/8"), 0);  // orientation lock is edit-free
}

TEST_P(SettingsStatusTest, LookbackExitOutsideMenusAndSuppressedAudioOptions) {
  if (isModel(51)) GTEST_SKIP() << "no look-back or audio options";
  EXPECT_EQ(setSetting(167, 4), KL_OK);
  EXPECT_EQ(requestCount("2/90"), 1);
  EXPECT_EQ(requestCount("17/8"), 0);
  EXPECT_EQ(requestCount("0x106/4"), 0);
  EXPECT_EQ(control("get settings@175:1"), "ok 4");
  ASSERT_EQ(control("set status.audio_input_state 3"), "ok");
  EXPECT_EQ(setSetting(149, 2), KL_OK);
  EXPECT_EQ(requestCount("0x107/1"), 0);
  EXPECT_EQ(control("get settings@172:1"), "ok 2");
}

TEST_P(SettingsStatusTest, RawBlocksAndTheSnapshotMatchTheCameraBytes) {
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
}

TEST_P(SettingsStatusTest, BlockFaultsPassThrough) {
  control("fault 8/11 nakoff");
  TestAnswer answer = requester->ask(KLCONTROL_GET_ALL_STATUS);
  EXPECT_EQ(answer.status, KL_ERR_NAK_OFF);
  EXPECT_TRUE(answer.payload.empty());
  control("fault 7/30 nakoff");
  EXPECT_EQ(requester->ask(KLCONTROL_GET_ALL_SETTINGS).status, KL_ERR_NAK_OFF);
  EXPECT_TRUE(logged("Camera status returning KL_ERR_NAK_OFF"));
  control("fault 7/30 nakoff");
  EXPECT_EQ(requester->ask(KLCONTROL_GET_ALL_SETTINGS_STATUS).status, KL_ERR_NAK_OFF);
  control("fault 7/30 error -17");
  answer = requester->ask(KLCONTROL_GET_ALL_SETTINGS);
  EXPECT_EQ(answer.status, KL_ERR_ACCESS_DENIED);
  EXPECT_TRUE(answer.payload.empty());
  // Wrong sizes: the raw block as received, the snapshot's parts never overrun.
  control("fault 8/11 size 400");
  EXPECT_EQ(requester->ask(KLCONTROL_GET_ALL_STATUS).payload.size(), 400u);
  control("fault 7/30 size 300");
  answer = requester->ask(KLCONTROL_GET_ALL_SETTINGS_STATUS);
  EXPECT_EQ(answer.status, KL_OK);
  EXPECT_EQ(answer.payload.size(), sizeof(all_status_settings_t));
  EXPECT_EQ(answer.payload[384 + 25], uint8_t(12));
}

TEST_P(SettingsStatusTest, JsonSnapshotParsesWithTheCameraValues) {
  const TestAnswer answer = requester->ask(KLCONTROL_GET_ALL_SETTINGS_STATUS_IDS);
  ASSERT_EQ(answer.status, KL_OK);
  ASSERT_FALSE(answer.payload.empty());
  EXPECT_EQ(answer.payload.back(), 0);
  const std::string text(answer.payload.begin(), answer.payload.end() - 1);
  const nlohmann::json document = nlohmann::json::parse(text);
  EXPECT_EQ(document["status"]["43"], 12);   // current flat mode
  EXPECT_EQ(document["status"]["70"], 100);  // battery percent
  EXPECT_EQ(document["settings"]["144"], 12);
  EXPECT_EQ(document["settings"]["3"], isModel(57) ? 13 : 0);  // frame rate as an option id
  control("fault 8/11 error -17");
  EXPECT_EQ(requester->ask(KLCONTROL_GET_ALL_SETTINGS_STATUS_IDS).status, KL_ERR_ACCESS_DENIED);
}

TEST_P(SettingsStatusTest, CalibrationFileNameAndGetSetting) {
  TestAnswer answer = requester->ask(KLCONTROL_CAL_FILE_NAME_GET);
  EXPECT_EQ(answer.status, KL_OK);
  ASSERT_EQ(answer.payload.size(), KLCONTROL_CAL_FILE_NAME_SIZE);
  const std::string expected = "/tmp/fuse_a/cal/lens" + std::to_string(GetParam()) + ".bin";
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(answer.payload.data())), expected);
  control("fault 8/35 error -17");
  answer = requester->ask(KLCONTROL_CAL_FILE_NAME_GET);
  EXPECT_EQ(answer.status, KL_ERR_ACCESS_DENIED);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(answer.payload.data())), "/tmp/fuse_a/");
  EXPECT_EQ(requester->call(KLCONTROL_GET_SETTING_ID), KL_OK);
  EXPECT_TRUE(logged("KLCONTROL_GET_SETTING_ID: (NOT IMPLEMENTED)"));
}

INSTANTIATE_TEST_SUITE_P(Models, SettingsStatusTest, ::testing::Values(51, 55, 57));

// Every setting a model's table lists holds one of its options in the simulator's factory state.
TEST(SettingsStatusFactory, SimulatedFactorySettingsAreOptionsOfTheirModel) {
  CameraFactory factory;
  for (unsigned model : {51u, 55u, 57u}) {
    const SimCamera camera{uint8_t(model)};
    const InfoHandler* handler = factory.setupCamera(model)->getInfoHandler();
    unsigned rows = 0;
    const camera_settings_id_row* table = camera_settings_id_table(model, &rows);
    ASSERT_NE(table, nullptr);
    for (unsigned id = 0; id < rows; ++id) {
      if (table[id].width == 0) continue;
      int64_t value = 0;
      ASSERT_TRUE(camera.read(SimBlock::SETTINGS, table[id].offset, table[id].width,
                              (table[id].flags & CAMERA_SETTING_SIGNED) != 0, value));
      EXPECT_NE(handler->settingValueToOption(int(id), int(value)), CAMERA_NO_OPTION)
          << "model " << model << " setting " << id << " value " << value;
    }
  }
}

TEST(SettingsStatusText, CalibrationNameFromTheCameraPath) {
  struct Case {
    std::string reply;
    uint16_t length;
    const char* name;
  };
  const Case cases[] = {
      {"X:\\cal\\a.bin", 12, "/tmp/fuse_a/cal/a.bin"},
      {std::string("X:\\cal\0tail", 11), 11, "/tmp/fuse_a/cal"},
      {"X:\\cal\\a.bin", 7, "/tmp/fuse_a/cal/"},
      {"X:", 2, "/tmp/fuse_a/"},
      {std::string(245, 'a'), 245, "/tmp/fuse_a/"},
  };
  for (const Case& c : cases) {
    char name[KLCONTROL_CAL_FILE_NAME_SIZE];
    klcontrol_cal_file_name(reinterpret_cast<const uint8_t*>(c.reply.data()), c.length, name);
    EXPECT_STREQ(name, c.name) << c.reply;
  }
  char longest[KLCONTROL_CAL_FILE_NAME_SIZE];
  const std::string path = "X:\\" + std::string(241, 'p');
  klcontrol_cal_file_name(reinterpret_cast<const uint8_t*>(path.data()), 244, longest);
  EXPECT_EQ(std::string(longest).size(), 12u + 241u);
}

TEST(SettingsStatusText, JsonTextMustLeaveRoomForItsZero) {
  char buffer[KLCONTROL_JSON_TEXT_SIZE];
  EXPECT_TRUE(klcontrol_format_json_text(std::string(4095, 'x'), buffer));
  EXPECT_EQ(std::string(buffer).size(), 4095u);
  EXPECT_FALSE(klcontrol_format_json_text(std::string(4096, 'x'), buffer));
  EXPECT_EQ(buffer[4095], '\0');
}

}  // namespace
