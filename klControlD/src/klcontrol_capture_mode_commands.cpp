// Capture and mode commands: the shutter, mode changes (with the flat-mode override of the models
// that dropped legacy modes), settings forwarding, tags, the extended status and the surge options.
#include <cstring>

#include "klErrno.h"
#include "klLog.h"
#include "klcontrol_if_server.h"
#include "klcontrol_preset_loader.h"

#define LOG(level, ...) KLOG(level, "klcontrol_if_server", __VA_ARGS__)

namespace {

constexpr int REMOTE_GROUP_SETTINGS = 7;
constexpr int REMOTE_SETTINGS_FORWARD = 27;
constexpr int REMOTE_GROUP_SYSTEM = 8;
constexpr int REMOTE_SYSTEM_ALL_STATUS_GET = 11;
constexpr int REMOTE_SYSTEM_EXTENDED_STATUS_GET = 34;
constexpr int REMOTE_GROUP_MEDIA = 9;
constexpr int REMOTE_MEDIA_TAG_RECORDING = 12;
constexpr uint8_t NAK_OFF_REPLY = 2;
constexpr uint16_t EXTENDED_STATUS_CAPACITY = 4096;
// Status bytes up to the last selected flat mode (offsets 2 to 4).
constexpr uint16_t STATUS_FLAT_MODE_BYTES = 5;

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
constexpr uint8_t kFlatModeModels[] = {19, 21, 22, 23, 24, 30, 32, 33, 34, 50, 51, 55, 57};

klc_msg_q_context_t* context() {
  return &KlcontrolCommandServer::m_cameraContext;
}

bool hasFlatModeOverride(uint8_t model) {
  for (uint8_t known : kFlatModeModels) {
    if (known == model) return true;
  }
  return false;
}

bool isNakOff(const uint8_t* reply, uint16_t length) {
  return reply != nullptr && length == 1 && reply[0] == NAK_OFF_REPLY;
}

// What a legacy mode turns into: its status byte, its log text, and its default flat mode.
struct LegacyMode {
  size_t statusOffset;
  const char* updateFormat;
  int defaultFlatMode;
  const char* defaultFormat;
};

const LegacyMode kLegacyModes[] = {
    {offsetof(appc_system_all_status, video_selected_flatmode),
     "Got mode :%d, for model number %d - updating mode to video_selected_flatmode %d", FLAT_MODE_VIDEO,
     "Got mode :%d, for model number %d - defaulting mode to video video"},
    {offsetof(appc_system_all_status, photo_selected_flatmode),
     "Got mode :%d, for model number %d - updating mode to photo_selected_flatmode %d",
     FLAT_MODE_PHOTO_SINGLE, "Got mode :%d, for model number %d - defaulting mode photo continuous"},
    {offsetof(appc_system_all_status, timelapse_selected_flatmode),
     "Got mode :%d, for model number %d - updating mode to timelapse_selected_flatmode %d",
     FLAT_MODE_TIME_LAPSE_PHOTO, "Got mode :%d, for model number %d - defaulting mode to timelapse photo"},
};

const LegacyMode* legacyMode(int mode) {
  return mode >= LEGACY_VIDEO && mode <= LEGACY_TIME_LAPSE ? &kLegacyModes[mode] : nullptr;
}

// Replaces a legacy mode by the flat mode the status block says was last selected for it. A
// failed read, the NAK-off reply or a reply too short for the flat modes leaves the mode alone.
void takeSelectedFlatMode(int& mode, uint8_t model) {
  uint8_t* reply = nullptr;
  uint16_t length = 0;
  const int rc = klc_send_remote_api_for_response(context(), REMOTE_GROUP_SYSTEM,
                                                  REMOTE_SYSTEM_ALL_STATUS_GET, &reply, &length);
  if (rc != KL_OK) {
    LOG(UTIL_LOG_ERROR, "klc_send_remote_api_for_response error, %d, leaving mode as %d", rc, mode);
    return;
  }
  if (isNakOff(reply, length)) {
    LOG(UTIL_LOG_ERROR, "Camera status returning KL_ERR_NACK_OFF, skipping flatmode update");
    return;
  }
  const LegacyMode* legacy = legacyMode(mode);
  if (legacy == nullptr || reply == nullptr || length < STATUS_FLAT_MODE_BYTES) return;
  const int selected = int8_t(reply[legacy->statusOffset]);
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
  const int rc = klc_video_reset_to_valid_res_fps_fov(context());
  return rc == KL_ERR_NOT_SUPPORTED ? KL_OK : rc;
}

bool isVideoMode(int mode) {
  return mode == LEGACY_VIDEO || (mode >= FLAT_MODE_VIDEO && mode <= FLAT_MODE_LOOPING);
}

uint32_t wordAt(const MsgElement* arg, unsigned index) {
  uint32_t word = 0;
  std::memcpy(&word, arg->getData() + index * sizeof word, sizeof word);
  return word;
}

// The surge options differ only in their log line and library call.
struct SurgeOption {
  const char* format;
  int (*set)(klc_msg_q_context_t* ctx, int value);
};

const SurgeOption kSurgeSpeed1x{"KLCONTROL_VIDEO_SURGE_SPEED_1X_SET: 1x speed enabled:%d",
                                klc_video_set_surge_speed_1x};
const SurgeOption kSurgeSpeedRamp{"KLCONTROL_VIDEO_SURGE_SPEED_RAMP_SET: speed_ramp:%d",
                                  klc_video_set_surge_speed_ramp};
const SurgeOption kSurgeSpeedRampActive{"KLCONTROL_VIDEO_SURGE_SPEED_RAMP_ACTIVE_SET: speed_ramp_active:%d",
                                        klc_video_set_surge_speed_ramp_active};

int setSurgeOption(const MsgElement* arg, const SurgeOption& option) {
  uint32_t value = 0;
  arg->getUint32(&value);
  LOG(UTIL_LOG_DEBUG, option.format, int(value));
  return option.set(context(), int(value));
}

}  // namespace

