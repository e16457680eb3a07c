// Loading the preset of a flat mode or group, and presets built from the camera's own records, against
// the simulated camera.
#include <gtest/gtest.h>

#include "klErrno.h"
#include "test_preset_camera.h"

namespace {

struct LoadCase {
  int mode;
  const char* loaded;  // payload of the load request, or null when none may be sent
};

class PresetLoadTest : public PresetCameraTest {
 protected:
  // Runs the cases in order (a load changes the camera's current presets) and checks what reached it.
  template <size_t N>
  void expect(const LoadCase (&cases)[N]) {
    for (const LoadCase& c : cases) {
      control("reset-counts");
      const int rc = LoadPresetFromMode(c.mode);
      if (c.loaded == nullptr) {
        EXPECT_EQ(rc, KL_ERR) << c.mode;
        EXPECT_EQ(requestCount("17/12"), 0) << c.mode;
        continue;
      }
      EXPECT_EQ(rc, KL_OK) << c.mode;
      EXPECT_EQ(payload("17/12"), c.loaded) << c.mode;
    }
  }
};

// A default preset, a fixed one, a mode without one; model 51 lacks some of the fixed ones.
TEST_F(PresetLoadTest, FlatModesLoadTheirFactoryPresetsDualLensOnesInDualLensGroups) {
  start();
  const LoadCase cases[] = {{12, "00000000"}, {17, "00000100"}, {13, "01000200"},
                            {24, "00000200"}, {27, "03000000"}, {14, nullptr}};
  expect(cases);
  EXPECT_EQ(control("get status.video_preset_id"), "ok 3");
  // In a dual-lens group the default video and photo presets are the dual-lens ones.
  control("set status.active_preset_group 3");
  const LoadCase dualLens[] = {{12, "00000300"}, {17, "00000400"}, {13, "01000200"}, {12, "00000000"}};
  expect(dualLens);
  control("model 51");
  _reset_model_number_cache();
  const LoadCase model51[] = {{13, nullptr}, {27, nullptr}, {12, "00000000"}, {24, "00000200"}};
  expect(model51);
}

TEST_F(PresetLoadTest, GroupsLoadTheirCurrentPresets) {
  start();
  const LoadCase cases[] = {{1000, "01000000"}, {1003, "01000000"}, {1001, "01000100"},
                            {1004, "01000100"}, {1002, "01000200"}, {1005, "01000200"},
                            {1006, nullptr},    {1010, nullptr},    {1011, nullptr}};
  forgetLog();
  expect(cases);
  EXPECT_TRUE(loggedLine(UTIL_LOG_DEBUG, "Found preset 0 and is 0", "klcontrol_preset_loader"));
}

TEST_F(PresetLoadTest, FailuresLoadNothing) {
  start();
  struct Case {
    const char* fault;
    int rc, level;  // level -1: the line carries its own source place, matched up to its number
    const char* line;
  };
  const Case cases[] = {
      {"fault 8/11 nakoff", KL_ERR, UTIL_LOG_DEBUG, "Camera status returning KL_ERR_NACK_OFF\n"},
      {"fault 8/11 size 100", KL_ERR, UTIL_LOG_ERROR,
       "ASSERT ERROR - status_all size does not match rsp size=100"},
      {"fault 8/11 size 0", KL_ERR, UTIL_LOG_ERROR,
       "ASSERT ERROR - status_all size does not match rsp size=0"},
      {"fault 8/11 error -9", -9, -1,
       "klc_send_remote_api_for_response error, -9 @ klControlD/src/klcontrol_preset_loader:"},
      {"fault 0x100/1 error -4", -4, UTIL_LOG_ERROR,
       "Could not get camera model number in load preset from mode"},
  };
  for (const Case& c : cases) {
    _reset_model_number_cache();
    control("reset-counts");
    control(c.fault);
    forgetLog();
    EXPECT_EQ(LoadPresetFromMode(12), c.rc) << c.fault;
    EXPECT_TRUE(c.level < 0 ? logged(c.line) : loggedLine(c.level, c.line, "klcontrol_preset_loader"))
        << c.fault;
    EXPECT_EQ(requestCount("17/12"), 0) << c.fault;
  }
  control("fault 17/12 error -6");
  EXPECT_EQ(LoadPresetFromMode(24), -6);
  EXPECT_EQ(control("get status.timelapse_preset_id"), "ok 131073");
}

// The default context reads the camera's model and the server's lens mode: model 51 in lens mode 1
// leaves out the lens of a video preset.
TEST_F(PresetCameraTest, CameraRecordsBuildWithTheCamerasModelAndLensMode) {
  start([](SimCamera& camera) {
    camera.switchModel(51);
    camera.write(SimBlock::SYSTEM, offsetof(sim_system_values, lens_mode), 1, 1);
  });
  appc_presets_settings_info info{};
  ASSERT_TRUE(cameraRecord(0, info));
  wsdk_commands::WSDK_Preset preset;
  populatePresetInfo(&info, preset, server->cameraInfoHandler());
  std::vector<int> ids;
  for (const auto& setting : preset.setting_array()) ids.push_back(setting.id());
  EXPECT_EQ(ids, (std::vector<int>{2, 3}));
}

}  // namespace
