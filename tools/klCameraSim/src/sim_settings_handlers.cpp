// Settings written one by one: a setting by its id-table place, the shutter check that follows a
// frame-rate change, on-screen controls, audio and microphone options, leaving look-back, and the
// calibration file name.
#include <cstddef>
#include <string>

#include "CameraFactory.h"
#include "InfoHandler.h"
#include "klErrno.h"
#include "sim_handlers.h"
#include "sim_model_profile.h"

namespace {

constexpr unsigned kVideoFps = offsetof(appc_setup_all_settings, video_fps);
constexpr unsigned kVideoShutter = offsetof(appc_setup_all_settings, video_shutter);
constexpr unsigned kOnscreenFirst = offsetof(appc_setup_all_settings, onscreen_controls);
// Where a model without controls numbers its shortcuts 0, 1.
constexpr unsigned kShortcutsFirst = kOnscreenFirst + 2;
constexpr int32_t kOnscreenControls = 4;
constexpr int32_t kShortcutsOnly = 2;
constexpr int32_t kOnscreenMaximum = 31;
constexpr unsigned kAudioOption = offsetof(appc_setup_all_settings, audio_option);
constexpr unsigned kMicOption = offsetof(appc_setup_all_settings, mic_option);
constexpr unsigned kLookback = offsetof(appc_setup_all_settings, lookback);
constexpr uint8_t kLookbackExit = 4;
constexpr uint8_t kOptionMaximum = 2;
// Frame-rate values below this are too fast for a manual shutter.
constexpr int8_t kSlowestFastFps = 5;
constexpr uint32_t kSignedFlag = 1;

bool fitsRow(int64_t value, uint32_t width, bool isSigned) {
  const int64_t span = int64_t(1) << (8 * width);
  return isSigned ? value >= -span / 2 && value < span / 2 : value >= 0 && value < span;
}

// Whether the camera has the value for the setting: a flat mode of its model, or a value the
// camera-info side lists for the model (for a model it does not know, for its default model).
bool hasValue(const SimCamera& camera, int32_t setting, uint32_t offset, int32_t value) {
  if (offset == offsetof(appc_setup_all_settings, flat_mode)) return camera.hasFlatMode(value);
  static CameraFactory factory;
  CameraPlatform* platform = factory.setupCamera(camera.model());
  if (platform == nullptr) platform = factory.setupCamera(CAMERA_DEFAULT_MODEL);
  return platform->getInfoHandler()->settingValueToOption(setting, value) != CAMERA_NO_OPTION;
}

// Payload: setting id, offset, width, flags, value. The value lands little-endian at its place.
void setValueInt(SimCamera& camera, const klc_link_request& request, SimReply& reply) {
  int32_t words[5] = {};
  const bool read = simPayloadWords(request, words, 5);
  const uint32_t offset = uint32_t(words[1]);
  const uint32_t width = uint32_t(words[2]);
  const bool isSigned = (uint32_t(words[3]) & kSignedFlag) != 0;
  if (!read || (width != 1 && width != 2) || offset + width > SimCamera::blockSize(SimBlock::SETTINGS) ||
      !fitsRow(words[4], width, isSigned) || !hasValue(camera, words[0], offset, words[4])) {
    reply.status = KL_ERR_INVALID_PARAM;
    return;
  }
  camera.write(SimBlock::SETTINGS, offset, width, words[4]);
}

// A manual shutter only suits the slower frame rates.
void validateShutter(SimCamera& camera, const klc_link_request&, SimReply& reply) {
  const int8_t* settings = reinterpret_cast<const int8_t*>(camera.bytes(SimBlock::SETTINGS));
  const bool valid = settings[kVideoShutter] == 0 || settings[kVideoFps] >= kSlowestFastFps;
  reply.answer.assign(1, valid ? 1 : 0);
}

// A model with shortcuts only numbers them 0 and 1; the others number controls first, then shortcuts.
void onscreenControl(SimCamera& camera, const klc_link_request& request, SimReply& reply) {
  const bool shortcutsOnly = simModelProfile(camera.model()).shortcutsFirst;
  int32_t words[2] = {};
  if (!simPayloadWords(request, words, 2) || words[0] < 0 || words[0] > kOnscreenMaximum || words[1] < 0 ||
      words[1] >= (shortcutsOnly ? kShortcutsOnly : kOnscreenControls)) {
    reply.status = KL_ERR_INVALID_PARAM;
    return;
  }
  camera.write(SimBlock::SETTINGS, (shortcutsOnly ? kShortcutsFirst : kOnscreenFirst) + unsigned(words[1]), 1,
               words[0]);
}

void storeAudio(SimCamera& camera, const klc_link_request& request, SimReply& reply, unsigned place,
                bool supported) {
  uint8_t option = 0;
  if (!supported) {
    reply.status = KL_ERR_NOT_SUPPORTED;
  } else if (!simPayloadByte(request, option) || option > kOptionMaximum) {
    reply.status = KL_ERR_INVALID_PARAM;
  } else {
    camera.write(SimBlock::SETTINGS, place, 1, option);
  }
}

void audioOption(SimCamera& camera, const klc_link_request& request, SimReply& reply) {
  storeAudio(camera, request, reply, kAudioOption, simModelProfile(camera.model()).audioOption);
}

void micOption(SimCamera& camera, const klc_link_request& request, SimReply& reply) {
  storeAudio(camera, request, reply, kMicOption, simModelProfile(camera.model()).micOption);
}

void lookbackExit(SimCamera& camera, const klc_link_request&, SimReply& reply) {
  if (!simModelProfile(camera.model()).lookback) {
    reply.status = KL_ERR_NOT_SUPPORTED;
    return;
  }
  camera.write(SimBlock::SETTINGS, kLookback, 1, kLookbackExit);
}

// The camera's own path of its lens calibration, drive first, zero-terminated.
void calFileName(SimCamera& camera, const klc_link_request&, SimReply& reply) {
  const std::string path = "C:\\cal\\lens" + std::to_string(camera.model()) + ".bin";
  simAnswerBytes(reply, path.c_str(), path.size() + 1);
}

}  // namespace

void simAddSettingsHandlers(SimHandlerTable& table) {
  table.add({
      {KLC_OP_SETTINGS_SET_VALUE_INT, setValueInt},
      {KLC_OP_VIDEO_VALIDATE_SHUTTER, validateShutter},
      {KLC_OP_SETTINGS_SET_ONSCREEN_CONTROL, onscreenControl},
      {KLC_OP_AUDIO_SET_AUDIO_OPTION, audioOption},
      {KLC_OP_AUDIO_SET_MIC_OPTION, micOption},
      {REMOTE_LOOKBACK_EXIT, lookbackExit},
      {REMOTE_SYSTEM_CAL_FILE_NAME_GET, calFileName},
  });
}
