// Live-view, voice and button commands against the simulated camera: the requests and payloads that
// reach it, what it does, and the refusals that never reach it.
#include <gtest/gtest.h>

#include <tuple>

#include "klErrno.h"
#include "test_command_bytes.h"
#include "test_server_fixture.h"

namespace {

using Bytes = std::vector<uint8_t>;

TEST_F(ServerTest, VoiceCommandsDriveTheCamera) {
  // Command, request, line, and a member of the camera with its value afterwards.
  const std::tuple<uint32_t, const char*, const char*, const char*, const char*> cases[] = {
      {52, "15/0", "Voice Photo Take:", "status.photo_count", "ok 1"},
      {53, "15/1", "Voice Video Start:", "status.encoding", "ok 1"},
      {58, "15/6", "Voice Tag:", "system.voice_tags", "ok 1"},
      {54, "15/2", "Voice Video Stop:", "status.video_count", "ok 1"},
      {55, "15/3", "Voice Timelapse Start:", "settings.flat_mode", "ok 20"},
      {56, "15/4", "Voice Timelapse_Stop:", "status.photo_count", "ok 2"},
      {57, "15/5", "Voice Burst Take:", "settings.flat_mode", "ok 19"},
      {62, "15/10", "Voice Edit My Story:", "status.photo_count", "ok 12"},  // the burst took ten
  };
  for (const auto& [command, request, line, member, value] : cases) {
    forgetLog();
    EXPECT_EQ(requester->call(command), KL_OK) << command;
    EXPECT_EQ(requestCount(request), 1) << command;
    EXPECT_EQ(control(std::string("get ") + member), value) << command;
    EXPECT_TRUE(loggedLine(UTIL_LOG_DEBUG, line)) << line;
  }
  const Bytes photo = {1};
  EXPECT_EQ(requester->call(59, &photo), KL_OK);
  EXPECT_EQ(control("payload 15/9"), "ok 01");
  EXPECT_EQ(control("get settings.flat_mode"), "ok 16");
  // The camera's own refusals and errors are the answer.
  EXPECT_EQ(requester->call(54), KL_ERR_INVALID_PARAM);  // nothing is recording
  control("fault 15/0 error -17");
  EXPECT_EQ(requester->call(52), KL_ERR_ACCESS_DENIED);
  EXPECT_EQ(control("get status.photo_count"), "ok 12");
}

struct LiveviewCase {
  uint32_t mode, x, y, lens;
  int orientation;  // status.orientation; 2 hangs the camera upside down
  int32_t status;
  const char* sent;  // payload of 13/0, or null when none may be sent
  const char* line;
  const char* fault = nullptr;  // armed on the camera first
  int level = UTIL_LOG_ERROR;   // of the line
};

class LiveviewTest : public ServerTest {
 protected:
  // Sends the point with the camera hanging as the case says; checks the answer and the payload.
  void expectLiveview(const LiveviewCase& c) {
    control("set status.orientation " + std::to_string(c.orientation));
    control("reset-counts");
    if (c.fault != nullptr) control(c.fault);
    forgetLog();
    const Bytes arg = words({c.mode, c.x, c.y, c.lens});
    EXPECT_EQ(requester->call(51, &arg), c.status) << c.mode << "," << c.x << "," << c.y;
    EXPECT_EQ(control("payload 13/0"), c.sent != nullptr ? c.sent : "error no request 13/0 seen") << c.line;
    EXPECT_TRUE(loggedLine(c.level, c.line)) << c.line;
  }
};

TEST_F(LiveviewTest, LiveviewPointOnASingleLensCamera) {
  const char* const noOrientation = "Failed to get stream orientation vis REMOTE_API";
  const int dbg = UTIL_LOG_DEBUG;
  const LiveviewCase cases[] = {
      {1, 30, 40, 9, 0, KL_OK, "ok 001e28ff", "KLCONTROL_LIVEVIEW_MODE_SET: 1", nullptr, dbg},
      {2, 30, 40, 0, 2, KL_OK, "ok 01463cff",
       "Translating select pos because stream is inverted (30 -> 70, 40 -> 60", nullptr, dbg},
      {2, 101, 40, 0, 0, KL_ERR, nullptr, "Invalid coords x:101 y:40"},
      {3, 30, 40, 1, 0, KL_ERR_INVALID_PARAM, nullptr, "Invalid exposure mode 3 in lens_mode[0]"},
      // The point goes out as it is when the stream's orientation cannot be read.
      {1, 30, 40, 0, 2, KL_OK, "ok 001e28ff", noOrientation, "fault 10/14 error -1"},
      {1, 30, 40, 0, 2, KL_OK, "ok 001e28ff", noOrientation, "fault 10/14 size 2"},
      {1, 30, 40, 0, 2, KL_OK, "ok 001e28ff", noOrientation, "fault 10/14 size 0"},
  };
  for (const LiveviewCase& c : cases) expectLiveview(c);
  EXPECT_EQ(control("get system.liveview_x"), "ok 30");
  const Bytes off = words({0, 0, 0, 0});
  EXPECT_EQ(requester->call(51, &off), KL_OK);
  EXPECT_EQ(requestCount("13/2"), 1);
  EXPECT_EQ(control("get system.liveview_selected"), "ok 0");
}

// A dual-lens camera (model 51) in lens mode 1, known to the daemon from its start.
class DualLensServerTest : public LiveviewTest {
 protected:
  DualLensServerTest() { cameraSetup = {"model 51", "set system.lens_mode 1", "set system.lens 1"}; }
};

TEST_F(DualLensServerTest, LiveviewPointOnADualLensCamera) {
  const LiveviewCase cases[] = {
      {3, 30, 40, 0x107, 0, KL_OK, "ok 031e2807", "KLCONTROL_LIVEVIEW_MODE_SET: 3", nullptr, UTIL_LOG_DEBUG},
      {1, 30, 40, 0, 0, KL_ERR_INVALID_PARAM, nullptr, "Invalid exposure mode 1 in lens_mode[1]"},
  };
  for (const LiveviewCase& c : cases) expectLiveview(c);
}

// Command 88: a button type and its raw value, whose low four bits are the state.
TEST_F(ServerTest, ButtonTypesSendTheirRequests) {
  struct Case {
    uint32_t type, raw;
    int32_t status;
    const char* request;
    const char* sent;                     // payload of the request, or null when none may be sent
    std::string line = "";                // logged by the command, when not empty
    int level = UTIL_LOG_ERROR;           // of the line
    std::vector<std::string> setup = {};  // control commands run first
  };
  const char* const button = "0x105/4";
  const char* const shutter = "0x101/1";
  const char* const load = "17/12";
  const std::string group = "set status.active_preset_group ";
  const int err = UTIL_LOG_ERROR;
  const int dbg = UTIL_LOG_DEBUG;
  const int32_t bad = KL_ERR_INVALID_PARAM;
  const std::string mode = "MULTI_CAM_MODE_TYPE[02] active: video preset[1]  photo preset[65537] ";
  const Case cases[] = {
      {1, 0x11, KL_OK, button, "ok 0002", "KLCONTROL_SYSTEM_BUTTON_SET: button type:0  button state:2", dbg},
      {1, 0x10, KL_OK, button, "ok 0003"},
      {0, 0x01, KL_OK, button, "ok 0103"},
      {2, 0x21, KL_OK, button, "ok 0203"},
      {1, 0x02, bad, button, nullptr, "Invalid button state:2"},
      {18, 0x00, KL_OK, button, nullptr},
      {3, 0x00, bad, button, nullptr, "Invalid button type:3"},
      {16, 0x10, KL_OK, shutter, "ok 01"},
      {16, 0x01, KL_OK, shutter, "ok 00"},
      {16, 0x02, bad, shutter, nullptr},
      {17, 0, KL_OK, load, "ok 01000000"},
      {17, 1, KL_OK, load, "ok 01000100"},
      {17, 2, KL_OK, load, "ok 01000200", mode + "time_lapse preset[131073] presets_group[1]", dbg},
      {17, 3, KL_OK, load, "ok 01000100", "", err, {group + "4"}},
      {17, 3, KL_OK, load, "ok 01000000", "", err, {group + "10", "set system.mix_preset 1"}},
      {17, 3, bad, load, nullptr, "Group_id[6] was not found for Multi-Cam Mix", err, {group + "6"}},
      {17, 4, bad, load, nullptr, "Invalid mode:4 button type:17"},
      {17, 0, KL_ERR_NAK_OFF, load, nullptr, "", err, {"fault 8/11 nakoff"}},
      {17, 0, KL_ERR, load, nullptr, "Could not get status, -17\n", err, {"fault 8/11 error -17"}},
      {17, 3, KL_ERR, load, nullptr, "", err, {"fault 7/10 error -17"}},
      // The reply ends inside the photo preset.
      {17, 1, KL_OK, load, "ok 01000000", "", err, {"fault 8/11 size 12"}},
      {17, 3, KL_ERR_ACCESS_DENIED, load, nullptr, "", err, {group + "10", "fault 17/25 error -17"}},
  };
  for (const Case& c : cases) {
    control("reset-counts");
    for (const std::string& line : c.setup) control(line);
    const std::string label = std::to_string(c.type) + "/" + std::to_string(c.raw);
    forgetLog();
    const Bytes arg = words({c.type, c.raw});
    EXPECT_EQ(requester->call(88, &arg), c.status) << label;
    const std::string none = std::string("error no request ") + c.request + " seen";
    EXPECT_EQ(control(std::string("payload ") + c.request), c.sent != nullptr ? c.sent : none) << label;
    EXPECT_TRUE(c.line.empty() || loggedLine(c.level, c.line)) << label;
  }
  EXPECT_EQ(control("get system.button_presses"), "ok 4");
}

}  // namespace
