// Settings and status commands: one setting by id (option turned into the camera's value, written
// with the whole settings block as context, then the follow-ups that keep dependent settings
// consistent), the raw blocks, the combined snapshot and its JSON text, and the calibration file name.
#include <algorithm>
#include <cstring>
#include <sstream>

#include "klCameraInfo.h"
#include "klErrno.h"
#include "klcontrol_arg_fields.h"
#include "klcontrol_block_read.h"
#include "klcontrol_if_server.h"
#include "klcontrol_log.h"
#include "klcontrol_preset_loader.h"
#include "klcontrol_settings_status_text.h"

constexpr const char* LOG_SOURCE = "klcontrol_if_server";

namespace {

// Status, RSPCODE with its word, RSPARG header and END around a response's payload.
constexpr unsigned RESPONSE_PAYLOAD_MAX = KLCONTROL_BUFFER_SIZE - 4 * TLV_HDR_LEN - sizeof(int32_t);

enum : int {
  SETTING_VIDEO_RESOLUTION = 2,
  SETTING_NL_INTERVAL = 32,
  SETTING_DIGITAL_ZOOM_OLD = 55,
  SETTING_DIGITAL_ZOOM = 91,
  SETTING_FLAT_MODE = 144,
  SETTING_SHUTTER = 145,
  SETTING_MIC_OPTION = 164,
  SETTING_LOOKBACK = 167,
};
constexpr int LOOKBACK_EXIT_VALUE = 4;
constexpr int8_t AUDIO_INPUT_NO_OPTIONS = 3;

// What the follow-ups of one write see and change.
struct FollowUp {
  int setting;
  int value;
  int result;  // of the last library call made
  appc_setup_all_settings& settings;
  appc_system_all_status& status;
  uint8_t& orientationSetting;
  const camera_settings_id_row* table;
};

int validateShutter(FollowUp& f) {
  bool valid = true;
  const int rc = klc_video_validate_shutter(klcontrol_camera(), &valid);
  if (rc != KL_OK) {
    LOG(UTIL_LOG_ERROR, "camera_if_settings_set_value_int error, %d\n", rc);
    return rc;
  }
  if (valid) return rc;
  const camera_settings_id_row& row = f.table[SETTING_SHUTTER];
  const int autoRc = camera_if_settings_set_value_int(klcontrol_camera(), SETTING_SHUTTER, row.offset,
                                                      row.width, 0, row.flags, &f.settings);
  if (autoRc != KL_OK) {
    LOG(UTIL_LOG_ERROR, "camera_if_settings_set_value_int error, %d, couldn't set auto shutter\n", autoRc);
  }
  return autoRc;
}

// A new ISO limit that crosses the other limit (by ISO number) drags the other one along.
struct IsoLimit {
  int setting;
  int (*readOther)(klc_msg_q_context_t*, int*);
  int (*setOther)(klc_msg_q_context_t*, int);
  int (*number)(int);
  bool isMaximum;
};

const IsoLimit ISO_LIMITS[] = {
    {13, klc_video_vantix_iso_min_get, klc_video_vantix_iso_min_set, klc_video_vantix_iso_number, true},
    {102, klc_video_vantix_iso_get, klc_video_vantix_iso_set, klc_video_vantix_iso_number, false},
    {24, klc_photo_vantix_iso_min_get, klc_photo_vantix_iso_min_set, klc_photo_vantix_iso_number, true},
    {75, klc_photo_vantix_iso_get, klc_photo_vantix_iso_set, klc_photo_vantix_iso_number, false},
    {37, klc_multishot_vantix_iso_min_get, klc_multishot_vantix_iso_min_set, klc_photo_vantix_iso_number,
     true},
    {76, klc_multishot_vantix_iso_get, klc_multishot_vantix_iso_set, klc_photo_vantix_iso_number, false},
};

int adjustIsoLimit(FollowUp& f) {
  if (f.result != KL_OK) return f.result;
  const IsoLimit* limit = std::find_if(std::begin(ISO_LIMITS), std::end(ISO_LIMITS),
                                       [&f](const IsoLimit& l) { return l.setting == f.setting; });
  int other = 0;
  const int rc = limit->readOther(klcontrol_camera(), &other);
  const int otherNumber = limit->number(other);
  const int newNumber = limit->number(f.value);
  const bool crossed = limit->isMaximum ? otherNumber > newNumber : otherNumber < newNumber;
  if (rc == KL_OK && !crossed) return rc;
  return limit->setOther(klcontrol_camera(), f.value);
}

int setCaptureDelay(FollowUp& f) {
  return klc_app_set_capture_delay(klcontrol_camera(), f.value);
}

// On-screen controls 129, 130 and shortcuts 131, 132; model 51 numbers its shortcuts like controls.
struct OnscreenControl {
  int setting;
  int control51;
  int control;
};

const OnscreenControl ONSCREEN_CONTROLS[] = {{129, 0, 0}, {130, 1, 1}, {131, 0, 2}, {132, 1, 3}};

int setOnscreenControl(FollowUp& f) {
  const OnscreenControl* entry =
      std::find_if(std::begin(ONSCREEN_CONTROLS), std::end(ONSCREEN_CONTROLS),
                   [&f](const OnscreenControl& c) { return c.setting == f.setting; });
  int control = entry->control;
  if (entry->control51 != entry->control) {
    uint8_t model = 0;
    const int rc =
        klcontrol_model_number(&model, "Couldn't get model_number - can't update onscreen_shortcuts");
    if (rc != KL_OK) return rc;
    if (model == 51) control = entry->control51;
  }
  return klc_settings_set_onscreen_control(klcontrol_camera(), f.value, control);
}

// Audio (149) and mic (164) options mean nothing while the camera reports input state 3.
int setAudioInput(FollowUp& f) {
  if (f.status.audio_input_state == AUDIO_INPUT_NO_OPTIONS) return f.result;
  const auto set = f.setting == SETTING_MIC_OPTION ? klc_audio_set_mic_option : klc_audio_set_audio_option;
  return set(klcontrol_camera(), uint8_t(f.value));
}

// The orientation a "lock as it is now" request locks, given the camera's current orientation.
uint8_t orientationToLock(int8_t current, uint8_t remembered) {
  if (remembered == 5) return current == 0 || current == 2 ? 1 : 2;
  switch (current) {
    case 0:
      return 1;
    case 1:
      return 2;
    case 2:
      return 4;
    case 3:
      return 3;
    default:
      break;
  }
  LOG(UTIL_LOG_ERROR, "Orientation[%d] is unrecognized", current);
  return 255;
}

int lockOrientation(FollowUp& f) {
  const uint8_t option = uint8_t(f.value);
  if (option == 0 || option == 5) f.orientationSetting = option;
  const uint8_t lock =
      f.value == 255 ? orientationToLock(f.status.orientation, f.orientationSetting) : option;
  return klc_setup_set_orientation(klcontrol_camera(), lock);
}

struct FollowUpRow {
  int setting;
  int (*run)(FollowUp& f);
};

const FollowUpRow FOLLOW_UPS[] = {
    {2, validateShutter},      {3, validateShutter},      {13, adjustIsoLimit},
    {102, adjustIsoLimit},     {24, adjustIsoLimit},      {75, adjustIsoLimit},
    {37, adjustIsoLimit},      {76, adjustIsoLimit},      {105, setCaptureDelay},
    {129, setOnscreenControl}, {130, setOnscreenControl}, {131, setOnscreenControl},
    {132, setOnscreenControl}, {149, setAudioInput},      {SETTING_MIC_OPTION, setAudioInput},
    {112, lockOrientation},
};

int runFollowUp(FollowUp& f) {
  for (const FollowUpRow& row : FOLLOW_UPS) {
    if (row.setting == f.setting) return row.run(f);
  }
  return f.result;
}

// Values the camera no longer takes, and the old id of the zoom setting.
void applyValueRules(int& setting, int& value) {
  if (setting == SETTING_VIDEO_RESOLUTION && value == 17) value = 13;
  if (setting == SETTING_NL_INTERVAL && value == kPresetNightAutomatic) value = 0;
  if (setting == SETTING_DIGITAL_ZOOM_OLD) setting = SETTING_DIGITAL_ZOOM;
}

// One block read as context of the write: a failed call leaves the block zero and the write goes
// on; KL_ERR for a reply of another size.
template <typename Block>
int readContextBlock(Block& block, const char* failureFormat, const char* sizeFormat) {
  klcontrol_block_reply reply;
  const int rc = klcontrol_read_block(block, reply);
  if (rc != KL_OK) {
    LOG(UTIL_LOG_ERROR, failureFormat, rc);
    return KL_OK;
  }
  if (reply.length != sizeof block) {
    LOG(UTIL_LOG_ERROR, sizeFormat, int(reply.length));
    return KL_ERR;
  }
  return KL_OK;
}

int writeSetting(FollowUp& f) {
  int rc = readContextBlock(f.settings, "klc_send_remote_api_for_response error, %d\n",
                            "REMOTE_SYSTEM_ALL_SETTINGS_GET wrong size = %d");
  if (rc != KL_OK) return rc;
  rc = readContextBlock(f.status, "klc_send_remote_api_for_response REMOTE_SYSTEM_ALL_STATUS_GET error, %d\n",
                        "REMOTE_SYSTEM_ALL_STATUS_GET wrong size = %d");
  if (rc != KL_OK) return rc;
  const camera_settings_id_row& row = f.table[f.setting];
  f.result = camera_if_settings_set_value_int(klcontrol_camera(), f.setting, row.offset, row.width, f.value,
                                              row.flags, &f.settings);
  return runFollowUp(f);
}

// The edit bracket around the write; the id after the value rules is the one the edit ends with.
int setSettingInEdit(int setting, int value, const camera_settings_id_row* table, unsigned rows,
                     uint8_t& orientationSetting) {
  if (!klcontrol_start_preset_edit(setting)) return KL_ERR;
  int rc = KL_ERR_INVALID_PARAM;
  if (unsigned(setting) < rows) {
    applyValueRules(setting, value);
    appc_setup_all_settings settings{};
    appc_system_all_status status{};
    FollowUp followUp{setting, value, KL_OK, settings, status, orientationSetting, table};
    rc = writeSetting(followUp);
  }
  PresetEndEdit(setting);
  return rc;
}

// A block read into its part of a snapshot, as much of it as came.
template <typename Block>
int readSnapshotPart(Block& part) {
  klcontrol_block_reply reply;
  const int rc = klcontrol_read_block(part, reply);
  if (rc != KL_OK) {
    LOG(UTIL_LOG_ERROR, "klc_send_remote_api_for_response error, %d\n", rc);
    return rc;
  }
  if (reply.nakOff) {
    LOG(UTIL_LOG_DEBUG, "Camera status returning KL_ERR_NACK_OFF\n");
    return KL_ERR_NAK_OFF;
  }
  return KL_OK;
}

int readCommandSnapshot(KlcontrolCommandServer& server, all_status_settings_t& snapshot) {
  int rc = readSnapshotPart(snapshot.status);
  if (rc == KL_OK) rc = readSnapshotPart(snapshot.settings);
  if (rc == KL_OK) server.modSettingsAndStatuses(snapshot, klcontrol_camera());
  return rc;
}

}  // namespace

