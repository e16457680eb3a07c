// The remote API: the camera's own requests, each addressed by a group and an id below 0x100. The
// daemon sends them through the klc_send_*remote_api calls; the simulated camera serves them. Each
// value is the request's link key (klc_link_key of group and id).
#pragma once
#include <cstdint>

#include "camera_link.h"
#include "transcode_wire.h"

constexpr uint8_t KLC_WIFI_LAST_BAND = 1;

enum klc_remote_api : uint32_t {
  REMOTE_VIDEO_VANTIX_RESET = klc_link_key(2, 26),
  REMOTE_LOOKBACK_EXIT = klc_link_key(2, 90),
  REMOTE_PHOTO_VANTIX_RESET = klc_link_key(3, 22),
  REMOTE_MULTISHOT_VANTIX_RESET = klc_link_key(4, 26),
  REMOTE_QUERY_5_28 = klc_link_key(5, 28),
  // Payload 1 byte: the band, 0 to KLC_WIFI_LAST_BAND.
  REMOTE_WIFI_BAND_SELECT = klc_link_key(6, 19),

  // Answer 1 byte: the active preset group.
  REMOTE_SETTINGS_ACTIVE_GROUP_GET = klc_link_key(7, 10),
  // Payload: raw (offset, value) pairs of the settings block.
  REMOTE_SETTINGS_FORWARD = klc_link_key(7, 27),
  // Answer: the settings block (appc_setup_all_settings).
  REMOTE_SYSTEM_ALL_SETTINGS_GET = klc_link_key(7, 30),

  // Payload 1 byte: 1 shutdown, 0 sleep.
  REMOTE_SYSTEM_POWER = klc_link_key(8, 2),
  REMOTE_SYSTEM_FACTORY_RESET = klc_link_key(8, 4),
  // Answer: the status block (appc_system_all_status), or the NAK-off byte while the camera is off.
  REMOTE_SYSTEM_ALL_STATUS_GET = klc_link_key(8, 11),
  REMOTE_SYSTEM_LOCATE = klc_link_key(8, 13),
  REMOTE_SYSTEM_ANALYTICS_CLEAR = klc_link_key(8, 20),
  REMOTE_SYSTEM_ANALYTICS_FILENAME_GET = klc_link_key(8, 21),
  REMOTE_SYSTEM_CONTEXTUAL_MENU_SET = klc_link_key(8, 30),
  REMOTE_SYSTEM_EXTENDED_STATUS_GET = klc_link_key(8, 34),
  REMOTE_SYSTEM_CAL_FILE_NAME_GET = klc_link_key(8, 35),
  REMOTE_SYSTEM_CAMERA_CONTROL_STATUS_SET = klc_link_key(8, 40),
  REMOTE_SYSTEM_WIRED_USB_CONTROL_SET = klc_link_key(8, 44),

  REMOTE_MEDIA_DELETE_LAST = klc_link_key(9, 9),
  REMOTE_MEDIA_DELETE_ALL = klc_link_key(9, 10),
  REMOTE_MEDIA_TAG_RECORDING = klc_link_key(9, 12),
  REMOTE_MEDIA_DELETE_LIST_RESULT = klc_link_key(9, 23),

  // Answer 1 byte: 0 while the live stream is upside down.
  REMOTE_STREAM_ORIENTATION_GET = klc_link_key(10, 14),

  REMOTE_TRANSCODE_CANCEL = klc_link_key(KLC_REMOTE_GROUP_TRANSCODE, KLC_TRANSCODE_CANCEL),
  REMOTE_TRANSCODE_VIDEO_START = klc_link_key(KLC_REMOTE_GROUP_TRANSCODE, KLC_TRANSCODE_VIDEO_START),
  REMOTE_TRANSCODE_PHOTO_START = klc_link_key(KLC_REMOTE_GROUP_TRANSCODE, KLC_TRANSCODE_PHOTO_START),

  // Payload 4 bytes: exposure type, x, y, lens.
  REMOTE_LIVEVIEW_SELECT_POINT = klc_link_key(13, 0),
  REMOTE_LIVEVIEW_CLEAR_POINT = klc_link_key(13, 2),

  REMOTE_VOICE_PHOTO_TAKE = klc_link_key(15, 0),
  REMOTE_VOICE_VIDEO_START = klc_link_key(15, 1),
  REMOTE_VOICE_VIDEO_STOP = klc_link_key(15, 2),
  REMOTE_VOICE_TIMELAPSE_START = klc_link_key(15, 3),
  REMOTE_VOICE_TIMELAPSE_STOP = klc_link_key(15, 4),
  REMOTE_VOICE_BURST_TAKE = klc_link_key(15, 5),
  REMOTE_VOICE_TAG = klc_link_key(15, 6),
  // Payload 1 byte: the voice mode.
  REMOTE_VOICE_MODE = klc_link_key(15, 9),
  REMOTE_VOICE_EDIT_MY_STORY = klc_link_key(15, 10),

  REMOTE_PRESET_GROUP_LIST = klc_link_key(17, 0),
  REMOTE_PRESET_LIST_IDS = klc_link_key(17, 1),
  // Payload 4 bytes: preset id. Answer: its appc_presets_settings_info.
  REMOTE_PRESET_GET_INFO = klc_link_key(17, 2),
  REMOTE_PRESET_CUSTOM_CREATE = klc_link_key(17, 3),
  REMOTE_PRESET_CUSTOM_REMOVE = klc_link_key(17, 4),
  REMOTE_PRESET_SET_ORDER = klc_link_key(17, 5),
  REMOTE_PRESET_EDIT_START = klc_link_key(17, 8),
  REMOTE_PRESET_REQUEST_9 = klc_link_key(17, 9),
  REMOTE_PRESET_EDIT_END = klc_link_key(17, 10),
  // Payload 4 bytes: preset id.
  REMOTE_PRESET_LOAD = klc_link_key(17, 12),
  REMOTE_PRESET_FACTORY_RESET = klc_link_key(17, 13),
  REMOTE_PRESET_SET_TITLE_ICON = klc_link_key(17, 15),
  REMOTE_PRESET_SET_FLATMODE = klc_link_key(17, 23),
  // Answer 1 byte: the preset of the multi-camera mix group.
  REMOTE_PRESET_MIX_GET = klc_link_key(17, 25),
};
