// Capture and mode commands against the simulated camera: what reaches the camera, the answer,
// the camera state left behind, the flat-mode override, and the zoom phase with its timer.
#include <gtest/gtest.h>

#include <chrono>

#include "klErrno.h"
#include "test_command_bytes.h"
#include "test_server_fixture.h"
#include "wait_until.h"

namespace {

std::string wordHex(uint32_t value) {
  return hexOf(words({value}));
}

class CaptureModeTest : public ServerTest {
 protected:
  void set(const std::string& member, long value) {
    ASSERT_EQ(control("set " + member + " " + std::to_string(value)), "ok") << member;
  }
  std::string get(const std::string& member) { return control("get " + member); }
  void useModel(int model) {
    ASSERT_EQ(control("model " + std::to_string(model)), "ok");
    _reset_model_number_cache();
  }
  int32_t mode(uint32_t value) {
    const std::vector<uint8_t> arg = words({value});
    return requester->call(KLCONTROL_MODE, &arg);
  }
  int32_t zoom(uint32_t value) {
    const std::vector<uint8_t> arg = words({value});
    return requester->call(KLCONTROL_DIGITAL_ZOOM, &arg);
  }
  // Value of an extended-status record (id, length, little-endian value); -1 when absent.
  long extendedStatus(uint8_t id) {
    const std::vector<uint8_t> p = requester->ask(KLCONTROL_GET_EXTENDED_STATUS).payload;
    for (size_t i = 0; i + 2 <= p.size() && i + 2 + p[i + 1] <= p.size(); i += 2 + p[i + 1]) {
      if (p[i] != id) continue;
      long value = 0;
      for (size_t b = p[i + 1]; b > 0; --b) value = value * 256 + p[i + 1 + b];
      return value;
    }
    return -1;
  }
};

TEST_F(CaptureModeTest, ForwardedCommandsReachTheCameraAndChangeIt) {
  struct Case {
    uint32_t command;
    std::vector<uint8_t> arg;
    const char* request;
    std::string payload;
    const char* member;
    const char* value;
    const char* line;
  };
  const Case cases[] = {
      {KLCONTROL_COMMAND_SHUTTER,
       {1},
       "257/1",
       "01",
       "status.encoding",
       "ok 1",
       "KLCONTROL_COMMAND_SHUTTER: value:1"},
      {KLCONTROL_GLINT_TAG_RECORDING,
       {},
       "9/12",
       "",
       "status@72:2",
       "ok 1",
       "KLCONTROL_GLINT_TAG_RECORDING:"},
      {KLCONTROL_COMMAND_SHUTTER,
       {0},
       "257/1",
       "00",
       "status.video_count",
       "ok 1",
       "KLCONTROL_COMMAND_SHUTTER: value:0"},
      {KLCONTROL_SETTINGS_FORWARD, {51, 2, 167, 5}, "7/27", "3302a705", "settings@167:1", "ok 5", nullptr},
      {KLCONTROL_ONSCREEN_SHORTCUTS_RESET,
       {1, 2},
       "266/1",
       "",
       "settings@167:1",
       "ok 0",
       "KLCONTROL_ONSCREEN_SHORTCUTS_RESET: shortcuts_reset"},
      {KLCONTROL_CAPTURE_DELAY, words({10}), "257/5", wordHex(10), "settings@82:1", "ok 10",
       "KLCONTROL_CAPTURE_DELAY: photo timer:10"},
      {KLCONTROL_VIDEO_SURGE_SPEED_1X_SET, words({1}), "258/17", wordHex(1), "settings@56:1", "ok 1",
       "KLCONTROL_VIDEO_SURGE_SPEED_1X_SET: 1x speed enabled:1"},
      {KLCONTROL_VIDEO_SURGE_SPEED_RAMP_SET, words({5}), "258/18", wordHex(5), "settings@57:1", "ok 5",
       "KLCONTROL_VIDEO_SURGE_SPEED_RAMP_SET: speed_ramp:5"},
      {KLCONTROL_VIDEO_SURGE_SPEED_RAMP_ACTIVE_SET, words({1}), "258/19", wordHex(1), "settings@58:1", "ok 1",
       "KLCONTROL_VIDEO_SURGE_SPEED_RAMP_ACTIVE_SET: speed_ramp_active:1"},
      {KLCONTROL_MODE_SUB_MODE, words({1, 2}), "257/3", hexOf(words({1, 2})), "settings.flat_mode", "ok 18",
       "KLCONTROL_MODE_SUB_MODE: mode:1 sub_mode:2"},
  };
  for (const Case& c : cases) {
    const std::vector<uint8_t>* arg = c.arg.empty() ? nullptr : &c.arg;
    EXPECT_EQ(requester->call(c.command, arg), KL_OK) << c.command;
    EXPECT_EQ(payload(c.request), c.payload) << c.command;
    EXPECT_EQ(get(c.member), c.value) << c.command;
    if (c.line != nullptr) {
      EXPECT_TRUE(logged(c.line)) << c.line;
    }
  }
  // The shortcuts reset and the capture delay change the preset: each inside one edit.
  EXPECT_EQ(requestCount("17/8"), 2);
  EXPECT_EQ(requestCount("17/10"), 2);
  // Camera refusals pass through: a tag with nothing recording, a photo timer it lacks, a failed reset.
  EXPECT_EQ(requester->call(KLCONTROL_GLINT_TAG_RECORDING), KL_ERR_INVALID_PARAM);
  const std::vector<uint8_t> sevenSeconds = words({7});
  EXPECT_EQ(requester->call(KLCONTROL_CAPTURE_DELAY, &sevenSeconds), KL_ERR_INVALID_PARAM);
  EXPECT_TRUE(logged("Command:66 returned klErrno:(-3=KL_ERR_INVALID_PARAM)"));
  control("fault 266/1 error -17");
  EXPECT_EQ(requester->call(KLCONTROL_ONSCREEN_SHORTCUTS_RESET), KL_ERR_ACCESS_DENIED);
  EXPECT_TRUE(loggedLine(UTIL_LOG_ERROR,
                         "KLCONTROL_ONSCREEN_SHORTCUTS_RESET klc_send_simple_remote_api error, -17\n"));
  EXPECT_EQ(requestCount("17/10"), 4);
  // An edit that cannot be opened resets nothing: only the edit's failure is logged.
  control("fault 17/8 error -17");
  forgetLog();
  EXPECT_EQ(requester->call(KLCONTROL_ONSCREEN_SHORTCUTS_RESET), KL_ERR);
  EXPECT_TRUE(loggedLine(UTIL_LOG_ERROR, "Failed to start preset edit!"));
  EXPECT_FALSE(loggedSoFar("klc_send_simple_remote_api error"));
}

TEST_F(CaptureModeTest, LegacyModeBecomesTheFlatModeLastSelectedOnEveryModel) {
  struct Case {
    uint32_t legacy;
    const char* member;
    int32_t selected;
    long resets;
  };
  const Case cases[] = {{0, "status.video_selected_flatmode", 13, 1},
                        {1, "status.photo_selected_flatmode", 17, 0},
                        {2, "status.timelapse_selected_flatmode", 21, 0}};
  for (int model : {51, 55, 57}) {
    useModel(model);
    for (const Case& c : cases) {
      control("reset-counts");
      set(c.member, c.selected);
      EXPECT_EQ(mode(c.legacy), KL_OK) << model;
      EXPECT_EQ(payload("257/2"), wordHex(uint32_t(c.selected))) << model;
      EXPECT_EQ(requestCount("258/16"), c.resets) << model;
      // The next status read shows the mode selected.
      EXPECT_EQ(extendedStatus(43), c.selected) << model;
    }
  }
  EXPECT_TRUE(logged("Got mode :1, for model number 57 - updating mode to photo_selected_flatmode 17"));
}

TEST_F(CaptureModeTest, ModeFallsBackToDefaultsWhenTheStatusGivesNoFlatMode) {
  struct Case {
    const char* fault;
    uint32_t mode;
    int32_t sent;
    int32_t status;
    long resets;
    const char* line;
  };
  const Case cases[] = {
      {"fault 8/11 error -5", 1, 16, KL_OK, 0,
       "klc_send_remote_api_for_response error, -5, leaving mode as 1"},
      {"fault 8/11 nakoff", 0, 12, KL_OK, 1,
       "Camera status returning KL_ERR_NACK_OFF, skipping flatmode update"},
      {"fault 8/11 size 4", 2, 20, KL_OK, 0,
       "Got mode :2, for model number 57 - defaulting mode to timelapse photo"},
      {"fault clear", 7, 7, KL_ERR_INVALID_PARAM, 0, "KLCONTROL_MODE: mode:7"},
      {"fault 258/16 error -104", 12, 12, KL_OK, 1,
       "Setting Resolution to enforce parameter correctness Mode:12"},
      {"fault 258/16 error -5", 13, 13, KL_ERR_MQ_FAIL, 1, "Command:4 returned klErrno:(-5=KL_ERR_MQ_FAIL)"},
      {"fault 257/2 error -17", 12, 12, KL_ERR_ACCESS_DENIED, 0, "Command:4 returned klErrno:(-17="},
      {"fault 256/1 error -1", 0, 0, KL_OK, 1, "Couldn't get model_number - no flat mode override"},
  };
  for (const Case& c : cases) {
    control("reset-counts");
    _reset_model_number_cache();
    ASSERT_EQ(control(c.fault), "ok");
    EXPECT_EQ(mode(c.mode), c.status) << c.fault;
    EXPECT_EQ(payload("257/2"), wordHex(uint32_t(c.sent))) << c.fault;
    EXPECT_EQ(requestCount("258/16"), c.resets) << c.fault;
    EXPECT_TRUE(logged(c.line)) << c.line;
  }
}

TEST_F(CaptureModeTest, ModeAndSubModePicksSurgeAndLoopingAsFlatModes) {
  struct Case {
    uint32_t mode, subMode;
    const char* request;
    std::string payload;
    const char* flatMode;
    long resets;
  };
  const Case cases[] = {{0, 4, "257/2", wordHex(24), "ok 24", 1},
                        {0, 3, "257/2", wordHex(15), "ok 15", 2},
                        {0, 1, "257/3", hexOf(words({0, 1})), "ok 13", 3},
                        {2, 3, "257/3", hexOf(words({2, 3})), "ok 26", 3}};
  for (const Case& c : cases) {
    const std::vector<uint8_t> arg = words({c.mode, c.subMode});
    EXPECT_EQ(requester->call(KLCONTROL_MODE_SUB_MODE, &arg), KL_OK);
    EXPECT_EQ(payload(c.request), c.payload);
    EXPECT_EQ(get("settings.flat_mode"), c.flatMode);
    EXPECT_EQ(requestCount("258/16"), c.resets);
  }
  EXPECT_TRUE(logged("Setting Resolution to enforce parameter correctness Mode:0 subMode:1"));
  const std::vector<uint8_t> unknown = words({1, 9});
  EXPECT_EQ(requester->call(KLCONTROL_MODE_SUB_MODE, &unknown), KL_ERR_INVALID_PARAM);
}

// Command 67 loads a preset on the camera: the factory preset of a flat mode, or the current preset
// of a group (1000 + group); the client sees the camera's mode and active preset follow.
TEST_F(CaptureModeTest, ModeSetModeLoadsThePresetOfAFlatModeOrGroup) {
  struct Case {
    uint16_t mode;
    int32_t status;
    const char* flatMode;  // afterwards
    const char* preset;    // status.modified_preset_id afterwards
  };
  const Case cases[] = {
      {19, KL_OK, "ok 19", "ok 65538"},     // burst: 0x10002
      {1002, KL_OK, "ok 20", "ok 131073"},  // the time-lapse group's current preset 0x20001
      {1000, KL_OK, "ok 12", "ok 1"},       // the video group's current preset
      {14, KL_ERR, "ok 12", "ok 1"},        // no preset for this flat mode: nothing is loaded
  };
  for (const Case& c : cases) {
    const std::vector<uint8_t> arg = {uint8_t(c.mode), uint8_t(c.mode >> 8)};
    const long loads = requestCount("17/12");
    EXPECT_EQ(requester->call(KLCONTROL_MODE_SET_MODE, &arg), c.status) << c.mode;
    EXPECT_EQ(requestCount("17/12"), loads + (c.status == KL_OK ? 1 : 0)) << c.mode;
    EXPECT_EQ(get("settings.flat_mode"), c.flatMode) << c.mode;
    EXPECT_EQ(get("status.modified_preset_id"), c.preset) << c.mode;
  }
}

TEST_F(CaptureModeTest, ZoomPhaseIsOneEditEndedByTheTimerAfterTheLastZoom) {
  EXPECT_EQ(zoom(10), KL_OK);
  EXPECT_EQ(requestCount("17/8"), 1);
  const auto second = std::chrono::steady_clock::now();
  EXPECT_EQ(zoom(20), KL_OK);
  EXPECT_EQ(payload("257/6"), wordHex(20));
  EXPECT_EQ(get("status.digital_zoom"), "ok 20");
  ASSERT_TRUE(waitUntil([&] { return requestCount("17/10") == 1; }));
  // Re-armed by the second zoom: the edit cannot have ended sooner than a full period after it.
  EXPECT_GE(std::chrono::steady_clock::now() - second, std::chrono::milliseconds(200));
  EXPECT_EQ(requestCount("17/8"), 1);
  // The phase is over: the next zoom opens a new edit.
  EXPECT_EQ(zoom(30), KL_OK);
  EXPECT_EQ(requestCount("17/8"), 2);
  ASSERT_TRUE(waitUntil([&] { return requestCount("17/10") == 2; }));
}

TEST_F(CaptureModeTest, ModeCommandsEndAnOpenZoomPhase) {
  const std::vector<uint8_t> video = words({0});
  const std::vector<uint8_t> subMode = words({1, 0});
  const std::vector<uint8_t> loadMode = {16, 0};
  // Setting the zoom (91) keeps the phase; any other setting (90) ends it first, then brackets its own edit.
  const std::vector<uint8_t> zoomSetting = words({91, 40});
  const std::vector<uint8_t> otherSetting = words({90, 0});
  const struct {
    uint32_t command;
    const std::vector<uint8_t>* arg;
    const char* name;
    long editEnds;  // right after the command; 0: the phase is left to the timer
  } cases[] = {{KLCONTROL_MODE, &video, "KLCONTROL_MODE", 1},
               {KLCONTROL_MODE_SUB_MODE, &subMode, "KLCONTROL_MODE_SUB_MODE", 1},
               {KLCONTROL_MODE_SET_MODE, &loadMode, "KLCONTROL_MODE_SET_MODE", 1},
               {KLCONTROL_SET_SETTING_ID, &otherSetting, "KLCONTROL_SET_SETTING_ID", 2},
               {KLCONTROL_SET_SETTING_ID, &zoomSetting, "KLCONTROL_SET_SETTING_ID", 0}};
  for (const auto& c : cases) {
    set("settings.flat_mode", 12);
    control("reset-counts");
    EXPECT_EQ(zoom(50), KL_OK);
    EXPECT_EQ(requestCount("17/8"), 1);
    forgetLog();
    requester->call(c.command, c.arg);
    const std::string line = std::string(c.name) + " change wile zoomin, you are an aggressive user";
    if (c.editEnds == 0) {
      EXPECT_FALSE(loggedSoFar(line));
      EXPECT_TRUE(waitUntil([&] { return requestCount("17/10") == 1; }));
      continue;
    }
    // Ended before the command's own change, not by the timer.
    EXPECT_EQ(requestCount("17/10"), c.editEnds) << c.name;
    EXPECT_TRUE(loggedLine(UTIL_LOG_ERROR, line)) << c.name;
  }
}

TEST_F(CaptureModeTest, ZoomInBroadcastOpensNoEditAndARefusedEditSendsNoZoom) {
  set("settings.flat_mode", 23);
  EXPECT_EQ(zoom(40), KL_OK);
  EXPECT_EQ(payload("257/6"), wordHex(40));
  EXPECT_EQ(requestCount("17/8"), 0);
  set("settings.flat_mode", 12);
  control("reset-counts");
  control("fault 17/8 error -3");
  EXPECT_EQ(zoom(41), KL_ERR);
  EXPECT_EQ(requestCount("257/6"), 0);
  EXPECT_TRUE(logged("Failed to start preset edit!"));
  // The zoom itself failing leaves the phase open; the timer still ends it.
  control("fault 257/6 error -17");
  EXPECT_EQ(zoom(42), KL_ERR_ACCESS_DENIED);
  ASSERT_TRUE(waitUntil([&] { return requestCount("17/10") == 1; }));
}

TEST_F(CaptureModeTest, VantixResetsRestoreTheExposureOfTheirFamilyInsideAnEdit) {
  struct Case {
    uint32_t command;
    int flatMode;  // for command 68
    const char* request;
    const char* isoMax;
    const char* reset;
  };
  const Case cases[] = {
      {KLCONTROL_VIDEO_VANTIX_RESET, 12, "2/26", "settings@48:1", "ok 1"},
      {KLCONTROL_PHOTO_VANTIX_RESET, 12, "3/22", "settings@83:1", "ok 4"},
      {KLCONTROL_MULTI_VANTIX_RESET, 12, "4/26", "settings@127:1", "ok 4"},
      {KLCONTROL_VANTIX_RESET, 13, "258/1", "settings@48:1", "ok 1"},
      {KLCONTROL_VANTIX_RESET, 17, "259/1", "settings@83:1", "ok 4"},
      {KLCONTROL_VANTIX_RESET, 26, "260/1", "settings@127:1", "ok 4"},
  };
  long edits = 0;
  const std::vector<uint8_t> ignored = {9};
  for (const Case& c : cases) {
    set("settings.flat_mode", c.flatMode);
    ASSERT_EQ(control(std::string("set ") + c.isoMax + " 6"), "ok");
    EXPECT_EQ(requester->call(c.command, c.command == KLCONTROL_VANTIX_RESET ? &ignored : nullptr), KL_OK);
    EXPECT_EQ(requestCount(c.request), 1) << c.request;
    EXPECT_EQ(get(c.isoMax), c.reset) << c.request;
    ++edits;
    EXPECT_EQ(requestCount("17/8"), edits);
    EXPECT_EQ(requestCount("17/10"), edits);
  }
  // A flat mode without manual exposure: an edit, no reset, success.
  set("settings.flat_mode", 5);
  EXPECT_EQ(requester->call(KLCONTROL_VANTIX_RESET), KL_OK);
  EXPECT_TRUE(logged("Flat mode 5, doesn't support vantix reset. @ klControlD/src/klcontrol_if_server:"));
  EXPECT_EQ(requestCount("17/10"), edits + 1);
  // Playback opens no edit: refused before anything is reset.
  set("settings.flat_mode", 4);
  EXPECT_EQ(requester->call(KLCONTROL_PHOTO_VANTIX_RESET), KL_ERR);
  EXPECT_EQ(requestCount("3/22"), 1);
  // Command 68 needs the whole settings block; a wrong size is no failure but resets nothing.
  control("fault 7/30 error -5");
  EXPECT_EQ(requester->call(KLCONTROL_VANTIX_RESET), KL_ERR_MQ_FAIL);
  control("fault 7/30 size 237");
  EXPECT_EQ(requester->call(KLCONTROL_VANTIX_RESET), KL_OK);
  EXPECT_TRUE(logged("klc_send_remote_api_for_response error, 0 @ klControlD/src/klcontrol_if_server:"));
  EXPECT_EQ(requestCount("17/10"), edits + 1);
}

TEST_F(CaptureModeTest, ExtendedStatusIsTheCameraReplyOrItsRefusal) {
  set("status.battery_percent", 42);
  EXPECT_EQ(extendedStatus(70), 42);
  struct Case {
    const char* fault;
    int32_t status;
    size_t payload;
  };
  const Case cases[] = {{"fault 8/34 nakoff", KL_ERR_NAK_OFF, 0},
                        {"fault 8/34 error -5", KL_ERR_MQ_FAIL, 0},
                        {"fault 8/34 size 3", KL_OK, 3}};
  for (const Case& c : cases) {
    control(c.fault);
    const TestAnswer answer = requester->ask(KLCONTROL_GET_EXTENDED_STATUS);
    EXPECT_EQ(answer.status, c.status) << c.fault;
    EXPECT_EQ(answer.payload.size(), c.payload) << c.fault;
  }
  EXPECT_TRUE(logged("Camera status returning KL_ERR_NACK_OFF"));
}

}  // namespace