int KlcontrolCommandServer::cmdSetSettingId(Msg& msg, MsgElement* arg) {
  if (mCameraInfoHandler == nullptr) {
    LOG(UTIL_LOG_ERROR, "mCameraInfoHandler is NULL - unable to set setting ID");
    return answer(msg, KL_ERR);
  }
  uint8_t model = 0;
  const int modelRc =
      klcontrol_model_number(&model, "Couldn't get model_number - not able to set setting ID");
  if (modelRc != KL_OK) return answer(msg, modelRc);
  unsigned rows = 0;
  const camera_settings_id_row* table = camera_settings_id_table(model, &rows);
  if (table == nullptr || rows == 0) {
    LOG(UTIL_LOG_ERROR, "Couldn't get settings_id_table_count");
    return answer(msg, KL_ERR);
  }
  // The camera-info and model checks above come before the argument's.
  if (!argumentAcceptable(KLCONTROL_SET_SETTING_ID, arg)) return refuseArgument(msg, nullptr);
  const int setting = int(klcontrol_arg_word(arg, 0));
  const uint32_t option = klcontrol_arg_word(arg, 4);
  const int value = mCameraInfoHandler->settingOptionToValue(setting, int(option));
  LOG(UTIL_LOG_DEBUG, "KLCONTROL_SET_SETTING_ID: setting:%d, option_id:%u value:%d", setting, option, value);
  if (setting == SETTING_FLAT_MODE && IsFactoryPreset(GetCurrentPreset())) {
    LOG(UTIL_LOG_ERROR, "Cant set flat mode for factory preset");
    return answer(msg, KL_ERR);
  }
  if (mIsZooming && setting != SETTING_DIGITAL_ZOOM) stopZooming("KLCONTROL_SET_SETTING_ID");
  if (setting == SETTING_LOOKBACK && value == LOOKBACK_EXIT_VALUE && mInContextualMenu == 0) {
    LOG(UTIL_LOG_DEBUG, "Special handling to exit lookback outside menus\n");
    return answer(msg, klc_send_simple_remote_api(klcontrol_camera(), REMOTE_LOOKBACK_EXIT));
  }
  return answer(msg, setSettingInEdit(setting, value, table, rows, mOrientationSetting));
}