int KlcontrolCommandServer::cmdShutter(Msg& msg, MsgElement* arg) {
  uint8_t value = 0;
  arg->getUint8(&value);
  LOG(UTIL_LOG_DEBUG, "KLCONTROL_COMMAND_SHUTTER: value:%d", int(value));
  return answer(msg, klc_shutter(&m_cameraContext, value));
}

int KlcontrolCommandServer::cmdMode(Msg& msg, MsgElement* arg) {
  stopZooming("KLCONTROL_MODE");
  uint32_t value = 0;
  arg->getUint32(&value);
  LOG(UTIL_LOG_DEBUG, "KLCONTROL_MODE: mode:%d", int(value));
  const int mode = overrideMode(int(value));
  const int rc = klc_app_set_mode(&m_cameraContext, mode);
  if (rc != KL_OK || !isVideoMode(mode)) return answer(msg, rc);
  return answer(msg, resetVideoFormat(mode, 0, UTIL_LOG_DEBUG));
}

// Argument: u32 mode, u32 sub-mode (length checked by the frame).
int KlcontrolCommandServer::cmdModeSubMode(Msg& msg, MsgElement* arg) {
  const int mode = int(wordAt(arg, 0));
  const int subMode = int(wordAt(arg, 1));
  stopZooming("KLCONTROL_MODE_SUB_MODE");
  LOG(UTIL_LOG_DEBUG, "KLCONTROL_MODE_SUB_MODE: mode:%d sub_mode:%d", mode, subMode);
  int rc = KL_OK;
  if (mode == LEGACY_VIDEO && subMode == SUB_MODE_SURGE) {
    rc = klc_app_set_mode(&m_cameraContext, FLAT_MODE_SURGE_VIDEO);
  } else if (mode == LEGACY_VIDEO && subMode == SUB_MODE_LOOPING) {
    rc = klc_app_set_mode(&m_cameraContext, FLAT_MODE_LOOPING);
  } else {
    rc = klc_app_set_mode_sub_mode(&m_cameraContext, mode, subMode);
  }
  if (rc != KL_OK || mode != LEGACY_VIDEO) return answer(msg, rc);
  return answer(msg, resetVideoFormat(LEGACY_VIDEO, subMode, UTIL_LOG_INFO));
}

int KlcontrolCommandServer::cmdSettingsForward(Msg& msg, MsgElement* arg) {
  return answer(msg,
                klc_send_remote_api_payload(&m_cameraContext, REMOTE_GROUP_SETTINGS, REMOTE_SETTINGS_FORWARD,
                                            arg->getData(), arg->getDataLength()));
}

int KlcontrolCommandServer::cmdGlintTagRecording(Msg& msg, MsgElement*) {
  LOG(UTIL_LOG_DEBUG, "KLCONTROL_GLINT_TAG_RECORDING:");
  return answer(msg,
                klc_send_simple_remote_api(&m_cameraContext, REMOTE_GROUP_MEDIA, REMOTE_MEDIA_TAG_RECORDING));
}

// The camera's reply goes to the client as it came, within the buffer handed to the library.
int KlcontrolCommandServer::cmdGetExtendedStatus(Msg& msg, MsgElement*) {
  LOG(UTIL_LOG_DEBUG, "KLCONTROL_GET_ALL_STATUS:");
  uint8_t buffer[EXTENDED_STATUS_CAPACITY];
  uint8_t* reply = buffer;
  uint16_t length = sizeof buffer;
  const int rc = klc_send_remote_api_for_response(&m_cameraContext, REMOTE_GROUP_SYSTEM,
                                                  REMOTE_SYSTEM_EXTENDED_STATUS_GET, &reply, &length);
  if (rc != KL_OK) {
    LOG(UTIL_LOG_ERROR, "klc_send_remote_api_for_response error, %d\n", rc);
    return answer(msg, rc);
  }
  if (isNakOff(reply, length)) {
    LOG(UTIL_LOG_DEBUG, "Camera status returning KL_ERR_NACK_OFF\n");
    return answer(msg, KL_ERR_NAK_OFF);
  }
  sendResponse(msg, KL_OK, reply, length);
  return KL_OK;
}

int KlcontrolCommandServer::cmdModeSetMode(Msg& msg, MsgElement* arg) {
  uint16_t mode = 0;
  arg->getUint16(&mode);
  stopZooming("KLCONTROL_MODE_SET_MODE");
  return answer(msg, LoadPresetFromMode(mode));
}

int KlcontrolCommandServer::cmdSurgeSpeed1xSet(Msg& msg, MsgElement* arg) {
  return answer(msg, setSurgeOption(arg, kSurgeSpeed1x));
}

int KlcontrolCommandServer::cmdSurgeSpeedRampSet(Msg& msg, MsgElement* arg) {
  return answer(msg, setSurgeOption(arg, kSurgeSpeedRamp));
}

int KlcontrolCommandServer::cmdSurgeSpeedRampActiveSet(Msg& msg, MsgElement* arg) {
  return answer(msg, setSurgeOption(arg, kSurgeSpeedRampActive));
}
