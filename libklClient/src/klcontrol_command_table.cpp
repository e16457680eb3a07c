#include "klcontrol_command_table.h"

#include <cstring>

namespace {

// The name is the enumerator's own spelling, so table and enum cannot drift apart.
#define CMD(id, cls, min_len, desc) \
  { id, #id, cls, min_len, desc }
#define NO_CMD(number) \
  { number, nullptr, KLCONTROL_ARG_IGNORED, 0, "no command; refused as unhandled" }

constexpr klcontrol_arg_class_t NONE = KLCONTROL_ARG_NONE;
constexpr klcontrol_arg_class_t IGNORED = KLCONTROL_ARG_IGNORED;
constexpr klcontrol_arg_class_t U8 = KLCONTROL_ARG_U8;
constexpr klcontrol_arg_class_t U16 = KLCONTROL_ARG_U16;
constexpr klcontrol_arg_class_t U32 = KLCONTROL_ARG_U32;
constexpr klcontrol_arg_class_t RAW = KLCONTROL_ARG_RAW;
constexpr klcontrol_arg_class_t STRING = KLCONTROL_ARG_STRING;
constexpr klcontrol_arg_class_t PROTOBUF = KLCONTROL_ARG_PROTOBUF;

const klcontrol_command_info_t kCommands[KLCONTROL_COMMAND_COUNT] = {
    CMD(KLCONTROL_NOTIFICATION_QUEUE_REGISTER, RAW, 5,
        "register (u32 flag 1) or remove (0) a queue notification client: u32 flag, queue name"),
    NO_CMD(1),
    NO_CMD(2),
    CMD(KLCONTROL_COMMAND_SHUTTER, U8, 1, "press (1) or release (0) the shutter"),
    CMD(KLCONTROL_MODE, U32, 4, "set the camera mode (legacy 0-2 or a flat mode)"),
    CMD(KLCONTROL_MODE_SUB_MODE, RAW, 8, "set mode and sub-mode: u32 mode, u32 sub-mode"),
    CMD(KLCONTROL_SETTINGS_FORWARD, RAW, 1, "forward raw settings bytes to the camera"),
    CMD(KLCONTROL_GLINT_TAG_RECORDING, NONE, 0, "tag the moment in the running recording"),
    CMD(KLCONTROL_GLINT_TAG_PLAYBACK, RAW, 268,
        "tag a recorded file: u32 leading word, 260-byte file name, u32 offset"),
    CMD(KLCONTROL_DELETE, STRING, 1, "delete one file"),
    CMD(KLCONTROL_DELETE_LAST, NONE, 0, "delete the last capture"),
    CMD(KLCONTROL_DELETE_GROUP, STRING, 1, "delete a file group"),
    CMD(KLCONTROL_DELETE_ALL, NONE, 0, "delete all media"),
    CMD(KLCONTROL_FW_UPDATE_START, NONE, 0, "firmware download started"),
    CMD(KLCONTROL_FW_UPDATE_CANCEL, NONE, 0, "firmware download cancelled"),
    CMD(KLCONTROL_FW_UPDATE_DONE, U8, 1, "firmware download done (non-zero: success)"),
    CMD(KLCONTROL_WIFI_AP_CONTROL, U32, 4, "access point action 0, 1 or 2"),
    CMD(KLCONTROL_WIFI_AP_SSID_CONFIG, RAW, 108,
        "access point name and password: 33-byte name, 71-byte password, u32 flag"),
    CMD(KLCONTROL_WIFI_BAND_SELECT, U32, 4, "Wi-Fi band 0 or 1"),
    CMD(KLCONTROL_WIFI_SSID_SCAN, U8, 1, "start a network scan (1)"),
    CMD(KLCONTROL_WIFI_SSID_LIST, U8, 1, "list scanned networks from an offset"),
    CMD(KLCONTROL_WIFI_SSID_SAVE, RAW, 100, "save a network: 33-byte name, 67-byte password"),
    CMD(KLCONTROL_WIFI_SSID_SELECT, RAW, 104,
        "join a network: 33-byte name, 67-byte password, u32 authentication type"),
    CMD(KLCONTROL_WIFI_SSID_DELETE, RAW, 33, "forget a network: 33-byte name"),
    CMD(KLCONTROL_WIFI_SSID_DELETE_ALL, NONE, 0, "forget all networks"),
    CMD(KLCONTROL_RC_PAIR, NONE, 0, "start remote-control pairing"),
    CMD(KLCONTROL_RC_PAIR_CANCEL, NONE, 0, "cancel remote-control pairing"),
    CMD(KLCONTROL_VIDEO_VANTIX_RESET, NONE, 0, "reset video manual exposure settings"),
    CMD(KLCONTROL_PHOTO_VANTIX_RESET, NONE, 0, "reset photo manual exposure settings"),
    CMD(KLCONTROL_MULTI_VANTIX_RESET, NONE, 0, "reset multishot manual exposure settings"),
    CMD(KLCONTROL_SET_SETTING_ID, RAW, 8, "set a setting: u32 setting id, u32 option id"),
    CMD(KLCONTROL_GET_SETTING_ID, IGNORED, 0, "read one setting (not implemented, answers 0)"),
    CMD(KLCONTROL_GET_ALL_SETTINGS, NONE, 0, "read the raw settings block"),
    CMD(KLCONTROL_GET_ALL_STATUS, NONE, 0, "read the raw status block"),
    CMD(KLCONTROL_GET_ALL_SETTINGS_STATUS, NONE, 0, "read the 624-byte status and settings snapshot"),
    CMD(KLCONTROL_SYSTEM_SHUTDOWN, NONE, 0, "power the camera off"),
    CMD(KLCONTROL_SYSTEM_SLEEP, NONE, 0, "put the camera to sleep"),
    CMD(KLCONTROL_LOCATE, U8, 1, "locate signal on (1) or off (0)"),
    CMD(KLCONTROL_FACTORY_RESET, U8, 1, "factory reset of the given type"),
    CMD(KLCONTROL_ANALYTICS_FILENAME_GET, NONE, 0, "read the analytics file name"),
    CMD(KLCONTROL_ANALYTICS_CLEAR, NONE, 0, "clear the analytics file"),
    CMD(KLCONTROL_REMOTE_API, IGNORED, 0, "no operation, answers 0"),
    CMD(KLCONTROL_SET_LOG_LEVEL, U32, 4, "set the daemon's log level 0-6"),
    CMD(KLCONTROL_PUSH_NOTIFICATIONS, STRING, 0, "pause or resume socket clients: \"status=N\""),
    CMD(KLCONTROL_TRANSCODE_HISTORY, NONE, 0, "the last two transcode jobs"),
    NO_CMD(45),
    CMD(KLCONTROL_TRANSCODE_VIDEO_REQUEST, RAW, 304,
        "start a video transcode: 257-byte source name, pad, u32 parameters P0-P10 at 260-300"),
    CMD(KLCONTROL_TRANSCODE_PHOTO_TO_VIDEO_REQUEST, RAW, 304,
        "start a photo-to-video transcode: 257-byte source name, pad, u32 parameters P0-P10 at 260-300"),
    CMD(KLCONTROL_TRANSCODE_TO_PHOTO_REQUEST, RAW, 304,
        "start a to-photo transcode: 257-byte source name, pad, u32 parameters P0-P10 at 260-300"),
    CMD(KLCONTROL_TRANSCODE_STATUS, RAW, 8, "status of a transcode job: u64 job id"),
    CMD(KLCONTROL_TRANSCODE_CANCEL, RAW, 8, "cancel a transcode job: u64 job id"),
    CMD(KLCONTROL_LIVEVIEW_MODE_SET, RAW, 16, "live-view exposure point: u32 mode, u32 x, u32 y, u32 lens"),
    CMD(KLCONTROL_VOICE_PHOTO_TAKE, NONE, 0, "voice: take a photo"),
    CMD(KLCONTROL_VOICE_VIDEO_START, NONE, 0, "voice: start video"),
    CMD(KLCONTROL_VOICE_VIDEO_STOP, NONE, 0, "voice: stop video"),
    CMD(KLCONTROL_VOICE_TIMELAPSE_START, NONE, 0, "voice: start time lapse"),
    CMD(KLCONTROL_VOICE_TIMELAPSE_STOP, NONE, 0, "voice: stop time lapse"),
    CMD(KLCONTROL_VOICE_BURST_TAKE, NONE, 0, "voice: take a burst"),
    CMD(KLCONTROL_VOICE_TAG, NONE, 0, "voice: tag the moment"),
    CMD(KLCONTROL_VOICE_MODE, U8, 1, "voice: change mode"),
    CMD(KLCONTROL_GET_EXTENDED_STATUS, NONE, 0, "read the extended status"),
    CMD(KLCONTROL_DIGITAL_ZOOM, U32, 4, "set the digital zoom"),
    CMD(KLCONTROL_VOICE_EDIT_MY_STORY, NONE, 0, "voice: edit my story"),
    CMD(KLCONTROL_VOICE_DELETE_LAST, IGNORED, 0, "voice: delete last (not supported, whatever the argument)"),
    CMD(KLCONTROL_CAL_FILE_NAME_GET, NONE, 0, "read the calibration file path"),
    CMD(KLCONTROL_BLE_CONTROL, IGNORED, 0, "switch BLE"),
    CMD(KLCONTROL_CAPTURE_DELAY, U32, 4, "set the photo timer"),
    CMD(KLCONTROL_MODE_SET_MODE, U16, 2, "load the preset of a flat mode"),
    CMD(KLCONTROL_VANTIX_RESET, IGNORED, 0, "reset manual exposure settings of the current mode"),
    CMD(KLCONTROL_VIDEO_SURGE_SPEED_1X_SET, U32, 4, "surge speed 1x enabled"),
    CMD(KLCONTROL_PRESET_GROUP_LIST, NONE, 0, "list preset groups"),
    CMD(KLCONTROL_PRESET_LIST, PROTOBUF, 0, "list the presets of a group"),
    CMD(KLCONTROL_PRESET_INFO, PROTOBUF, 0, "describe one preset"),
    CMD(KLCONTROL_PRESET_CUSTOM_CREATE, PROTOBUF, 0, "create a custom preset"),
    CMD(KLCONTROL_PRESET_CUSTOM_REMOVE, PROTOBUF, 0, "remove a custom preset"),
    CMD(KLCONTROL_PRESET_SET_ORDER, PROTOBUF, 0, "move a preset in its group"),
    CMD(KLCONTROL_PRESET_LOAD, PROTOBUF, 0, "load a preset"),
    CMD(KLCONTROL_PRESET_EDIT_START, PROTOBUF, 0, "start editing a preset"),
    CMD(KLCONTROL_PRESET_REQUEST_9, NONE, 0, "preset request 9"),
    CMD(KLCONTROL_PRESET_EDIT_END, NONE, 0, "end editing a preset"),
    CMD(KLCONTROL_PRESET_FACTORY_RESET, PROTOBUF, 0, "reset a preset to its factory state"),
    CMD(KLCONTROL_PRESET_GET_PRESETS, NONE, 0, "all preset groups with their presets"),
    CMD(KLCONTROL_PRESET_SWITCH_FLATMODE, PROTOBUF, 0, "switch the flat mode of the current preset"),
    CMD(KLCONTROL_PRESET_SET_TITLE_ICON, PROTOBUF, 0, "set title and icon of the current preset"),
    CMD(KLCONTROL_ONSCREEN_SHORTCUTS_RESET, IGNORED, 0, "reset the on-screen shortcuts"),
    CMD(KLCONTROL_VIDEO_SURGE_SPEED_RAMP_SET, U32, 4, "surge speed ramp"),
    CMD(KLCONTROL_VIDEO_SURGE_SPEED_RAMP_ACTIVE_SET, U32, 4, "surge speed ramp active"),
    CMD(KLCONTROL_PRESET_GET_ACTIVE_PRESET, IGNORED, 0, "id of the active preset"),
    CMD(KLCONTROL_SYSTEM_BUTTON_SET, RAW, 8, "press a button: u32 button type, u32 raw value"),
    CMD(KLCONTROL_PRESET_GET_ACTIVE_GROUP, IGNORED, 0, "group of the active preset"),
    CMD(KLCONTROL_SET_IN_CONTEXTUAL_MENU, U8, 1, "client is in a contextual menu (1) or not (0)"),
    CMD(KLCONTROL_REMOTE_QUERY_5_28, IGNORED, 0, "remote query 5/28"),
    CMD(KLCONTROL_SET_CAMERA_CONTROL_STATUS, U8, 1, "who controls the camera"),
    CMD(KLCONTROL_DELETE_LIST, RAW, 0, "delete a list of files: 23-byte file items"),
    CMD(KLCONTROL_GET_DELETE_LIST_RESULT, NONE, 0, "result of the last list deletion"),
    CMD(KLCONTROL_GET_ALL_SETTINGS_STATUS_IDS, NONE, 0, "status and settings as JSON"),
    CMD(KLCONTROL_SET_WIRED_USB_CONTROL, U8, 1, "wired USB control on (1) or off (0)"),
    CMD(KLCONTROL_WORKER_EXIT, IGNORED, 0, "stop the daemon"),
};

#undef CMD
#undef NO_CMD

}  // namespace

const klcontrol_command_info_t* klcontrol_command_info(uint32_t number) {
  return number < KLCONTROL_COMMAND_COUNT ? &kCommands[number] : nullptr;
}

const klcontrol_command_info_t* klcontrol_command_by_name(const char* name) {
  if (name == nullptr) return nullptr;
  for (const klcontrol_command_info_t& row : kCommands) {
    if (row.name != nullptr && std::strcmp(row.name, name) == 0) return &row;
  }
  return nullptr;
}

bool klcontrol_command_dispatched(uint32_t number) {
  return number < KLCONTROL_WORKER_EXIT && kCommands[number].name != nullptr;
}

const char* klcontrol_arg_class_name(klcontrol_arg_class_t cls) {
  switch (cls) {
    case KLCONTROL_ARG_NONE:
      return "none";
    case KLCONTROL_ARG_IGNORED:
      return "ignored";
    case KLCONTROL_ARG_U8:
      return "u8";
    case KLCONTROL_ARG_U16:
      return "u16";
    case KLCONTROL_ARG_U32:
      return "u32";
    case KLCONTROL_ARG_RAW:
      return "raw";
    case KLCONTROL_ARG_STRING:
      return "string";
    case KLCONTROL_ARG_PROTOBUF:
      return "protobuf";
  }
  return "unknown";
}