int KlcontrolCommandServer::cmdGetSettingId(Msg& msg, MsgElement*) {
  LOG(UTIL_LOG_DEBUG, "KLCONTROL_GET_SETTING_ID: (NOT IMPLEMENTED)");
  return answer(msg, KL_OK);
}

int KlcontrolCommandServer::answerRemoteRead(Msg& msg, klc_remote_api api, const char* nakOffLine,
                                             uint8_t* buffer, uint16_t capacity) {
  uint8_t* reply = buffer;
  uint16_t length = capacity;
  const int rc = klc_send_remote_api_for_response(klcontrol_camera(), api, &reply, &length);
  if (rc != KL_OK) {
    LOG(UTIL_LOG_ERROR, "klc_send_remote_api_for_response error, %d\n", rc);
    return answer(msg, rc);
  }
  if (klc_link_is_nak_off(reply, length)) {
    LOG(UTIL_LOG_DEBUG, "%s", nakOffLine);
    return answer(msg, KL_ERR_NAK_OFF);
  }
  sendResponse(msg, KL_OK, reply, length);
  return KL_OK;
}

int KlcontrolCommandServer::cmdGetAllSettings(Msg& msg, MsgElement*) {
  LOG(UTIL_LOG_DEBUG, "KLCONTROL_GET_ALL_SETTINGS:");
  return answerRemoteRead(msg, REMOTE_SYSTEM_ALL_SETTINGS_GET, "Camera status returning KL_ERR_NAK_OFF\n");
}

