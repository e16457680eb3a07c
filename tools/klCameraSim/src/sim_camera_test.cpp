// The camera model without queues: mode changes in the blocks, dial turns, the clock, state files, control
// commands, determinism, and the exposure requests (ISO limits by family, their resets, forwarded pairs).
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <tuple>

#include "klErrno.h"
#include "sim_drift.h"
#include "sim_handlers.h"
#include "sim_simulator.h"
#include "sim_state_file.h"
#include "test_command_bytes.h"
#include "transcode_wire.h"

namespace {

// gtest binds references: members of the packed blocks are copied out with a unary + first.

// Sets members as a state file does, "MEMBER=VALUE" a line.
void set(SimCamera& camera, const std::string& lines) {
  std::string error;
  EXPECT_TRUE(simLoadStateText(camera, lines, error)) << error;
}

struct ModeCase {
  int32_t request;  // mode, or the group with subMode
  int expected;     // resulting flat mode, or -1 when refused
  int8_t group;
  int subMode = -1;  // the request is a group and the index of one of its modes
};

TEST(SimCameraMode, ModeRequestsChangeTheBlocksTheDaemonReads) {
  const ModeCase cases[] = {
      {17, 17, 1}, {1, 17, 1},  // a legacy mode picks the flat mode last used in its group
      {0, 12, 0},  {24, 24, 0}, {2, 20, 2},  {26, 26, 2},   {2, 26, 2},    {15, 15, 0},   {23, 23, 0},
      {99, -1, 0}, {-1, -1, 0}, {14, -1, 0}, {0, 15, 0, 3}, {1, -1, 0, 3}, {3, -1, 0, 0},  // group/sub-mode:
                                                                                           // photo has no 3rd
  };
  SimCamera camera(57);
  for (const ModeCase& c : cases) {
    SCOPED_TRACE(std::to_string(c.request) + "/" + std::to_string(c.subMode));
    const appc_system_all_status before = camera.status();
    const int result =
        c.subMode < 0 ? camera.setMode(c.request) : camera.setModeSubMode(c.request, c.subMode);
    if (c.expected < 0) {
      EXPECT_EQ(result, KL_ERR_INVALID_PARAM);
      EXPECT_EQ(std::memcmp(&before, &camera.status(), sizeof before), 0);
      continue;
    }
    ASSERT_EQ(result, KL_OK);
    EXPECT_EQ(camera.settings().flat_mode, c.expected);
    EXPECT_EQ(camera.status().mode, c.group);
    EXPECT_EQ(+camera.status().active_preset_group, uint32_t(c.group));
    const int8_t selected[] = {camera.status().video_selected_flatmode,
                               camera.status().photo_selected_flatmode,
                               camera.status().timelapse_selected_flatmode};
    EXPECT_EQ(selected[c.group], c.expected);
    const uint32_t presets[] = {camera.status().video_preset_id, camera.status().photo_preset_id,
                                camera.status().timelapse_preset_id};
    EXPECT_EQ(+camera.status().modified_preset_id, presets[c.group]);
    // The flat mode's place in its group; video 3 is looping, 4 surge.
    const std::map<int, int> subModes = {{17, 1}, {15, 3}, {24, 4}, {23, 6}, {26, 3}};
    EXPECT_EQ(camera.status().sub_mode, subModes.count(c.expected) != 0 ? subModes.at(c.expected) : 0);
  }
  SimCamera older(51);  // broadcast (23) only where the model has it
  EXPECT_EQ(older.setMode(23), KL_ERR_INVALID_PARAM);
  EXPECT_EQ(older.setModeSubMode(0, 6), KL_ERR_INVALID_PARAM);
}

TEST(SimCameraCapture, ShutterRecordsVideosAndTakesPhotos) {
  SimCamera camera(57);
  EXPECT_EQ(camera.shutter(false), KL_ERR_INVALID_PARAM);
  ASSERT_EQ(camera.shutter(true), KL_OK);
  EXPECT_EQ(camera.status().encoding, 1);
  EXPECT_EQ(camera.shutter(true), KL_ERR_INVALID_PARAM);
  ASSERT_EQ(camera.shutter(false), KL_OK);
  EXPECT_EQ(camera.status().encoding, 0);
  EXPECT_EQ(+camera.status().video_count, 1u);
  ASSERT_EQ(camera.setMode(1), KL_OK);
  ASSERT_EQ(camera.shutter(true), KL_OK);
  EXPECT_EQ(camera.status().encoding, 0);
  EXPECT_EQ(+camera.status().photo_count, 1u);
  EXPECT_EQ(+camera.status().remaining_photos, 4209u);
  set(camera, "status.remaining_photos=0");
  EXPECT_EQ(camera.shutter(true), KL_ERR_SDCARD_FULL);
  EXPECT_EQ(+camera.status().photo_count, 1u);
  // A burst is one capture of ten photos.
  set(camera, "status.remaining_photos=10");
  ASSERT_EQ(camera.setMode(19), KL_OK);
  ASSERT_EQ(camera.shutter(true), KL_OK);
  EXPECT_EQ(+camera.status().photo_count, 11u);
  EXPECT_EQ(camera.card().files().back().name, "IMG_0003_10.JPG");
}

struct LapseCase {
  const char* mode;      // flat mode assignment
  const char* interval;  // interval assignment
  unsigned seconds;      // that pass while the shutter is on
  uint32_t photos;       // on the card when it is turned off, the first one taken at the start
};

TEST(SimCameraCapture, TimeLapseTakesAPhotoEachIntervalUntilTheShutterIsOff) {
  const LapseCase cases[] = {
      {"settings.flat_mode=20", "settings@122:2=5", 12, 3},    // 5 s: at 0, 5 and 10
      {"settings.flat_mode=20", "settings@122:2=0", 3, 7},     // half a second
      {"settings.flat_mode=21", "settings@124:2=10", 25, 3},   // night lapse, 10 s
      {"settings.flat_mode=21", "settings@124:2=3601", 9, 3},  // automatic: 4 s
  };
  for (const LapseCase& c : cases) {
    SCOPED_TRACE(c.interval);
    SimCamera camera(57);
    SimDrift drift(false);
    set(camera, std::string(c.mode) + "\n" + c.interval);
    ASSERT_EQ(camera.shutter(true), KL_OK);
    EXPECT_EQ(camera.status().encoding, 1);
    EXPECT_EQ(+camera.status().photo_count, 1u);
    drift.advance(camera, c.seconds);
    ASSERT_EQ(camera.shutter(false), KL_OK);
    EXPECT_EQ(camera.status().encoding, 0);
    EXPECT_EQ(+camera.status().photo_count, c.photos);
    EXPECT_EQ(+camera.status().remaining_photos, 4210u - c.photos);
    // No video counters moved, and nothing more is taken once it is off.
    EXPECT_EQ(+camera.status().video_count, 0u);
    EXPECT_EQ(+camera.status().recording_seconds, 0u);
    drift.advance(camera, 60);
    EXPECT_EQ(+camera.status().photo_count, c.photos);
  }
}

TEST(SimCameraCapture, TimeLapseEndsWhenTheCardIsFullAndAModelSwitchEndsIt) {
  SimCamera camera(57);
  SimDrift drift(false);
  set(camera, "settings.flat_mode=20\nsettings@122:2=1\nstatus.remaining_photos=3");
  ASSERT_EQ(camera.shutter(true), KL_OK);
  drift.advance(camera, 10);
  EXPECT_EQ(+camera.status().photo_count, 3u);
  EXPECT_EQ(camera.status().encoding, 0);
  EXPECT_EQ(camera.shutter(true), KL_ERR_SDCARD_FULL);
  EXPECT_EQ(camera.status().encoding, 0);
  set(camera, "status.remaining_photos=100");
  ASSERT_EQ(camera.shutter(true), KL_OK);
  ASSERT_TRUE(camera.switchModel(55));
  EXPECT_FALSE(camera.timeLapseRunning());
  set(camera, "status.encoding=1");
  drift.advance(camera, 10);
  EXPECT_EQ(+camera.status().photo_count, 0u);
}

// battery %, bars, recording s, video s left, card KiB left, temperature
using Status = std::tuple<int64_t, int64_t, int64_t, int64_t, int64_t, int64_t>;

Status statusOf(const SimCamera& camera) {
  const appc_system_all_status& s = camera.status();
  return {int64_t(s.battery_percent),    int64_t(s.battery_level),
          int64_t(s.recording_seconds),  int64_t(s.remaining_video_seconds),
          int64_t(s.remaining_space_kb), int64_t(s.internal_temperature_c)};
}

TEST(SimDrift, BatteryCardAndTemperatureFollowTheSeconds) {
  SimCamera camera(57);
  SimDrift drift(false);
  drift.advance(camera, 59);
  EXPECT_EQ(statusOf(camera), Status(100, 3, 0, 7380, 61440000, 31)) << "idle 59 s";
  ASSERT_EQ(camera.shutter(true), 0);
  drift.advance(camera, 31);  // seconds 60 to 90: drains at 60 and 80, heats at 60 and 90
  EXPECT_EQ(statusOf(camera), Status(98, 3, 31, 7349, 61440000 - 31 * 7500, 33)) << "recording 31 s";
  ASSERT_EQ(camera.shutter(false), 0);
  drift.advance(camera, 30);  // drains and cools at 120
  EXPECT_EQ(statusOf(camera), Status(97, 3, 0, 7349, 61440000 - 31 * 7500, 32)) << "idle again";
  // Bars follow the percentage; a charging battery (level 4) keeps it.
  camera.write(SimBlock::STATUS, offsetof(appc_system_all_status, battery_percent), 1, 67);
  drift.advance(camera, 60);
  EXPECT_EQ(statusOf(camera), Status(66, 2, 0, 7349, 61440000 - 31 * 7500, 31));
  camera.write(SimBlock::STATUS, offsetof(appc_system_all_status, battery_level), 1, 4);
  drift.advance(camera, 120);
  EXPECT_EQ(camera.status().battery_percent, 66);
}

// Values that are one on a camera follow each other: the zoom status and setting 91, the
// preset-modified status and the edits of the active preset; a factory reset keeps the card.
TEST(SimCameraState, LinkedValuesFollowEachOther) {
  SimCamera camera(57);
  int64_t value = 0;
  set(camera, "settings@55:1=40");
  EXPECT_EQ(camera.status().digital_zoom, 40);
  camera.setZoom(7);
  EXPECT_TRUE(camera.read(SimBlock::SETTINGS, 55, 1, false, value) && value == 7) << value;

  ASSERT_TRUE(camera.presets().startEdit(camera.status().modified_preset_id));
  camera.presets().endEdit();
  camera.syncPresetModified();
  EXPECT_EQ(camera.status().preset_modified, 1);
  ASSERT_EQ(camera.setMode(17), KL_OK);  // the photo group's preset, unedited, is active now
  camera.syncPresetModified();
  EXPECT_EQ(camera.status().preset_modified, 0);

  camera.card().addCapture(true);
  camera.syncCardCounts();
  set(camera, "settings@82:1=3");
  camera.factoryReset();
  EXPECT_EQ(+camera.status().video_count, 1u);
  EXPECT_TRUE(camera.read(SimBlock::SETTINGS, 82, 1, false, value) && value == 0) << value;
  EXPECT_EQ(camera.settings().flat_mode, 12);
}

TEST(SimCameraState, AssignmentsAreBoundedAndRefusedWhole) {
  const char* refused[] = {
      "status.battery_percent=256",
      "status.orientation=-129",
      "status.nothing=1",
      "status@383:2=1",
      "status@10:3=1",
      "settings@-1:1=1",
      "model=256",
      "status.busy=1x",
      "status.busy= +1",
      "no equals sign",
  };
  for (const char* line : refused) {
    SimCamera camera(57);
    const appc_system_all_status before = camera.status();
    std::string error;
    EXPECT_FALSE(simApplyAssignment(camera, line, error)) << line;
    EXPECT_FALSE(error.empty()) << line;
    EXPECT_EQ(std::memcmp(&before, &camera.status(), sizeof before), 0) << line;
  }
}

// State text sets members, raw places and the model; it stops at the first bad line.
TEST(SimCameraState, StateTextSetsMembersAndStopsAtTheFirstBadLine) {
  SimCamera camera(57);
  std::string error;
  const std::string text =
      "# a camera low on battery\n"
      "model=51\n"
      "\n"
      "  status.battery_percent = 12\n"
      "status.remaining_space_kb=0x10000000000\n"
      "status@254:1=1\n"
      "system.lens=-1\n";
  ASSERT_TRUE(simLoadStateText(camera, text, error)) << error;
  EXPECT_EQ(camera.model(), 51);
  EXPECT_EQ(camera.system().lens_type, 1);  // model 51's factory value survives
  EXPECT_EQ(camera.status().battery_percent, 12);
  EXPECT_EQ(+camera.status().remaining_space_kb, 0x10000000000ull);
  EXPECT_EQ(camera.status().camera_control_status, 1);
  EXPECT_EQ(camera.system().lens, -1);
  EXPECT_FALSE(simLoadStateText(camera, "status.busy=1\nstatus.bogus=2\nstatus.battery_percent=50\n", error));
  EXPECT_EQ(error, "line 2: unknown member status.bogus");
  EXPECT_EQ(camera.status().busy, 1);
  EXPECT_EQ(camera.status().battery_percent, 12);
  EXPECT_FALSE(simLoadStateText(camera, std::string(SIM_STATE_LINE_MAX + 1, '#'), error));
  EXPECT_FALSE(simLoadStateFile(camera, "/nonexistent/state", error));
}

TEST(SimControlCommands, RepliesAndRefusals) {
  SimSimulator sim(SimOptions{});
  const char* kDriftUsage = "error usage: drift | drift on|off | drift step [N]";
  const std::pair<const char*, const char*> exchanges[] = {
      {"ping", "ok"},
      {"set status.battery_percent 40", "ok"},
      {"get status.battery_percent", "ok 40"},
      {"get status@6:1", "ok 40"},
      {"set status.battery_percent 400", "error value 400 does not fit status.battery_percent"},
      {"fault 8/11 error -17 2", "ok"},
      {"fault 0x105/1 size 3", "ok"},
      {"fault 7/30 malformed lying always", "ok"},
      {"faults", "ok 7/30:malformed:lyingxalways 8/11:error:-17x2 261/1:size:3x1"},
      {"fault 8/11 size 5000", "error bad size"},
      {"fault 8/11 late 60001", "error bad delay"},
      {"fault 8/11 malformed bent", "error malformed short|lying|random"},
      {"fault 8/11 drop 0", "error bad count"},
      {"fault 8/11 explode",
       "error usage: fault G/I error E|nakoff|size LEN|drop|late MS|seq|malformed "
       "short|lying|random|dup [N|always]; fault clear"},
      {"fault clear", "ok"},
      {"faults", "ok "},
      {"payload 8/11", "error no request 8/11 seen"},
      {"model 256", "error unknown model 256"},
      {"model 55", "ok"},
      {"get status.battery_percent", "ok 100"},
      {"drift", "ok on"},  // the clock follows the reply delay
      {"drift off", "ok"},
      {"drift step 60", "ok"},
      {"drift step 0", kDriftUsage},
      {"drift step x", kDriftUsage},
      {"drift up", kDriftUsage},
      {"drift step 1 2", kDriftUsage},
      {"drift step 86401", kDriftUsage},
      {"get status.battery_percent", "ok 99"},
      {"drift on", "ok"},
      {"event PU 300 1", "error usage: event JS|JR|PU [CODE ID]"},
      {"set status.busy", "error usage: set MEMBER VALUE"},
      {"", "error empty command"},
      {"launch", "error unknown command launch"},
  };
  for (const auto& [command, reply] : exchanges) EXPECT_EQ(sim.execute(command, 1), reply) << command;
  // With --fast the clock stands unless --drift.
  SimOptions fast;
  fast.replyDelayMs = 0;
  for (bool drift : {false, true}) {
    fast.drift = drift;
    EXPECT_EQ(SimSimulator(fast).execute("drift", 1), drift ? "ok on" : "ok off");
  }
}

// A switched camera starts without the old camera's jobs: none listed, no progress left to send, no
// busy refusal and no armed refusal, and job ids start over.
TEST(SimControlCommands, ModelSwitchEndsTheTranscodeJobs) {
  SimSimulator sim(SimOptions{});
  uint64_t id = 0;
  uint32_t estimate = 0;
  int8_t refusal = 0;
  {
    KlLock lock(sim.mutex());
    ASSERT_EQ(
        sim.camera().transcodes().start(KLC_TRANSCODE_VIDEO_START, "VID_0001.MP4", id, estimate, refusal),
        KL_OK);
  }
  ASSERT_EQ(sim.execute("drift step 1", 1), "ok");  // a step a second of the camera's clock
  ASSERT_EQ(sim.execute("transcode refuse 5", 1), "ok");
  ASSERT_EQ(sim.execute("transcode", 1), "ok 1001:1:25:C:\\DCIM\\100KLCAM\\TRN01001.MP4");
  ASSERT_EQ(sim.execute("model 55", 1), "ok");
  EXPECT_EQ(sim.execute("transcode", 1), "ok");
  KlLock lock(sim.mutex());
  EXPECT_TRUE(sim.camera().transcodes().takeProgressTexts().empty());
  ASSERT_EQ(sim.camera().transcodes().start(KLC_TRANSCODE_VIDEO_START, "VID_0001.MP4", id, estimate, refusal),
            KL_OK);
  EXPECT_EQ(id, 1001u);
}

TEST(SimControlCommands, SameCommandsGiveTheSameState) {
  const char* script[] = {"model 51",
                          "set settings.flat_mode 19",
                          "set system.lens_mode 1",
                          "set status.encoding 1",
                          "set status.recording_seconds 93",
                          "set settings.flat_mode 13",
                          "drift step 7200"};
  SimSimulator first(SimOptions{});
  SimSimulator second(SimOptions{});
  for (const char* command : script) {
    ASSERT_EQ(first.execute(command, 1), "ok");
    ASSERT_EQ(second.execute(command, 1), "ok");
  }
  EXPECT_EQ(first.execute("dump", 1), second.execute("dump", 1));
  EXPECT_NE(first.execute("dump", 1).find("settings.flat_mode=13"), std::string::npos);
  KlLock firstLock(first.mutex());
  KlLock secondLock(second.mutex());
  for (const auto& [block, size] : {std::pair(SimBlock::STATUS, 384), std::pair(SimBlock::SETTINGS, 238)}) {
    EXPECT_EQ(std::memcmp(first.camera().bytes(block), second.camera().bytes(block), size), 0);
  }
}

class SimExposureTest : public ::testing::Test {
 protected:
  SimReply run(uint32_t key, const std::vector<uint8_t>& payload = {}) {
    klc_link_request request{};
    request.header.group = klc_link_group(key);
    request.header.id = klc_link_id(key);
    request.payload = payload.data();
    request.payloadLength = uint16_t(payload.size());
    SimReply reply;
    const SimHandler handler = table.find(key);
    EXPECT_NE(handler, nullptr) << key;
    if (handler != nullptr) handler(camera, request, reply);
    return reply;
  }
  SimReply set(uint32_t key, int32_t value) { return run(key, words({uint32_t(value)})); }
  int32_t get(uint32_t key) {
    const SimReply reply = run(key);
    return reply.answer.size() == 4 ? int32_t(wordAt(reply.answer, 0)) : -99;
  }
  int setting(unsigned offset) { return int8_t(camera.bytes(SimBlock::SETTINGS)[offset]); }

