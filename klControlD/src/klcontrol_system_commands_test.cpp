// System commands against the simulated camera: what reaches the camera, what it does, what the
// client gets back, and refused arguments that never reach it.
#include <gtest/gtest.h>

#include "klErrno.h"
#include "test_command_bytes.h"
#include "test_server_fixture.h"

namespace {

using Bytes = std::vector<uint8_t>;

const Bytes kOne = {1};

TEST_F(ServerTest, SystemByteRequestsReachTheCameraAndChangeIt) {
  struct Case {
    uint32_t command;
    const Bytes* arg;
    const char* request;
    const char* payload;
    const char* member;
    const char* value;
    const char* line;
  };
  const Case cases[] = {
      {37, &kOne, "8/13", "ok 01", "system.locate", "ok 1", "KLCONTROL_LOCATE: onOff:1"},
      {96, &kOne, "8/44", "ok 01", "system.wired_usb_control", "ok 1", "KLCONTROL_SET_WIRED_USB_CONTROL: 1"},
      {90, &kOne, "8/30", "ok 01", "status.in_contextual_menu", "ok 1",
       "KLCONTROL_SET_IN_CONTEXTUAL_MENU: 1"},
      {92, &kOne, "8/40", "ok 01", "system.camera_control", "ok 1", "KLCONTROL_SET_CAMERA_CONTROL_STATUS: 1"},
      {13, nullptr, "0x109/1", "ok ", "system.fw_update_state", "ok 1", "KLCONTROL_FW_UPDATE_START:"},
      // Last: off, then asleep (the camera takes 8/2 in any power state).
      {35, nullptr, "8/2", "ok 01", "system.power_state", "ok 2", "KLCONTROL_SYSTEM_SHUTDOWN:"},
      {36, nullptr, "8/2", "ok 00", "system.power_state", "ok 1", "KLCONTROL_SYSTEM_SLEEP:"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(requester->call(c.command, c.arg), KL_OK) << c.command;
    EXPECT_EQ(control(std::string("payload ") + c.request), c.payload) << c.command;
    EXPECT_EQ(control(std::string("get ") + c.member), c.value) << c.command;
    EXPECT_TRUE(logged(c.line)) << c.line;
  }
}

TEST_F(ServerTest, FirmwareUpdateHandOff) {
  const Bytes five = {5};
  const Bytes zero = {0};
  EXPECT_EQ(requester->call(14), KL_ERR_INVALID_PARAM);  // the camera has no download to cancel
  ASSERT_EQ(requester->call(13), KL_OK);
  ASSERT_EQ(requester->call(15, &five), KL_OK);
  EXPECT_EQ(control("payload 0x109/3"), "ok 01");
  EXPECT_EQ(control("get system.fw_update_state"), "ok 2");
  ASSERT_EQ(requester->call(13), KL_OK);
  ASSERT_EQ(requester->call(15, &zero), KL_OK);
  EXPECT_EQ(control("payload 0x109/3"), "ok 00");
  EXPECT_EQ(control("get system.fw_update_state"), "ok 3");
  ASSERT_EQ(requester->call(13), KL_OK);
  EXPECT_EQ(requester->call(14), KL_OK);
  EXPECT_EQ(control("get system.fw_update_state"), "ok 0");
}

TEST_F(ServerTest, FactoryResetBringsBackTheFactoryState) {
  const Bytes type = {2};
  control("set status.battery_percent 5");
  ASSERT_EQ(requester->call(37, &kOne), KL_OK);
  ASSERT_EQ(requester->call(38, &type), KL_OK);
  EXPECT_EQ(control("payload 8/4"), "ok 02");
  EXPECT_EQ(control("get status.battery_percent"), "ok 100");
  EXPECT_EQ(control("get system.locate"), "ok 0");
  EXPECT_TRUE(logged("KLCONTROL_FACTORY_RESET: resetType:2"));
}

TEST_F(ServerTest, AnalyticsFileNameAndClear) {
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

TEST_F(ServerTest, CameraControlStatusHandsControlBackWhileTheCameraHasIt) {
  struct Case {
    const char* cameraHasControl;
    const char* statusFault;
    uint8_t requested;
    const char* sent;
  };
  const Case cases[] = {
      {"1", nullptr, 0, "ok 02"},
      {"1", nullptr, 1, "ok 01"},
      {"0", nullptr, 0, "ok 00"},
      {"1", "fault 8/11 error -1", 0, "ok 00"},
      {"1", "fault 8/11 size 200", 0, "ok 00"},  // too short to hold the byte
  };
  for (const Case& c : cases) {
    control(std::string("set status.camera_control_status ") + c.cameraHasControl);
    if (c.statusFault != nullptr) control(c.statusFault);
    const Bytes arg = {c.requested};
    EXPECT_EQ(requester->call(92, &arg), KL_OK);
    EXPECT_EQ(control("payload 8/40"), c.sent) << c.cameraHasControl << " " << int(c.requested);
  }
  EXPECT_TRUE(logged("Unable to check if camera has control, for camera_control_status request[0]"));
}

TEST_F(ServerTest, RemoteApiAnswersZeroWhateverItHolds) {
  const Bytes junk = {0xFF, 0x00, 0x13};
  control("reset-counts");
  EXPECT_EQ(requester->call(41), KL_OK);
  EXPECT_EQ(requester->call(41, &junk), KL_OK);
  EXPECT_EQ(control("counts"), "ok malformed=0");
}

TEST_F(ServerTest, LogLevelChangesLaterLinesAndIgnoresSevenAndAbove) {
  const Bytes debug = {4, 0, 0, 0};
  const Bytes error = {2, 0, 0, 0};
  EXPECT_EQ(requester->call(42, &debug), KL_OK);
  EXPECT_EQ(g_logLevel, UTIL_LOG_DEBUG);
  for (uint8_t level : {7, 9}) {
    const Bytes arg = {level, 0, 0, 0};
    EXPECT_EQ(requester->call(42, &arg), KL_OK);
    EXPECT_EQ(g_logLevel, UTIL_LOG_DEBUG) << int(level);
  }
  EXPECT_TRUE(logged("KLCONTROL_SET_LOG_LEVEL: level:9"));
  EXPECT_EQ(requester->call(42, &error), KL_OK);
  EXPECT_EQ(requester->call(37, &kOne), KL_OK);
  sync();
  EXPECT_FALSE(loggedSoFar("KLCONTROL_LOCATE"));
}

}  // namespace
