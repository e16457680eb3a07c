// System commands against the simulated camera: what reaches the camera, what it does, what the
// client gets back.
#include <gtest/gtest.h>

#include <tuple>

#include "klErrno.h"
#include "test_command_bytes.h"
#include "test_server_fixture.h"

namespace {

using Bytes = std::vector<uint8_t>;

const Bytes kOne = {1};

// Analytics: a clear moves to the next file; a camera error leaves no name.
TEST_F(ServerTest, AnalyticsNameMovesOnWhenClearedAndIsEmptyOnError) {
  TestAnswer answer = requester->ask(39);
  EXPECT_EQ(answer.status, KL_OK);
  EXPECT_EQ(answer.payload, textArg("/tmp/fuse_d/MISC/analytics_0000.bin"));
  ASSERT_EQ(requester->call(40), KL_OK);
  EXPECT_EQ(requester->ask(39).payload, textArg("/tmp/fuse_d/MISC/analytics_0001.bin"));
  control("fault 8/21 error -17");
  answer = requester->ask(39);
  EXPECT_EQ(answer.status, KL_ERR_ACCESS_DENIED);
  EXPECT_TRUE(answer.payload.empty());
}

// A client not in control while the camera is hands control back (2); a client in control follows.
TEST_F(ServerTest, ControlStatusHandsControlBackWhileTheCameraHasIt) {
  // Rows: whether the camera has control, a fault of its status, the status requested and the one sent.
  const std::tuple<const char*, const char*, uint8_t, const char*> cases[] = {
      {"1", nullptr, 0, "ok 02"},
      {"1", nullptr, 1, "ok 01"},
      {"0", nullptr, 0, "ok 00"},
      {"1", "fault 8/11 error -1", 0, "ok 00"}};
  for (const auto& [cameraHasControl, statusFault, requested, sent] : cases) {
    control(std::string("set status.camera_control_status ") + cameraHasControl);
    if (statusFault != nullptr) control(statusFault);
    const Bytes arg = {requested};
    EXPECT_EQ(requester->call(92, &arg), KL_OK);
    EXPECT_EQ(control("payload 8/40"), sent) << cameraHasControl << " " << int(requested);
  }
  EXPECT_TRUE(loggedLine(UTIL_LOG_ERROR,
                         "Unable to check if camera has control, for camera_control_status request[0]\n"));
}

// The firmware hand-off, the byte requests, a factory reset, off and asleep (8/2 in any power state).
TEST_F(ServerTest, SystemCommandsReachTheCameraAndChangeIt) {
  struct Step {
    uint32_t command;
    Bytes arg;
    int32_t status;
    const char* line;
    const char* request = "";
    const char* payload = "";
    const char* member = "";
    const char* value = "";
  };
  // An empty argument is none; an empty request or member is not checked.
  const char* const fw = "system.fw_update_state";
  const Step steps[] = {
      {14, {}, KL_ERR_INVALID_PARAM, "KLCONTROL_FW_UPDATE_CANCEL:"},  // no download to cancel
      {13, {}, KL_OK, "KLCONTROL_FW_UPDATE_START:", "0x109/1", "ok ", fw, "ok 1"},
      {15, {5}, KL_OK, "KLCONTROL_FW_UPDATE_DONE:", "0x109/3", "ok 01", fw, "ok 2"},
      {13, {}, KL_OK, "KLCONTROL_FW_UPDATE_START:"},
      {15, {0}, KL_OK, "KLCONTROL_FW_UPDATE_DONE:", "0x109/3", "ok 00", fw, "ok 3"},
      {13, {}, KL_OK, "KLCONTROL_FW_UPDATE_START:"},
      {14, {}, KL_OK, "KLCONTROL_FW_UPDATE_CANCEL:", "", "", fw, "ok 0"},
      {37, kOne, KL_OK, "KLCONTROL_LOCATE: onOff:1", "8/13", "ok 01", "system.locate", "ok 1"},
      {96, kOne, KL_OK, "KLCONTROL_SET_WIRED_USB_CONTROL: 1\n", "8/44", "ok 01", "system.wired_usb_control",
       "ok 1"},
      {90, kOne, KL_OK, "KLCONTROL_SET_IN_CONTEXTUAL_MENU: 1", "8/30", "ok 01", "status.in_contextual_menu",
       "ok 1"},
      {92, kOne, KL_OK, "KLCONTROL_SET_CAMERA_CONTROL_STATUS: 1\n", "8/40", "ok 01", "system.camera_control",
       "ok 1"},
      {38, {2}, KL_OK, "KLCONTROL_FACTORY_RESET: resetType:2", "8/4", "ok 02", "system.locate", "ok 0"},
      {35, {}, KL_OK, "KLCONTROL_SYSTEM_SHUTDOWN:", "8/2", "ok 01", "system.power_state", "ok 2"},
      {36, {}, KL_OK, "KLCONTROL_SYSTEM_SLEEP:", "8/2", "ok 00", "system.power_state", "ok 1"},
  };
  const auto unlessEmpty = [this](const char* verb, const char* what) {
    return *what == '\0' ? std::string() : control(verb + std::string(what));
  };
  for (const Step& s : steps) {
    forgetLog();
    EXPECT_EQ(requester->call(s.command, s.arg.empty() ? nullptr : &s.arg), s.status) << s.line;
    EXPECT_TRUE(loggedLine(UTIL_LOG_DEBUG, s.line)) << s.line;
    EXPECT_EQ(unlessEmpty("payload ", s.request), s.payload) << s.line;
    EXPECT_EQ(unlessEmpty("get ", s.member), s.value) << s.line;
  }
}

// Later lines go by the new log level; seven and above are ignored.
TEST_F(ServerTest, LogLevelCommandSetsTheLevelOfLaterLines) {
  const int debug = UTIL_LOG_DEBUG;
  const std::pair<uint32_t, int> levels[] = {{4, debug}, {7, debug}, {2, UTIL_LOG_ERROR}};
  for (const auto& [level, after] : levels) {
    const Bytes arg = words({level});
    forgetLog();
    EXPECT_EQ(requester->call(42, &arg), KL_OK);
    EXPECT_EQ(g_logLevel, after) << level;
    EXPECT_TRUE(loggedLine(UTIL_LOG_DEBUG, "KLCONTROL_SET_LOG_LEVEL: level:" + std::to_string(level)))
        << level;
  }
  EXPECT_EQ(requester->call(36), KL_OK);
  sync();
  EXPECT_FALSE(loggedLine(UTIL_LOG_DEBUG, "KLCONTROL_SYSTEM_SLEEP:"));
}

}  // namespace