int KlcontrolCommandServer::cmdGetAllStatus(Msg& msg, MsgElement*) {
  LOG(UTIL_LOG_DEBUG, "KLCONTROL_GET_ALL_STATUS:");
  return answerRemoteRead(msg, REMOTE_SYSTEM_ALL_STATUS_GET, "Camera status returning KL_ERR_NACK_OFF\n");
}

int KlcontrolCommandServer::cmdGetAllSettingsStatus(Msg& msg, MsgElement*) {
  LOG(UTIL_LOG_DEBUG, "KLCONTROL_GET_ALL_SETTINGS_STATUS:");
  all_status_settings_t snapshot{};
  const int rc = readCommandSnapshot(*this, snapshot);
  if (rc != KL_OK) return answer(msg, rc);
  sendResponse(msg, KL_OK, &snapshot, sizeof snapshot);
  return KL_OK;
}

int KlcontrolCommandServer::cmdCalFileNameGet(Msg& msg, MsgElement*) {
  LOG(UTIL_LOG_DEBUG, "REMOTE_SYSTEM_CAL_FILE_NAME_GET:");
  uint8_t* reply = nullptr;
  uint16_t length = 0;
  const int rc =
      klc_send_remote_api_for_response(klcontrol_camera(), REMOTE_SYSTEM_CAL_FILE_NAME_GET, &reply, &length);
  char name[KLCONTROL_CAL_FILE_NAME_SIZE];
  klcontrol_cal_file_name(rc == KL_OK ? reply : nullptr, rc == KL_OK ? length : 0, name);
  sendResponse(msg, rc, name, sizeof name);
  return rc;
}

// The text travels with its terminating zero; the bytes behind it carry nothing, and a whole
// 4096-byte buffer would not fit one response message.
int KlcontrolCommandServer::cmdGetAllSettingsStatusIds(Msg& msg, MsgElement*) {
  if (mCameraInfoHandler == nullptr) {
    LOG(UTIL_LOG_ERROR, "mCameraInfoHandler is NULL - unable to get settings and status json");
    return answer(msg, KL_ERR);
  }
  LOG(UTIL_LOG_DEBUG, "KLCONTROL_GET_ALL_SETTINGS_STATUS_IDS:");
  all_status_settings_t snapshot{};
  int rc = readCommandSnapshot(*this, snapshot);
  if (rc != KL_OK) return answer(msg, rc);
  uint8_t model = 0;
  rc = _get_model_number(&model);
  if (rc != KL_OK) model = CAMERA_DEFAULT_MODEL;
  std::stringstream text;
  text << "{";
  camera_status_serialize_status_to_json(text, &snapshot.status, model);
  text << ",\n";
  camera_settings_serialize_to_json(text, &snapshot.settings, &snapshot.status, &snapshot.system, model,
                                    mCameraInfoHandler);
  text << "}\n";
  char buffer[KLCONTROL_JSON_TEXT_SIZE];
  if (!klcontrol_format_json_text(text.str(), buffer)) {
    LOG(UTIL_LOG_ERROR, "Not enough room in buffer for response\n");
    rc = KL_ERR;
  }
  const size_t length = std::min<size_t>(std::strlen(buffer) + 1, RESPONSE_PAYLOAD_MAX);
  sendResponse(msg, rc, buffer, uint16_t(length));
  return rc;
}