  SimHandlerTable table;
  SimCamera camera{57};
};

TEST_F(SimExposureTest, IsoLimitsTakeOnlyTheirFamilysValuesAndResetsRestoreThem) {
  struct Case {
    uint32_t maxGet, maxSet, minGet, minSet, reset, remoteReset;
    unsigned maxPlace;
    int32_t valid, unknown;
  };
  const Case cases[] = {
      {KLC_OP_VIDEO_VANTIX_ISO_GET, KLC_OP_VIDEO_VANTIX_ISO_SET, KLC_OP_VIDEO_VANTIX_ISO_MIN_GET,
       KLC_OP_VIDEO_VANTIX_ISO_MIN_SET, KLC_OP_VIDEO_VANTIX_RESET, klc_link_key(2, 26), 48, 0, 5},
      {KLC_OP_PHOTO_VANTIX_ISO_GET, KLC_OP_PHOTO_VANTIX_ISO_SET, KLC_OP_PHOTO_VANTIX_ISO_MIN_GET,
       KLC_OP_PHOTO_VANTIX_ISO_MIN_SET, KLC_OP_PHOTO_VANTIX_RESET, klc_link_key(3, 22), 83, 6, 7},
      {KLC_OP_MULTISHOT_VANTIX_ISO_GET, KLC_OP_MULTISHOT_VANTIX_ISO_SET, KLC_OP_MULTISHOT_VANTIX_ISO_MIN_GET,
       KLC_OP_MULTISHOT_VANTIX_ISO_MIN_SET, KLC_OP_MULTISHOT_VANTIX_RESET, klc_link_key(4, 26), 127, 5, 8},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(set(c.maxSet, c.valid).status, KL_OK);
    EXPECT_EQ(set(c.minSet, c.valid).status, KL_OK);
    EXPECT_EQ(set(c.maxSet, c.unknown).status, KL_ERR_INVALID_PARAM);
    EXPECT_EQ(get(c.maxGet), c.valid);
    EXPECT_EQ(setting(c.maxPlace), c.valid);
    EXPECT_EQ(run(c.reset).status, KL_OK);
    const int32_t resetMax = get(c.maxGet), resetMin = get(c.minGet);
    EXPECT_NE(resetMax, c.valid);
    set(c.maxSet, c.valid);
    run(c.remoteReset);
    EXPECT_EQ(get(c.maxGet), resetMax);
    EXPECT_EQ(get(c.minGet), resetMin);
  }
}

TEST_F(SimExposureTest, ForwardedPairsAreWrittenOnlyWhenAllAreValid) {
  const uint32_t forward = klc_link_key(7, 27);
  EXPECT_EQ(run(forward, {56, 1, 25, 17}).status, KL_OK);
  EXPECT_EQ(setting(56), 1);
  EXPECT_EQ(camera.status().photo_selected_flatmode, 17);
  for (const std::vector<uint8_t>& refused : {std::vector<uint8_t>{}, {57, 1, 58}, {57, 1, 238, 1}}) {
    EXPECT_EQ(run(forward, refused).status, KL_ERR_INVALID_PARAM);
    EXPECT_EQ(setting(57), 0);
  }
}

}  // namespace
