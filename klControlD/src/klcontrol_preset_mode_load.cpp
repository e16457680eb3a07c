// Loading the preset that stands for a flat mode, or the current preset of a group, on the camera.
#include "CameraFactory.h"
#include "klErrno.h"
#include "klcontrol_block_read.h"
#include "klcontrol_camera.h"
#include "klcontrol_log.h"
#include "klcontrol_preset_loader.h"

constexpr const char* LOG_SOURCE = "klcontrol_preset_loader";

namespace {

constexpr const char* SOURCE_PATH = "klControlD/src/klcontrol_preset_loader";
constexpr int FIRST_GROUP_MODE = int(KLC_PRESET_CLIENT_GROUP_BASE);
constexpr int LAST_GROUP_MODE = 1010;

enum class PresetOf { DEFAULT_VIDEO, DEFAULT_PHOTO, FIXED };

struct ModePreset {
  int flatMode;
  PresetOf kind;
  uint32_t id;       // for FIXED
  bool refusedOn51;  // model 51 has no such preset
};

constexpr ModePreset MODE_PRESETS[] = {
    {12, PresetOf::DEFAULT_VIDEO, 0, false}, {13, PresetOf::FIXED, 0x20001, true},
    {16, PresetOf::DEFAULT_PHOTO, 0, false}, {17, PresetOf::DEFAULT_PHOTO, 0, false},
    {18, PresetOf::FIXED, 0x10003, true},    {19, PresetOf::FIXED, 0x10002, true},
    {20, PresetOf::FIXED, 0x20001, true},    {21, PresetOf::FIXED, 0x20002, true},
    {24, PresetOf::FIXED, 0x20000, false},   {25, PresetOf::FIXED, 0x10001, true},
    {26, PresetOf::FIXED, 0x20002, true},    {27, PresetOf::FIXED, 3, true},
};

// Reads the status block; 0, -1 for a refusal or a block of the wrong size, or the call's error.
int readStatus(appc_system_all_status& status) {
  klcontrol_block_reply reply;
  const int rc = klcontrol_read_block(status, reply);
  if (rc != 0) {
    LOG(UTIL_LOG_ERROR, "klc_send_remote_api_for_response error, %d @ %s:%d\n", rc, SOURCE_PATH, __LINE__);
    return rc;
  }
  if (reply.nakOff) {
    LOG(UTIL_LOG_DEBUG, "Camera status returning KL_ERR_NACK_OFF\n");
    return KL_ERR;
  }
  if (reply.length != sizeof status) {
    LOG(UTIL_LOG_ERROR, "ASSERT ERROR - status_all size does not match rsp size=%d", int(reply.length));
    return KL_ERR;
  }
  return KL_OK;
}

// The current preset of group index 0..5; false for the groups without one.
bool groupPreset(int index, const appc_system_all_status& status, uint32_t& id) {
  LOG(UTIL_LOG_DEBUG, "Received a group %d", index + FIRST_GROUP_MODE);
  id = 0;
  const bool known = index >= 0 && index <= KLC_PRESET_GROUP_DUAL_TIME_LAPSE &&
                     klcontrol_group_preset(status, uint32_t(index), false, id);
  LOG(UTIL_LOG_DEBUG, "Found preset %d and is %d", known ? 1 : 0, int(id));
  return known;
}

// The factory preset of a flat mode; false for modes without one or refused on the model. The
// default presets depend on whether the active group is a dual-lens one.
bool flatModePreset(int mode, uint8_t model, const appc_system_all_status& status, uint32_t& id) {
  const bool dualLens = klc_preset_dual_lens_group(status.active_preset_group);
  for (const ModePreset& entry : MODE_PRESETS) {
    if (entry.flatMode != mode) continue;
    if (entry.refusedOn51 && model == CAMERA_DUAL_LENS_MODEL) return false;
    id = entry.kind == PresetOf::DEFAULT_VIDEO   ? (dualLens ? 0x30000 : 0)
         : entry.kind == PresetOf::DEFAULT_PHOTO ? (dualLens ? 0x40000 : 0x10000)
                                                 : entry.id;
    return true;
  }
  return false;
}

}  // namespace

int LoadPresetFromMode(int mode) {
  LOG(UTIL_LOG_DEBUG, "Input mode is %d for loading preset", mode);
  appc_system_all_status status;
  const int statusRc = readStatus(status);
  if (statusRc != KL_OK) return statusRc;
  uint8_t model = 0;
  const int modelRc = _get_model_number(&model);
  if (modelRc != 0) {
    LOG(UTIL_LOG_ERROR, "Could not get camera model number in load preset from mode");
    return modelRc;
  }
  uint32_t id = 0;
  const bool isGroup = mode >= FIRST_GROUP_MODE && mode <= LAST_GROUP_MODE;
  const bool found =
      isGroup ? groupPreset(mode - FIRST_GROUP_MODE, status, id) : flatModePreset(mode, model, status, id);
  if (!found) return KL_ERR;
  return klc_send_remote_api_payload(klcontrol_camera(), REMOTE_PRESET_LOAD, &id, sizeof id);
}
