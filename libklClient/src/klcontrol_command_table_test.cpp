#include "klcontrol_command_table.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

// The numbers clients send, from 0 on, named as the protocol's command table names them ("-": none).
const char kNumberedNames[] =
    "NOTIFICATION_QUEUE_REGISTER - - COMMAND_SHUTTER MODE MODE_SUB_MODE SETTINGS_FORWARD "
    "GLINT_TAG_RECORDING GLINT_TAG_PLAYBACK DELETE DELETE_LAST DELETE_GROUP DELETE_ALL "
    "FW_UPDATE_START FW_UPDATE_CANCEL FW_UPDATE_DONE WIFI_AP_CONTROL WIFI_AP_SSID_CONFIG "
    "WIFI_BAND_SELECT WIFI_SSID_SCAN WIFI_SSID_LIST WIFI_SSID_SAVE WIFI_SSID_SELECT WIFI_SSID_DELETE "
    "WIFI_SSID_DELETE_ALL RC_PAIR RC_PAIR_CANCEL VIDEO_VANTIX_RESET PHOTO_VANTIX_RESET "
    "MULTI_VANTIX_RESET SET_SETTING_ID GET_SETTING_ID GET_ALL_SETTINGS GET_ALL_STATUS "
    "GET_ALL_SETTINGS_STATUS SYSTEM_SHUTDOWN SYSTEM_SLEEP LOCATE FACTORY_RESET ANALYTICS_FILENAME_GET "
    "ANALYTICS_CLEAR REMOTE_API SET_LOG_LEVEL PUSH_NOTIFICATIONS TRANSCODE_HISTORY - "
    "TRANSCODE_VIDEO_REQUEST TRANSCODE_PHOTO_TO_VIDEO_REQUEST TRANSCODE_TO_PHOTO_REQUEST "
    "TRANSCODE_STATUS TRANSCODE_CANCEL LIVEVIEW_MODE_SET VOICE_PHOTO_TAKE VOICE_VIDEO_START "
    "VOICE_VIDEO_STOP VOICE_TIMELAPSE_START VOICE_TIMELAPSE_STOP VOICE_BURST_TAKE VOICE_TAG "
    "VOICE_MODE GET_EXTENDED_STATUS DIGITAL_ZOOM VOICE_EDIT_MY_STORY VOICE_DELETE_LAST "
    "CAL_FILE_NAME_GET BLE_CONTROL CAPTURE_DELAY MODE_SET_MODE VANTIX_RESET VIDEO_SURGE_SPEED_1X_SET "
    "PRESET_GROUP_LIST PRESET_LIST PRESET_INFO PRESET_CUSTOM_CREATE PRESET_CUSTOM_REMOVE "
    "PRESET_SET_ORDER PRESET_LOAD PRESET_EDIT_START PRESET_REQUEST_9 PRESET_EDIT_END "
    "PRESET_FACTORY_RESET PRESET_GET_PRESETS PRESET_SWITCH_FLATMODE PRESET_SET_TITLE_ICON "
    "ONSCREEN_SHORTCUTS_RESET VIDEO_SURGE_SPEED_RAMP_SET VIDEO_SURGE_SPEED_RAMP_ACTIVE_SET "
    "PRESET_GET_ACTIVE_PRESET SYSTEM_BUTTON_SET PRESET_GET_ACTIVE_GROUP SET_IN_CONTEXTUAL_MENU "
    "REMOTE_QUERY_5_28 SET_CAMERA_CONTROL_STATUS DELETE_LIST GET_DELETE_LIST_RESULT "
    "GET_ALL_SETTINGS_STATUS_IDS SET_WIRED_USB_CONTROL WORKER_EXIT";

// Each number has its row and name, and each name finds its row (so no name is used twice).
TEST(CommandTable, EachNumberCarriesItsName) {
  std::istringstream names(kNumberedNames);
  uint32_t n = 0;
  for (std::string name; names >> name; ++n) {
    const klcontrol_command_info_t* row = klcontrol_command_info(n);
    ASSERT_NE(row, nullptr) << n;
    EXPECT_EQ(row->number, n);
    EXPECT_EQ(row->name != nullptr ? row->name : "-", name == "-" ? name : "KLCONTROL_" + name) << n;
    EXPECT_EQ(row->name != nullptr ? klcontrol_command_by_name(row->name) : row, row) << n;
  }
  EXPECT_EQ(n, KLCONTROL_COMMAND_COUNT);
  EXPECT_EQ(klcontrol_command_info(98), nullptr);
  EXPECT_EQ(klcontrol_command_info(0xFFFFFFFFu), nullptr);
  EXPECT_EQ(klcontrol_command_by_name("KLCONTROL_NO_SUCH"), nullptr);
}

TEST(CommandTable, DispatchedExcludesUnnamedAndStop) {
  for (uint32_t n : {1u, 2u, 45u, 97u, 98u, 0xFFFFFFFFu}) EXPECT_FALSE(klcontrol_command_dispatched(n)) << n;
  for (uint32_t n : {0u, 3u, 44u, 46u, 96u}) EXPECT_TRUE(klcontrol_command_dispatched(n)) << n;
}

TEST(CommandTable, MinimumLengthsMatchFixedWidthClasses) {
  for (uint32_t n = 0; n < KLCONTROL_COMMAND_COUNT; ++n) {
    const klcontrol_command_info_t* row = klcontrol_command_info(n);
    switch (row->arg) {
      case KLCONTROL_ARG_U8:
        EXPECT_EQ(row->min_arg_len, 1u) << n;
        break;
      case KLCONTROL_ARG_U16:
        EXPECT_EQ(row->min_arg_len, 2u) << n;
        break;
      case KLCONTROL_ARG_U32:
        EXPECT_EQ(row->min_arg_len, 4u) << n;
        break;
      case KLCONTROL_ARG_NONE:
      case KLCONTROL_ARG_IGNORED:
        EXPECT_EQ(row->min_arg_len, 0u) << n;
        break;
      default:
        break;
    }
  }
}

TEST(CommandTable, SampleRowsCarryTheirArgumentLayouts) {
  struct Expect {
    uint32_t n;
    klcontrol_arg_class_t cls;
    uint32_t min;
  };
  const Expect rows[] = {
      {KLCONTROL_NOTIFICATION_QUEUE_REGISTER, KLCONTROL_ARG_RAW, 5},
      {KLCONTROL_MODE_SUB_MODE, KLCONTROL_ARG_RAW, 8},
      {KLCONTROL_GLINT_TAG_PLAYBACK, KLCONTROL_ARG_RAW, 268},
      {KLCONTROL_MODE_SET_MODE, KLCONTROL_ARG_U16, 2},
      {KLCONTROL_PUSH_NOTIFICATIONS, KLCONTROL_ARG_STRING, 0},
      {KLCONTROL_TRANSCODE_STATUS, KLCONTROL_ARG_RAW, 8},
      {KLCONTROL_PRESET_LOAD, KLCONTROL_ARG_PROTOBUF, 0},
      {KLCONTROL_VANTIX_RESET, KLCONTROL_ARG_IGNORED, 0},
      {KLCONTROL_DELETE_LAST, KLCONTROL_ARG_NONE, 0},
  };
  for (const Expect& e : rows) {
    const klcontrol_command_info_t* row = klcontrol_command_info(e.n);
    EXPECT_EQ(row->arg, e.cls) << row->name;
    EXPECT_EQ(row->min_arg_len, e.min) << row->name;
  }
  EXPECT_STREQ(klcontrol_arg_class_name(KLCONTROL_ARG_PROTOBUF), "protobuf");
}
