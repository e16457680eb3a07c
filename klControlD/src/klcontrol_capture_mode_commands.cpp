// Capture and mode commands: the shutter, mode changes (with the flat-mode override of the models
// that dropped legacy modes), settings forwarding, tags, the extended status and the surge options.
#include "klErrno.h"
#include "klcontrol_arg_fields.h"
#include "klcontrol_block_read.h"
#include "klcontrol_if_server.h"
#include "klcontrol_log.h"
#include "klcontrol_preset_loader.h"

constexpr const char* LOG_SOURCE = "klcontrol_if_server";

namespace {

constexpr uint16_t EXTENDED_STATUS_CAPACITY = 4096;
// Status bytes up to the last selected flat modes.
constexpr uint16_t STATUS_FLAT_MODE_BYTES = offsetof(appc_system_all_status, timelapse_selected_flatmode) + 1;

constexpr int LEGACY_VIDEO = 0;
constexpr int LEGACY_TIME_LAPSE = 2;
constexpr int FLAT_MODE_VIDEO = 12;
constexpr int FLAT_MODE_LOOPING = 15;
constexpr int FLAT_MODE_PHOTO_SINGLE = 16;
constexpr int FLAT_MODE_TIME_LAPSE_PHOTO = 20;
constexpr int FLAT_MODE_SURGE_VIDEO = 24;
constexpr int SUB_MODE_LOOPING = 3;
constexpr int SUB_MODE_SURGE = 4;

// Models whose camera only knows flat modes: a legacy mode becomes the flat mode last used.
constexpr uint8_t FLAT_MODE_MODELS[] = {19, 21, 22, 23, 24, 30, 32, 33, 34, 50, 51, 55, 57};

bool hasFlatModeOverride(uint8_t model) {
  for (uint8_t known : FLAT_MODE_MODELS) {
    if (known == model) return true;
  }
  return false;
}

// What a legacy mode turns into: its log text and its default flat mode.
struct LegacyMode {
  const char* updateFormat;
  int defaultFlatMode;
  const char* defaultFormat;
};

const LegacyMode LEGACY_MODES[] = {
    {"Got mode :%d, for model number %d - updating mode to video_selected_flatmode %d", FLAT_MODE_VIDEO,
     "Got mode :%d, for model number %d - defaulting mode to video video"},
    {"Got mode :%d, for model number %d - updating mode to photo_selected_flatmode %d",
     FLAT_MODE_PHOTO_SINGLE, "Got mode :%d, for model number %d - defaulting mode photo continuous"},
    {"Got mode :%d, for model number %d - updating mode to timelapse_selected_flatmode %d",
     FLAT_MODE_TIME_LAPSE_PHOTO, "Got mode :%d, for model number %d - defaulting mode to timelapse photo"},
};

const LegacyMode* legacyMode(int mode) {
  return mode >= LEGACY_VIDEO && mode <= LEGACY_TIME_LAPSE ? &LEGACY_MODES[mode] : nullptr;
}

// The flat mode the status block says was last selected for a legacy mode.
int selectedFlatMode(const appc_system_all_status& status, int legacyMode) {
  if (legacyMode == LEGACY_VIDEO) return status.video_selected_flatmode;
  if (legacyMode == LEGACY_TIME_LAPSE) return status.timelapse_selected_flatmode;
  return status.photo_selected_flatmode;
}

// Replaces a legacy mode by the flat mode the status block says was last selected for it. A
// failed read, the NAK-off reply or a reply too short for the flat modes leaves the mode alone.
void takeSelectedFlatMode(int& mode, uint8_t model) {
  appc_system_all_status status;
  klcontrol_block_reply reply;
  const int rc = klcontrol_read_block(status, reply);
  if (rc != KL_OK) {
    LOG(UTIL_LOG_ERROR, "klc_send_remote_api_for_response error, %d, leaving mode as %d", rc, mode);
    return;
  }
  if (reply.nakOff) {
    LOG(UTIL_LOG_ERROR, "Camera status returning KL_ERR_NACK_OFF, skipping flatmode update");
    return;
  }
  const LegacyMode* legacy = legacyMode(mode);
  if (legacy == nullptr || reply.length < STATUS_FLAT_MODE_BYTES) return;
  const int selected = selectedFlatMode(status, mode);
  LOG(UTIL_LOG_DEBUG, legacy->updateFormat, mode, int(model), selected);
  mode = selected;
}

// A legacy mode still left after the status read gets its group's default flat mode.
void applyDefaultFlatMode(int& mode, uint8_t model) {
  const LegacyMode* legacy = legacyMode(mode);
  if (legacy == nullptr) return;
  LOG(UTIL_LOG_ERROR, legacy->defaultFormat, mode, int(model));
  mode = legacy->defaultFlatMode;
}

// The mode klc_app_set_mode gets: legacy modes become flat modes on the models that need it.
int overrideMode(int mode) {
  uint8_t model = 0;
  if (_get_model_number(&model) != KL_OK) {
    LOG(UTIL_LOG_ERROR, "Couldn't get model_number - no flat mode override");
    return mode;
  }
  if (!hasFlatModeOverride(model)) return mode;
  takeSelectedFlatMode(mode, model);
  applyDefaultFlatMode(mode, model);
  return mode;
}

// A video mode may leave resolution, frame rate and lens in a combination it lacks; a camera
// without that check answers KL_ERR_NOT_SUPPORTED, which is no failure of the mode change.
int resetVideoFormat(int mode, int subMode, int level) {
  LOG(level, "Setting Resolution to enforce parameter correctness Mode:%d subMode:%d", mode, subMode);
  const int rc = klc_video_reset_to_valid_res_fps_fov(klcontrol_camera());
  return rc == KL_ERR_NOT_SUPPORTED ? KL_OK : rc;
}

bool isVideoMode(int mode) {
  return mode == LEGACY_VIDEO || (mode >= FLAT_MODE_VIDEO && mode <= FLAT_MODE_LOOPING);
}

// The surge options differ only in their log line and library call.
struct SurgeOption {
  const char* format;
  int (*set)(klc_msg_q_context_t* ctx, int value);
};

const SurgeOption SURGE_SPEED_1X{"KLCONTROL_VIDEO_SURGE_SPEED_1X_SET: 1x speed enabled:%d",
                                 klc_video_set_surge_speed_1x};
const SurgeOption SURGE_SPEED_RAMP{"KLCONTROL_VIDEO_SURGE_SPEED_RAMP_SET: speed_ramp:%d",
                                   klc_video_set_surge_speed_ramp};
const SurgeOption SURGE_SPEED_RAMP_ACTIVE{"KLCONTROL_VIDEO_SURGE_SPEED_RAMP_ACTIVE_SET: speed_ramp_active:%d",
                                          klc_video_set_surge_speed_ramp_active};

int setSurgeOption(const MsgElement* arg, const SurgeOption& option) {
  uint32_t value = 0;
  arg->getUint32(&value);
  LOG(UTIL_LOG_DEBUG, option.format, int(value));
  return option.set(klcontrol_camera(), int(value));
}

}  // namespace

