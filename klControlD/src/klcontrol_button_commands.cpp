// The button command: physical buttons pressed from outside, and the multi-camera shutter and mode
// buttons, which start or stop a capture and load the preset of the chosen mode.
#include "klErrno.h"
#include "klcontrol_arg_fields.h"
#include "klcontrol_block_read.h"
#include "klcontrol_if_server.h"
#include "klcontrol_log.h"

constexpr const char* LOG_SOURCE = "klcontrol_if_server";

namespace {

// Button types beyond the physical buttons 0 to 2.
enum : uint32_t { MULTI_CAM_SHUTTER = 16, MULTI_CAM_MODE = 17, NO_ACTION = 18 };
// The preset group of the multi-camera mix, whose preset the camera keeps apart.
constexpr uint32_t MIX_GROUP = 10;

// Types 0, 1, 2 are the library's buttons 1, 0, 2; press states differ for button 0.
int pressButton(uint32_t type, uint8_t state) {
  static const uint8_t IDS[] = {1, 0, 2};
  if (state > 1) {
    LOG(UTIL_LOG_ERROR, "Invalid button state:%d", int(state));
    return KL_ERR_INVALID_PARAM;
  }
  const uint8_t id = IDS[type];
  const uint8_t libraryState = state == 1 && type == 1 ? 2 : 3;
  LOG(UTIL_LOG_DEBUG, "KLCONTROL_SYSTEM_BUTTON_SET: button type:%d  button state:%d", int(id),
      int(libraryState));
  return klc_system_set_button(klcontrol_camera(), id, libraryState);
}

// State 0 starts a capture, 1 stops it.
int multiCamShutter(uint8_t state) {
  if (state > 1) {
    LOG(UTIL_LOG_ERROR, "Invalid multi-cam shutter press:%d", int(state));
    return KL_ERR_INVALID_PARAM;
  }
  const uint8_t on = state == 0 ? 1 : 0;
  LOG(UTIL_LOG_DEBUG, "Multi-cam shutter press:%d on/off[%d]", int(state), int(on));
  return klc_shutter(klcontrol_camera(), on);
}

// The first byte of a reply; KL_ERR for a failed call or an empty reply.
int firstReplyByte(klc_remote_api api, uint8_t& value) {
  uint8_t* reply = nullptr;
  uint16_t length = 0;
  const int result = klc_send_remote_api_for_response(klcontrol_camera(), api, &reply, &length);
  if (result != 0 || reply == nullptr || length == 0) return result != 0 ? result : KL_ERR;
  value = reply[0];
  return KL_OK;
}

// The preset of the camera's active group, for the mixed mode (state 3).
int presetOfActiveGroup(const appc_system_all_status& status, uint32_t& preset) {
  uint8_t group = 0;
  const int result = firstReplyByte(REMOTE_SETTINGS_ACTIVE_GROUP_GET, group);
  if (result != KL_OK) {
    LOG(UTIL_LOG_ERROR, "Could not get status, %d\n", result);
    return KL_ERR;
  }
  if (klcontrol_group_preset(status, group, false, preset)) return KL_OK;
  if (group != MIX_GROUP) {
    LOG(UTIL_LOG_ERROR, "Group_id[%ld] was not found for Multi-Cam Mix", long(group));
    return KL_ERR_INVALID_PARAM;
  }
  uint8_t mixPreset = 0;
  const int mixResult = firstReplyByte(REMOTE_PRESET_MIX_GET, mixPreset);
  preset = mixPreset;
  return mixResult;
}

// States 0, 1, 2 pick the video, photo or time-lapse preset; 3 the active group's.
int presetForState(const appc_system_all_status& status, uint8_t state, uint32_t& preset) {
  switch (state) {
    case 0:
      preset = status.video_preset_id;
      return KL_OK;
    case 1:
      preset = status.photo_preset_id;
      return KL_OK;
    case 2:
      preset = status.timelapse_preset_id;
      return KL_OK;
    case 3:
      return presetOfActiveGroup(status, preset);
    default:
      break;
  }
  LOG(UTIL_LOG_ERROR, "Invalid mode:%d button type:%d", int(state), int(MULTI_CAM_MODE));
  return KL_ERR_INVALID_PARAM;
}

int multiCamMode(uint8_t state) {
  appc_system_all_status status;
  klcontrol_block_reply reply;
  const int result = klcontrol_read_block(status, reply);
  if (result != KL_OK) {
    LOG(UTIL_LOG_ERROR, "Could not get status, %d\n", result);
    return KL_ERR;
  }
  if (reply.nakOff) {
    LOG(UTIL_LOG_DEBUG, "Camera status returning KL_ERR_NACK_OFF\n");
    return KL_ERR_NAK_OFF;
  }
  LOG(UTIL_LOG_DEBUG,
      "MULTI_CAM_MODE_TYPE[%02X] active: video preset[%ld]  photo preset[%ld] time_lapse preset[%ld] "
      "presets_group[%ld]",
      unsigned(state), long(status.video_preset_id), long(status.photo_preset_id),
      long(status.timelapse_preset_id), long(status.active_preset_group));
  uint32_t preset = 0;
  const int chosen = presetForState(status, state, preset);
  if (chosen != KL_OK) return chosen;
  return klc_send_remote_api_payload(klcontrol_camera(), REMOTE_PRESET_LOAD, &preset, sizeof preset);
}

}  // namespace

// Argument: button type, raw value (32-bit words); the state is the raw value's low 4 bits.
int KlcontrolCommandServer::cmdSystemButtonSet(Msg& msg, MsgElement* arg) {
  const uint32_t type = klcontrol_arg_word(arg, 0);
  const uint32_t raw = klcontrol_arg_word(arg, 4);
  LOG(UTIL_LOG_DEBUG, "Button press raw value :%d", int(raw));
  const uint8_t state = uint8_t(raw & 0x0F);
  if (type <= 2) return answer(msg, pressButton(type, state));
  if (type == MULTI_CAM_SHUTTER) return answer(msg, multiCamShutter(state));
  if (type == MULTI_CAM_MODE) return answer(msg, multiCamMode(state));
  if (type == NO_ACTION) return answer(msg, KL_OK);
  LOG(UTIL_LOG_ERROR, "Invalid button type:%d", int(type));
  return answer(msg, KL_ERR_INVALID_PARAM);
}
