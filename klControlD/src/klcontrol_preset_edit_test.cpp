// The edit bracket, the title numbers of new presets and the model-dependent icon, against the
// simulated camera: what reaches it, what it answers, and what an injected fault leaves behind.
#include <gtest/gtest.h>

#include <tuple>

#include "klErrno.h"
#include "test_preset_camera.h"

namespace {

constexpr unsigned NO_ITERATOR = 0xFFFFFFFFu;

// Custom presets of two groups: title numbers with gaps, duplicates and other titles beside them.
void addCustomPresets(SimCamera& camera) {
  SimPresetStore& presets = camera.presets();
  for (uint32_t number : {0, 1, 3}) presets.addCustom(1, 17, 25, 20, number);
  for (uint32_t number : {1, 2}) presets.addCustom(1, 17, 25, 21, number);
  for (uint32_t number : {0, 0, 1}) presets.addCustom(1, 16, 26, 22, number);
  for (uint32_t number : {0, 1, 2}) presets.addCustom(2, 20, 20, 20, number);
}

TEST_F(PresetCameraTest, NextTitleNumberIsTheFirstGapOfItsTitleInTheGroupOrNoneOnFailure) {
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
  const std::pair<const char*, int> failures[] = {{"fault 17/1 error -5", -5},
                                                  {"fault 17/1 size 0", 0},
                                                  {"fault 17/2 size 80", 0},
                                                  {"fault 17/2 size 82", 0},
                                                  {"fault 17/2 error -7", -7}};
  for (const auto& [fault, rc] : failures) {
    control("fault clear");
    control("fault 17/2 size 81 3");
    control(fault);
    forgetLog();
    EXPECT_EQ(GetNextPresetIterator(1, 20), NO_ITERATOR) << fault;
    const std::string line = "klc_send_remote_api_payload_response error, " + std::to_string(rc) + "\n";
    EXPECT_TRUE(loggedLine(UTIL_LOG_ERROR, line, "klcontrol_preset_loader")) << fault;
  }
}

// Edit-free settings, playback and an unreadable flat mode never reach the camera; an edit of the
// active preset marks it edited; the camera refusing either end of the bracket is reported and logged.
TEST_F(PresetCameraTest, EditBracketOfTheActivePreset) {
  start();
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

TEST_F(PresetCameraTest, TimeLapsePhotoIconFollowsTheModel) {
  start();
  EXPECT_EQ(MapWSDKIconToFW(wsdk_commands::WSDK_PRESET_ICON_TIMELAPSE_PHOTO), FW_PRESET_ICON_TIMELAPSE);
  control("model 51");
  _reset_model_number_cache();
  EXPECT_EQ(MapWSDKIconToFW(wsdk_commands::WSDK_PRESET_ICON_TIMELAPSE_PHOTO), FW_PRESET_ICON_TIMELAPSE_2);
  _reset_model_number_cache();
  control("fault 0x100/1 error -1");
  forgetLog();
  EXPECT_EQ(MapWSDKIconToFW(wsdk_commands::WSDK_PRESET_ICON_TIMELAPSE_PHOTO), FW_PRESET_ICON_TIMELAPSE);
  EXPECT_TRUE(
      loggedLine(UTIL_LOG_ERROR,
                 "Could not get camera model number for MapWSDKIconToFW returning FW_PRESET_ICON_TIMELAPSE",
                 "klcontrol_preset_loader"));
}

}  // namespace