int KlcontrolCommandServer::cmdShutter(Msg& msg, MsgElement* arg) {
  uint8_t value = 0;
  arg->getUint8(&value);
  LOG(UTIL_LOG_DEBUG, "KLCONTROL_COMMAND_SHUTTER: value:%d", int(value));
  return answer(msg, klc_shutter(klcontrol_camera(), value));
}

int KlcontrolCommandServer::cmdMode(Msg& msg, MsgElement* arg) {
  stopZooming("KLCONTROL_MODE");
  uint32_t value = 0;
  arg->getUint32(&value);
  LOG(UTIL_LOG_DEBUG, "KLCONTROL_MODE: mode:%d", int(value));
  const int mode = overrideMode(int(value));
  const int rc = klc_app_set_mode(klcontrol_camera(), mode);
  if (rc != KL_OK || !isVideoMode(mode)) return answer(msg, rc);
  return answer(msg, resetVideoFormat(mode, 0, UTIL_LOG_DEBUG));
}

// Argument: u32 mode, u32 sub-mode (length checked by the frame).
int KlcontrolCommandServer::cmdModeSubMode(Msg& msg, MsgElement* arg) {
  const int mode = int(klcontrol_arg_word(arg, 0));
  const int subMode = int(klcontrol_arg_word(arg, 4));
  stopZooming("KLCONTROL_MODE_SUB_MODE");
  LOG(UTIL_LOG_DEBUG, "KLCONTROL_MODE_SUB_MODE: mode:%d sub_mode:%d", mode, subMode);
  int rc = KL_OK;
  if (mode == LEGACY_VIDEO && subMode == SUB_MODE_SURGE) {
    rc = klc_app_set_mode(klcontrol_camera(), FLAT_MODE_SURGE_VIDEO);
  } else if (mode == LEGACY_VIDEO && subMode == SUB_MODE_LOOPING) {
    rc = klc_app_set_mode(klcontrol_camera(), FLAT_MODE_LOOPING);
  } else {
    rc = klc_app_set_mode_sub_mode(klcontrol_camera(), mode, subMode);
  }
  if (rc != KL_OK || mode != LEGACY_VIDEO) return answer(msg, rc);
  return answer(msg, resetVideoFormat(LEGACY_VIDEO, subMode, UTIL_LOG_INFO));
}

