// Capture and mode commands against the simulated camera: what reaches the camera, the answer,
// the camera state left behind, the flat-mode override, and the zoom phase with its timer.
#include <gtest/gtest.h>

#include <chrono>
#include <tuple>

#include "klErrno.h"
#include "klcontrol_command_table.h"
#include "test_command_bytes.h"
#include "test_server_fixture.h"
#include "wait_until.h"

namespace {

using Bytes = std::vector<uint8_t>;

class CaptureModeTest : public ServerTest {
 protected:
  static Bytes w(uint32_t value) { return words({value}); }
  static std::string nameOf(uint32_t command) { return klcontrol_command_info(command)->name; }
  void set(const std::string& member, long value) {
    ASSERT_EQ(control("set " + member + " " + std::to_string(value)), "ok") << member;
  }
  std::string get(const std::string& member) { return control("get " + member); }
  int32_t call(uint32_t command, const Bytes& arg) { return requester->call(command, &arg); }
  int32_t zoom(uint32_t value) { return call(KLCONTROL_DIGITAL_ZOOM, w(value)); }
  // A whole error line that names its own source place before the logger's; pattern: a regular expression.
  bool loggedPlacedError(const std::string& pattern, const std::string& file = "klcontrol_if_server") {
    return loggedLineMatching(UTIL_LOG_ERROR, pattern + " @ klControlD/src/" + file + ":\\d+\n", file);
  }
};

// What each command sends, the camera state it leaves, and the edits around preset changes.
TEST_F(CaptureModeTest, CommandsReachTheCameraAndChangeItInsideTheirEdits) {
  struct Case {
    uint32_t command;
    Bytes arg;
    const char* request;
    const char* member;
    long value;                  // of the member afterwards
    const char* line;            // logged after the command's name; nullptr: none
    const char* sent = nullptr;  // payload the camera receives; nullptr: the argument
    long resets = 0;             // resolution resets that enforce the mode's parameters
    int level = UTIL_LOG_DEBUG;  // of the line
  };
  const Case cases[] = {
      {KLCONTROL_COMMAND_SHUTTER, {1}, "257/1", "status.encoding", 1, ": value:1"},
      {KLCONTROL_GLINT_TAG_RECORDING, {}, "9/12", "status@72:2", 1, ":"},
      {KLCONTROL_COMMAND_SHUTTER, {0}, "257/1", "status.video_count", 1, ": value:0"},
      {KLCONTROL_SETTINGS_FORWARD, {51, 2, 167, 5}, "7/27", "settings@167:1", 5, nullptr},
      {KLCONTROL_ONSCREEN_SHORTCUTS_RESET, w(513), "266/1", "settings@167:1", 0, ": shortcuts_reset", "", 0,
       UTIL_LOG_INFO},
      {KLCONTROL_CAPTURE_DELAY, w(10), "257/5", "settings@82:1", 10, ": photo timer:10"},
      {KLCONTROL_VIDEO_SURGE_SPEED_1X_SET, w(1), "258/17", "settings@56:1", 1, ": 1x speed enabled:1"},
      {KLCONTROL_VIDEO_SURGE_SPEED_RAMP_SET, w(5), "258/18", "settings@57:1", 5, ": speed_ramp:5"},
      {KLCONTROL_VIDEO_SURGE_SPEED_RAMP_ACTIVE_SET, w(1), "258/19", "settings@58:1", 1,
       ": speed_ramp_active:1"},
      {KLCONTROL_MODE_SUB_MODE, words({1, 2}), "257/3", "settings.flat_mode", 18, ": mode:1 sub_mode:2"},
      // Surge and looping are flat modes of their own; the video modes reset the resolution.
      {KLCONTROL_MODE_SUB_MODE, words({0, 4}), "257/2", "settings.flat_mode", 24, nullptr, "18000000", 1},
      {KLCONTROL_MODE_SUB_MODE, words({0, 3}), "257/2", "settings.flat_mode", 15, nullptr, "0f000000", 1},
      {KLCONTROL_MODE_SUB_MODE, words({0, 1}), "257/3", "settings.flat_mode", 13, nullptr, nullptr, 1},
  };
  for (const Case& c : cases) {
    const long resets = requestCount("258/16");
    forgetLog();
    EXPECT_EQ(requester->call(c.command, c.arg.empty() ? nullptr : &c.arg), KL_OK) << c.command;
    EXPECT_EQ(payload(c.request), c.sent == nullptr ? hexOf(c.arg) : c.sent) << c.command;
    EXPECT_EQ(requestCount("258/16"), resets + c.resets) << c.command;
    EXPECT_EQ(get(c.member), "ok " + std::to_string(c.value)) << c.command;
    if (c.line != nullptr) {
      EXPECT_TRUE(loggedLine(c.level, nameOf(c.command) + c.line)) << c.line;
    }
  }
  EXPECT_TRUE(
      loggedLine(UTIL_LOG_INFO, "Setting Resolution to enforce parameter correctness Mode:0 subMode:1"));
  EXPECT_EQ(call(KLCONTROL_MODE_SUB_MODE, words({1, 9})), KL_ERR_INVALID_PARAM);
  // The shortcuts reset and the capture delay change the preset: each inside one edit.
  EXPECT_EQ(requestCount("17/8"), 2);
  EXPECT_EQ(requestCount("17/10"), 2);
}

// Camera refusals pass through: a tag with nothing recording, a photo timer it lacks, a failed reset.
TEST_F(CaptureModeTest, CameraRefusalsPassThroughAndAnUnopenedEditResetsNothing) {
  EXPECT_EQ(requester->call(KLCONTROL_GLINT_TAG_RECORDING), KL_ERR_INVALID_PARAM);
  forgetLog();
  EXPECT_EQ(call(KLCONTROL_CAPTURE_DELAY, w(7)), KL_ERR_INVALID_PARAM);
  EXPECT_TRUE(loggedLine(UTIL_LOG_ERROR, "Command:66 returned klErrno:(-3=KL_ERR_INVALID_PARAM)"));
  control("fault 266/1 error -17");
  EXPECT_EQ(requester->call(KLCONTROL_ONSCREEN_SHORTCUTS_RESET), KL_ERR_ACCESS_DENIED);
  EXPECT_TRUE(loggedLine(UTIL_LOG_ERROR,
                         "KLCONTROL_ONSCREEN_SHORTCUTS_RESET klc_send_simple_remote_api error, -17\n"));
  EXPECT_EQ(requestCount("17/10"), 2);
  // An edit that cannot be opened resets nothing: only the edit's failure is logged.
  control("fault 17/8 error -17");
  forgetLog();
  EXPECT_EQ(requester->call(KLCONTROL_ONSCREEN_SHORTCUTS_RESET), KL_ERR);
  EXPECT_TRUE(loggedLine(UTIL_LOG_ERROR, "Failed to start preset edit!"));
  EXPECT_FALSE(loggedLineMatching(UTIL_LOG_ERROR, nameOf(KLCONTROL_ONSCREEN_SHORTCUTS_RESET) +
                                                      " klc_send_simple_remote_api error, -?\\d+\n"));
  EXPECT_EQ(requestCount("266/1"), 1);
}

// A legacy mode becomes the flat mode last selected, or its group's default when the status gives none.
TEST_F(CaptureModeTest, LegacyModeBecomesTheLastSelectedFlatModeOrItsDefault) {
  struct Legacy {
    const char* prep;
    uint32_t mode, sent;
    int32_t status;
    long resets;
    int level;
    const char* line;
  };
  const Legacy legacy[] = {
      {"set status.video_selected_flatmode 13", 0, 13, KL_OK, 1, UTIL_LOG_DEBUG,
       "Got mode :0, for model number 57 - updating mode to video_selected_flatmode 13"},
      {"set status.photo_selected_flatmode 17", 1, 17, KL_OK, 0, UTIL_LOG_DEBUG,
       "Got mode :1, for model number 57 - updating mode to photo_selected_flatmode 17"},
      {"set status.timelapse_selected_flatmode 21", 2, 21, KL_OK, 0, UTIL_LOG_DEBUG,
       "Got mode :2, for model number 57 - updating mode to timelapse_selected_flatmode 21"},
      {"fault 8/11 error -5", 1, 16, KL_OK, 0, UTIL_LOG_ERROR,
       "klc_send_remote_api_for_response error, -5, leaving mode as 1"},
      {"fault 8/11 nakoff", 0, 12, KL_OK, 1, UTIL_LOG_ERROR,
       "Camera status returning KL_ERR_NACK_OFF, skipping flatmode update"},
      {"fault 8/11 size 4", 2, 20, KL_OK, 0, UTIL_LOG_ERROR,
       "Got mode :2, for model number 57 - defaulting mode to timelapse photo"},
      {"fault clear", 7, 7, KL_ERR_INVALID_PARAM, 0, UTIL_LOG_DEBUG, "KLCONTROL_MODE: mode:7"},
      {"fault 258/16 error -104", 12, 12, KL_OK, 1, UTIL_LOG_DEBUG,
       "Setting Resolution to enforce parameter correctness Mode:12 subMode:0"},
      {"fault 258/16 error -5", 13, 13, KL_ERR_MQ_FAIL, 1, UTIL_LOG_ERROR,
       "Command:4 returned klErrno:(-5=KL_ERR_MQ_FAIL)"},
      {"fault 257/2 error -17", 12, 12, KL_ERR_ACCESS_DENIED, 0, UTIL_LOG_ERROR,
       "Command:4 returned klErrno:(-17=KL_ERR_ACCESS_DENIED)"},
      {"fault 256/1 error -1", 0, 0, KL_OK, 1, UTIL_LOG_ERROR,
       "Couldn't get model_number - no flat mode override"},
  };
  for (const Legacy& c : legacy) {
    control("reset-counts");
    _reset_model_number_cache();
    ASSERT_EQ(control(c.prep), "ok");
    forgetLog();
    EXPECT_EQ(call(KLCONTROL_MODE, w(c.mode)), c.status) << c.prep;
    EXPECT_EQ(payload("257/2"), hexOf(w(c.sent))) << c.prep;
    EXPECT_EQ(requestCount("258/16"), c.resets) << c.prep;
    EXPECT_TRUE(loggedLine(c.level, c.line)) << c.line;
  }
}

// A zoom phase is one edit, ended by the timer a period after the last zoom.
TEST_F(CaptureModeTest, ZoomPhaseIsOneEditEndedByTheTimer) {
  EXPECT_EQ(zoom(10), KL_OK);
  EXPECT_EQ(requestCount("17/8"), 1);
  const auto second = std::chrono::steady_clock::now();
  EXPECT_EQ(zoom(20), KL_OK);
  EXPECT_EQ(payload("257/6"), hexOf(w(20)));
  EXPECT_EQ(get("status.digital_zoom"), "ok 20");
  ASSERT_TRUE(waitUntil([&] { return requestCount("17/10") == 1; }));
  // Re-armed by the second zoom: the edit cannot have ended sooner than a full period after it.
  EXPECT_GE(std::chrono::steady_clock::now() - second, std::chrono::milliseconds(200));
  EXPECT_EQ(requestCount("17/8"), 1);
  // The phase is over: the next zoom opens a new edit.
  EXPECT_EQ(zoom(30), KL_OK);
  EXPECT_EQ(requestCount("17/8"), 2);
  ASSERT_TRUE(waitUntil([&] { return requestCount("17/10") == 2; }));
  // A refused edit sends no zoom; the zoom itself failing leaves the phase open, and the timer ends it.
  control("fault 17/8 error -3");
  forgetLog();
  EXPECT_EQ(zoom(41), KL_ERR);
  EXPECT_EQ(requestCount("257/6"), 3);
  EXPECT_TRUE(loggedLine(UTIL_LOG_ERROR, "Failed to start preset edit!"));
  control("fault 257/6 error -17");
  EXPECT_EQ(zoom(42), KL_ERR_ACCESS_DENIED);
  ASSERT_TRUE(waitUntil([&] { return requestCount("17/10") == 3; }));
  // In a broadcast flat mode the zoom opens no edit.
  set("settings.flat_mode", 23);
  EXPECT_EQ(zoom(40), KL_OK);
  EXPECT_EQ(payload("257/6"), hexOf(w(40)));
  EXPECT_EQ(requestCount("17/8"), 4);
}

// Mode commands end an open zoom phase; setting the zoom (91) keeps it.
TEST_F(CaptureModeTest, ModeCommandsAndOtherSettingsEndAnOpenZoomPhase) {
  // Any other setting (90) ends it first, then brackets its own edit. Command 67 takes a 16-bit mode:
  // 1002 loads the current preset of group 2.
  const struct {
    uint32_t command;
    Bytes arg;
    long editEnds;  // right after the command; 0: the phase is left to the timer
    int32_t status = KL_OK;
  } modeCommands[] = {{KLCONTROL_MODE, w(0), 1},
                      {KLCONTROL_MODE_SUB_MODE, words({1, 0}), 1},
                      {KLCONTROL_MODE_SET_MODE, {0xEA, 3}, 1},
                      {KLCONTROL_SET_SETTING_ID, words({90, 0}), 2, KL_ERR_NOT_SUPPORTED},
                      {KLCONTROL_SET_SETTING_ID, words({91, 40}), 0}};
  for (const auto& c : modeCommands) {
    set("settings.flat_mode", 12);
    control("reset-counts");
    EXPECT_EQ(zoom(50), KL_OK);
    EXPECT_EQ(requestCount("17/8"), 1);
    forgetLog();
    EXPECT_EQ(call(c.command, c.arg), c.status) << c.command;
    const std::string line = nameOf(c.command) + " change wile zoomin, you are an aggressive user";
    if (c.editEnds == 0) {
      EXPECT_TRUE(waitUntil([&] { return requestCount("17/10") == 1; }));
      EXPECT_FALSE(loggedLine(UTIL_LOG_ERROR, line));
      continue;
    }
    // Ended before the command's own change, not by the timer.
    EXPECT_EQ(requestCount("17/10"), c.editEnds) << c.command;
    EXPECT_TRUE(loggedLine(UTIL_LOG_ERROR, line)) << c.command;
  }
  // Command 67 loads nothing when the status block cannot be read.
  control("fault 8/11 error -9");
  forgetLog();
  EXPECT_EQ(call(KLCONTROL_MODE_SET_MODE, {12, 0}), -9);
  EXPECT_TRUE(loggedPlacedError("klc_send_remote_api_for_response error, -9", "klcontrol_preset_loader"));
  EXPECT_EQ(requestCount("17/12"), 0);
}

// Vantix resets restore the exposure of their family inside an edit.
TEST_F(CaptureModeTest, VantixResetsRestoreTheirFamilysExposureInsideAnEdit) {
  // Command, flat mode (read by command 68), reset request, the maximum ISO it restores.
  const std::tuple<uint32_t, int, const char*, const char*, long> resets[] = {
      {KLCONTROL_VIDEO_VANTIX_RESET, 12, "2/26", "settings@48:1", 1},
      {KLCONTROL_PHOTO_VANTIX_RESET, 12, "3/22", "settings@83:1", 4},
      {KLCONTROL_MULTI_VANTIX_RESET, 12, "4/26", "settings@127:1", 4},
      {KLCONTROL_VANTIX_RESET, 13, "258/1", "settings@48:1", 1},
      {KLCONTROL_VANTIX_RESET, 17, "259/1", "settings@83:1", 4},
      {KLCONTROL_VANTIX_RESET, 26, "260/1", "settings@127:1", 4},
  };
  long edits = 0;
  const Bytes ignored = {9};
  for (const auto& [command, flatMode, request, isoMax, reset] : resets) {
    set("settings.flat_mode", flatMode);
    set(isoMax, 6);
    EXPECT_EQ(requester->call(command, command == KLCONTROL_VANTIX_RESET ? &ignored : nullptr), KL_OK);
    EXPECT_EQ(requestCount(request), 1) << request;
    EXPECT_EQ(get(isoMax), "ok " + std::to_string(reset)) << request;
    EXPECT_EQ(requestCount("17/8"), ++edits);
    EXPECT_EQ(requestCount("17/10"), edits);
  }
  // A flat mode without manual exposure: an edit, no reset, success.
  set("settings.flat_mode", 5);
  forgetLog();
  EXPECT_EQ(requester->call(KLCONTROL_VANTIX_RESET), KL_OK);
  EXPECT_TRUE(loggedPlacedError("Flat mode 5, doesn't support vantix reset\\."));
  EXPECT_EQ(requestCount("17/10"), edits + 1);
  // Playback opens no edit: refused before anything is reset.
  set("settings.flat_mode", 4);
  EXPECT_EQ(requester->call(KLCONTROL_PHOTO_VANTIX_RESET), KL_ERR);
  EXPECT_EQ(requestCount("3/22"), 1);
  // Command 68 needs the whole settings block; a wrong size is no failure but resets nothing.
  control("fault 7/30 error -5");
  EXPECT_EQ(requester->call(KLCONTROL_VANTIX_RESET), KL_ERR_MQ_FAIL);
  control("fault 7/30 size 237");
  forgetLog();
  EXPECT_EQ(requester->call(KLCONTROL_VANTIX_RESET), KL_OK);
  EXPECT_TRUE(loggedPlacedError("klc_send_remote_api_for_response error, 0"));
  EXPECT_EQ(requestCount("17/10"), edits + 1);
}

}  // namespace
