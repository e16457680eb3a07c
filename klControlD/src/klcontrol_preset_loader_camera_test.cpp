// The preset loader against the simulated camera: the edit bracket, the title numbers of new presets, the
// model-dependent icon and loading the preset of a flat mode or group; what reaches the camera, what it
// answers, and what an injected fault leaves behind.
#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "klErrno.h"
#include "test_preset_camera.h"

namespace {

constexpr unsigned NO_ITERATOR = 0xFFFFFFFFu;
constexpr auto TIME_LAPSE_ICON = wsdk_commands::WSDK_PRESET_ICON_TIMELAPSE_PHOTO;

// Custom presets of two groups: title numbers with gaps, duplicates and other titles beside them.
void addCustomPresets(SimCamera& camera) {
  SimPresetStore& presets = camera.presets();
  for (uint32_t number : {0, 1, 3}) presets.addCustom(1, 17, 25, 20, number);
  for (uint32_t number : {1, 2}) presets.addCustom(1, 17, 25, 21, number);
  for (uint32_t number : {0, 0, 1}) presets.addCustom(1, 16, 26, 22, number);
  for (uint32_t number : {0, 1, 2}) presets.addCustom(2, 20, 20, 20, number);
}

struct LoadCase {
  int mode;
  const char* loaded;  // payload of the load request, or null when none may be sent
};

// Runs the loads in order (a load changes the camera's current presets) and checks what reached it.
class PresetLoadTest : public PresetCameraTest {
 protected:
  void expectLoads(const std::vector<LoadCase>& loads) {
    for (const LoadCase& c : loads) {
      control("reset-counts");
      EXPECT_EQ(LoadPresetFromMode(c.mode), c.loaded == nullptr ? KL_ERR : KL_OK) << c.mode;
      EXPECT_EQ(requestCount("17/12"), c.loaded == nullptr ? 0 : 1) << c.mode;
      if (c.loaded != nullptr) {
        EXPECT_EQ(payload("17/12"), c.loaded) << c.mode;
      }
    }
  }
};

// A new preset takes the first free number of its title in its group, read from the whole list.
TEST_F(PresetCameraTest, TitleNumbersAreTheFirstFreeAndFailedListsGiveNone) {
  start(addCustomPresets);
  // Group, title, next number. Group 1 also holds the four factory photo presets, titles 3, 13, 5 and 6,
  // each numbered 0.
  const std::tuple<unsigned char, unsigned, unsigned> cases[] = {
      {1, 20, 2}, {1, 21, 0}, {1, 22, 2}, {2, 20, 3}, {1, 23, 0}, {6, 20, 0}, {1, 3, 1}};
  for (const auto& [group, title, expected] : cases)
    EXPECT_EQ(GetNextPresetIterator(group, title), expected) << int(group) << "/" << title;
  EXPECT_EQ(payload("17/1"), "01");
  control("reset-counts");
  GetNextPresetIterator(1, 20);
  EXPECT_EQ(requestCount("17/1"), 1);
  EXPECT_EQ(requestCount("17/2"), 12);
  // Failures late in the list, after three good records, give no partial result.
  const std::pair<const char*, int> listFailures[] = {{"fault 17/1 error -5", -5},
                                                      {"fault 17/1 size 0", 0},
                                                      {"fault 17/2 size 80", 0},
                                                      {"fault 17/2 size 82", 0},
                                                      {"fault 17/2 error -7", -7}};
  for (const auto& [fault, rc] : listFailures) {
    control("fault clear");
    control("fault 17/2 size 81 3");
    control(fault);
    forgetLog();
    EXPECT_EQ(GetNextPresetIterator(1, 20), NO_ITERATOR) << fault;
    const std::string line = "klc_send_remote_api_payload_response error, " + std::to_string(rc) + "\n";
    EXPECT_TRUE(loggedLine(UTIL_LOG_ERROR, line, "klcontrol_preset_loader")) << fault;
  }
}

// Edit-free settings, playback and an unreadable flat mode never reach the camera.
TEST_F(PresetCameraTest, TheEditBracketReachesTheCameraOnlyForEditablePresets) {
  start(addCustomPresets);
  control("reset-counts");
  EXPECT_TRUE(PresetStartEdit(88));
  EXPECT_TRUE(PresetEndEdit(88));
  control("set settings.flat_mode 4");
  EXPECT_FALSE(PresetStartEdit(-1));
  EXPECT_FALSE(PresetStartEdit(88));
  control("set settings.flat_mode 12");
  control("fault 0x101/4 error -1");
  EXPECT_FALSE(PresetStartEdit(2));
  EXPECT_EQ(requestCount("17/8"), 0);
  EXPECT_EQ(requestCount("17/10"), 0);
  EXPECT_EQ(requestCount("8/11"), 0);
  // An edit of the active preset marks it edited; a refusal of either end is reported and logged.
  control("fault clear");
  forgetLog();
  ASSERT_TRUE(PresetStartEdit(2));
  EXPECT_EQ(payload("17/8"), "01000000");
  EXPECT_TRUE(loggedLine(UTIL_LOG_DEBUG, "------Current flatmode is 12"));
  ASSERT_TRUE(PresetEndEdit(2));
  EXPECT_EQ(control("preset 1"), "ok edited=1");
  control("set settings.flat_mode 17");
  ASSERT_TRUE(PresetStartEdit(-1));
  EXPECT_EQ(payload("17/8"), "01000100");
  control("fault 17/8 error -7");
  forgetLog();
  EXPECT_FALSE(PresetStartEdit(2));
  EXPECT_TRUE(loggedLine(UTIL_LOG_ERROR, "klc_send_remote_api_payload error, -7\n"));
  control("fault 17/10 error -6");
  EXPECT_FALSE(PresetEndEdit(-1));
  EXPECT_TRUE(loggedLine(UTIL_LOG_ERROR, "klc_send_simple_remote_api error, -6\n"));
  EXPECT_EQ(requestCount("17/10"), 2);
}

// A load whose status or model read fails, or that the camera refuses, loads nothing.
TEST_F(PresetCameraTest, FailedReadsAndRefusedLoadsLoadNothing) {
  start(addCustomPresets);
  struct Failure {
    const char* fault;
    int rc, level;
    const char* line;
  };
  const Failure failures[] = {
      {"fault 8/11 nakoff", KL_ERR, UTIL_LOG_DEBUG, "Camera status returning KL_ERR_NACK_OFF\n"},
      {"fault 8/11 size 100", KL_ERR, UTIL_LOG_ERROR,
       "ASSERT ERROR - status_all size does not match rsp size=100"},
      {"fault 8/11 size 0", KL_ERR, UTIL_LOG_ERROR,
       "ASSERT ERROR - status_all size does not match rsp size=0"},
      {"fault 0x100/1 error -4", -4, UTIL_LOG_ERROR,
       "Could not get camera model number in load preset from mode"},
  };
  for (const Failure& c : failures) {
    _reset_model_number_cache();
    control("reset-counts");
    control(c.fault);
    forgetLog();
    EXPECT_EQ(LoadPresetFromMode(12), c.rc) << c.fault;
    EXPECT_TRUE(loggedLine(c.level, c.line, "klcontrol_preset_loader")) << c.fault;
    EXPECT_EQ(requestCount("17/12"), 0) << c.fault;
  }
  control("fault 17/12 error -6");
  EXPECT_EQ(LoadPresetFromMode(24), -6);
  EXPECT_EQ(control("get status.timelapse_preset_id"), "ok 131073");
}

// Groups load their current presets; flat modes a default preset, a fixed one or none.
TEST_F(PresetLoadTest, GroupsAndFlatModesLoadTheirPresets) {
  start(addCustomPresets);
  const std::vector<LoadCase> groups = {{1000, "01000000"}, {1003, "01000000"}, {1001, "01000100"},
                                        {1004, "01000100"}, {1002, "01000200"}, {1005, "01000200"},
                                        {1006, nullptr},    {1010, nullptr},    {1011, nullptr}};
  forgetLog();
  expectLoads(groups);
  EXPECT_TRUE(loggedLine(UTIL_LOG_DEBUG, "Found preset 0 and is 0", "klcontrol_preset_loader"));
  expectLoads({{12, "00000000"}, {17, "00000100"}, {13, "01000200"}, {24, "00000200"}, {27, "03000000"}});
  expectLoads({{14, nullptr}});
  EXPECT_EQ(control("get status.video_preset_id"), "ok 3");
  // In a dual-lens group the default video and photo presets are the dual-lens ones.
  control("set status.active_preset_group 3");
  expectLoads({{12, "00000300"}, {17, "00000400"}, {13, "01000200"}, {12, "00000000"}});
}

// Model 51 lacks some of the fixed presets and numbers the time-lapse photo icon otherwise.
TEST_F(PresetLoadTest, Model51LoadsAndNumbersIconsItsOwnWay) {
  start(addCustomPresets);
  EXPECT_EQ(MapWSDKIconToFW(TIME_LAPSE_ICON), FW_PRESET_ICON_TIMELAPSE);
  control("model 51");
  _reset_model_number_cache();
  expectLoads({{13, nullptr}, {27, nullptr}, {12, "00000000"}, {24, "00000200"}});
  EXPECT_EQ(MapWSDKIconToFW(TIME_LAPSE_ICON), FW_PRESET_ICON_TIMELAPSE_2);
  _reset_model_number_cache();
  control("fault 0x100/1 error -1");
  forgetLog();
  EXPECT_EQ(MapWSDKIconToFW(TIME_LAPSE_ICON), FW_PRESET_ICON_TIMELAPSE);
  EXPECT_TRUE(
      loggedLine(UTIL_LOG_ERROR,
                 "Could not get camera model number for MapWSDKIconToFW returning FW_PRESET_ICON_TIMELAPSE",
                 "klcontrol_preset_loader"));
}

}  // namespace
