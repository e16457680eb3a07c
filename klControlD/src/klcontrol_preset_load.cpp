// Loading the preset that stands for a flat mode, or the current preset of a group, on the camera.
#include <cstring>

#include "CameraFactory.h"
#include "klErrno.h"
#include "klLog.h"
#include "klcontrol_if_server.h"
#include "klcontrol_preset_loader.h"

#define LOG(level, ...) KLOG(level, "klcontrol_preset_loader", __VA_ARGS__)

namespace {

constexpr const char* SOURCE_PATH = "klControlD/src/klcontrol_preset_loader";
constexpr int REMOTE_SYSTEM_GROUP = 8;
constexpr int REMOTE_SYSTEM_ALL_STATUS_GET = 11;
constexpr int REMOTE_PRESET_GROUP = 17;
constexpr int REMOTE_PRESET_LOAD = 12;
constexpr uint8_t NAK_OFF_REPLY = 2;
constexpr uint8_t MODEL_51 = 51;
constexpr int FIRST_GROUP_MODE = 1000;
constexpr int LAST_GROUP_MODE = 1010;

// The current presets of the status block and the defaults that depend on its group selector.
struct StatusPresets {
  uint32_t video;
  uint32_t photo;
  uint32_t timeLapse;
  uint32_t defaultVideo;
  uint32_t defaultPhoto;
};

enum class PresetOf { DEFAULT_VIDEO, DEFAULT_PHOTO, FIXED };

struct ModePreset {
  int flatMode;
  PresetOf kind;
  uint32_t id;       // for FIXED
  bool refusedOn51;  // model 51 has no such preset
};

constexpr ModePreset kModePresets[] = {
    {12, PresetOf::DEFAULT_VIDEO, 0, false}, {13, PresetOf::FIXED, 0x20001, true},
    {16, PresetOf::DEFAULT_PHOTO, 0, false}, {17, PresetOf::DEFAULT_PHOTO, 0, false},
    {18, PresetOf::FIXED, 0x10003, true},    {19, PresetOf::FIXED, 0x10002, true},
    {20, PresetOf::FIXED, 0x20001, true},    {21, PresetOf::FIXED, 0x20002, true},
    {24, PresetOf::FIXED, 0x20000, false},   {25, PresetOf::FIXED, 0x10001, true},
    {26, PresetOf::FIXED, 0x20002, true},    {27, PresetOf::FIXED, 3, true},
};

uint32_t wordAt(const uint8_t* bytes, size_t offset) {
  uint32_t value = 0;
  std::memcpy(&value, bytes + offset, sizeof value);
  return value;
}

// Reads the status block; 0, -1 for a refusal or a block of the wrong size, or the call's error.
int readStatusPresets(StatusPresets& presets) {
  uint8_t* answer = nullptr;
  uint16_t length = 0;
  const int rc =
      klc_send_remote_api_for_response(&KlcontrolCommandServer::m_cameraContext, REMOTE_SYSTEM_GROUP,
                                       REMOTE_SYSTEM_ALL_STATUS_GET, &answer, &length);
  if (rc != 0) {
    LOG(UTIL_LOG_ERROR, "klc_send_remote_api_for_response error, %d @ %s:%d\n", rc, SOURCE_PATH, __LINE__);
    return rc;
  }
  if (answer != nullptr && length == 1 && answer[0] == NAK_OFF_REPLY) {
    LOG(UTIL_LOG_DEBUG, "Camera status returning KL_ERR_NACK_OFF\n");
    return KL_ERR;
  }
  if (answer == nullptr || length != sizeof(appc_system_all_status)) {
    LOG(UTIL_LOG_ERROR, "ASSERT ERROR - status_all size does not match rsp size=%d", int(length));
    return KL_ERR;
  }
  presets.video = wordAt(answer, offsetof(appc_system_all_status, video_preset_id));
  presets.photo = wordAt(answer, offsetof(appc_system_all_status, photo_preset_id));
  presets.timeLapse = wordAt(answer, offsetof(appc_system_all_status, timelapse_preset_id));
  const uint32_t group = wordAt(answer, offsetof(appc_system_all_status, active_preset_group));
  const bool dualLens = group >= 3 && group <= 5;
  presets.defaultPhoto = dualLens ? 0x40000 : 0x10000;
  presets.defaultVideo = dualLens ? 0x30000 : 0;
  return KL_OK;
}

// The current preset of group index 0..5; false for the groups without one.
bool groupPreset(int index, const StatusPresets& presets, uint32_t& id) {
  LOG(UTIL_LOG_DEBUG, "Received a group %d", index + FIRST_GROUP_MODE);
  const uint32_t byGroup[] = {presets.video, presets.photo, presets.timeLapse};
  const bool known = index >= 0 && index <= 5;
  id = known ? byGroup[index % 3] : 0;
  LOG(UTIL_LOG_DEBUG, "Found preset %d and is %d", known ? 1 : 0, int(id));
  return known;
}

// The factory preset of a flat mode; false for modes without one or refused on the model.
bool flatModePreset(int mode, uint8_t model, const StatusPresets& presets, uint32_t& id) {
  for (const ModePreset& entry : kModePresets) {
    if (entry.flatMode != mode) continue;
    if (entry.refusedOn51 && model == MODEL_51) return false;
    id = entry.kind == PresetOf::DEFAULT_VIDEO   ? presets.defaultVideo
         : entry.kind == PresetOf::DEFAULT_PHOTO ? presets.defaultPhoto
                                                 : entry.id;
    return true;
  }
  return false;
}

}  // namespace

int LoadPresetFromMode(int mode) {
  LOG(UTIL_LOG_DEBUG, "Input mode is %d for loading preset", mode);
  StatusPresets presets{};
  const int statusRc = readStatusPresets(presets);
  if (statusRc != KL_OK) return statusRc;
  uint8_t model = CAMERA_DEFAULT_MODEL;
  const int modelRc = _get_model_number(&model);
  if (modelRc != 0) {
    LOG(UTIL_LOG_ERROR, "Could not get camera model number in load preset from mode");
    return modelRc;
  }
  uint32_t id = 0;
  const bool isGroup = mode >= FIRST_GROUP_MODE && mode <= LAST_GROUP_MODE;
  const bool found =
      isGroup ? groupPreset(mode - FIRST_GROUP_MODE, presets, id) : flatModePreset(mode, model, presets, id);
  if (!found) return KL_ERR;
  return klc_send_remote_api_payload(&KlcontrolCommandServer::m_cameraContext, REMOTE_PRESET_GROUP,
                                     REMOTE_PRESET_LOAD, &id, sizeof id);
}