int KlcontrolCommandServer::cmdSettingsForward(Msg& msg, MsgElement* arg) {
  return answer(msg, klc_send_remote_api_payload(klcontrol_camera(), REMOTE_SETTINGS_FORWARD, arg->getData(),
                                                 arg->getDataLength()));
}

int KlcontrolCommandServer::cmdGlintTagRecording(Msg& msg, MsgElement*) {
  LOG(UTIL_LOG_DEBUG, "KLCONTROL_GLINT_TAG_RECORDING:");
  return answer(msg, klc_send_simple_remote_api(klcontrol_camera(), REMOTE_MEDIA_TAG_RECORDING));
}

// The camera's reply goes to the client as it came, within the buffer handed to the library.
int KlcontrolCommandServer::cmdGetExtendedStatus(Msg& msg, MsgElement*) {
  LOG(UTIL_LOG_DEBUG, "KLCONTROL_GET_ALL_STATUS:");
  uint8_t buffer[EXTENDED_STATUS_CAPACITY];
  return answerRemoteRead(msg, REMOTE_SYSTEM_EXTENDED_STATUS_GET, "Camera status returning KL_ERR_NACK_OFF\n",
                          buffer, sizeof buffer);
}

int KlcontrolCommandServer::cmdModeSetMode(Msg& msg, MsgElement* arg) {
  uint16_t mode = 0;
  arg->getUint16(&mode);
  stopZooming("KLCONTROL_MODE_SET_MODE");
  return answer(msg, LoadPresetFromMode(mode));
}

int KlcontrolCommandServer::cmdSurgeSpeed1xSet(Msg& msg, MsgElement* arg) {
  return answer(msg, setSurgeOption(arg, SURGE_SPEED_1X));
}

int KlcontrolCommandServer::cmdSurgeSpeedRampSet(Msg& msg, MsgElement* arg) {
  return answer(msg, setSurgeOption(arg, SURGE_SPEED_RAMP));
}

int KlcontrolCommandServer::cmdSurgeSpeedRampActiveSet(Msg& msg, MsgElement* arg) {
  return answer(msg, setSurgeOption(arg, SURGE_SPEED_RAMP_ACTIVE));
}
