// Camera state the commands share: the lens cache, the active preset and group, the snapshot
// adjustment, the camera-info set-up and the end of a zoom's preset edit.
#include <cstring>

#include "CameraFactory.h"
#include "camera_json.h"
#include "klLog.h"
#include "klcontrol_if_server.h"
#include "klcontrol_preset_loader.h"

#define LOG(level, ...) KLOG(level, "klcontrol_if_server", __VA_ARGS__)

namespace {

constexpr uint16_t STATUS_BLOCK_SIZE = sizeof(appc_system_all_status);
constexpr uint32_t NO_PRESET = 0xFFFFFFFFu;

uint32_t wordAt(const uint8_t* bytes, size_t offset) {
  uint32_t value = 0;
  std::memcpy(&value, bytes + offset, sizeof value);
  return value;
}

void putWord(uint8_t* bytes, size_t offset, uint32_t value) {
  std::memcpy(bytes + offset, &value, sizeof value);
}

// Offset of the preset id that the group selector at 19 points to; 0 when it names none.
size_t presetOffsetForSelector(uint32_t selector, bool withSpecialGroups) {
  switch (selector) {
    case 0:
    case 3:
    case 8:
    case 9:
      return 7;
    case 1:
    case 4:
      return 11;
    case 2:
    case 5:
      return 15;
    case 6:
    case 7:
      return withSpecialGroups ? 23 : 0;
    default:
      return 0;
  }
}

bool isNakOff(const uint8_t* answer, uint16_t length) {
  return length == 1 && answer != nullptr && answer[0] == 2;
}

}  // namespace

bool KlcontrolCommandServer::readLenses() {
  uint8_t lensMode = 0;
  uint8_t lens = 0;
  if (klc_system_get_lenses(&m_cameraContext, &lensMode, &lens) != 0) return false;
  mLensMode = int8_t(lensMode);
  mLens = int8_t(lens);
  return true;
}

void KlcontrolCommandServer::refreshLenses(const char* failureText) {
  mNeedLenses = !readLenses();
  if (mNeedLenses) LOG(UTIL_LOG_ERROR, "%s", failureText);
}

int8_t KlcontrolCommandServer::GetLensMode() {
  if (mNeedLenses) refreshLenses("Failed to get lenses in GetLensMode()");
  return mLensMode;
}

int8_t KlcontrolCommandServer::GetLens() {
  if (mNeedLenses) refreshLenses("Failed to get lenses in GetLens()");
  return mLens;
}

int8_t KlcontrolCommandServer::GetLensType() {
  uint8_t lensType = 0;
  if (klc_system_get_lens_type(&m_cameraContext, &lensType) == 0) mLensType = int8_t(lensType);
  return mLensType;
}

int8_t KlcontrolCommandServer::GetPowerProfile() {
  int8_t profile = 0;
  klc_system_get_power_profile(&m_cameraContext, &profile);
  return profile;
}

// Asks for the status block; false (after logging failureFormat) when the call fails.
bool KlcontrolCommandServer::readStatusBlock(const uint8_t** status, uint16_t* length,
                                             const char* failureFormat) {
  uint8_t* answer = nullptr;
  *length = 0;
  const int rc = klc_send_remote_api_for_response(&m_cameraContext, 8, 11, &answer, length);
  if (rc != 0) {
    LOG(UTIL_LOG_ERROR, failureFormat, rc);
    return false;
  }
  *status = answer;
  if (isNakOff(answer, *length))
    LOG(UTIL_LOG_ERROR, "Response was null or size was bad for get%d\n", int(*length));
  return true;
}

uint32_t KlcontrolCommandServer::GetCurrentPreset() {
  if (!mPresetsModified) return mCurrentPreset;
  LOG(UTIL_LOG_DEBUG, "Getting active preset back");
  const uint8_t* status = nullptr;
  uint16_t length = 0;
  if (!readStatusBlock(&status, &length, "Could not get status after suspend, %d\n")) return mCurrentPreset;
  if (status != nullptr && length == STATUS_BLOCK_SIZE) {
    const size_t offset = presetOffsetForSelector(wordAt(status, 19), false);
    if (offset != 0) mCurrentPreset = wordAt(status, offset);
    mPresetsModified = false;
    LOG(UTIL_LOG_DEBUG, "Preset after get %d\n", int(mCurrentPreset.load()));
  }
  LOG(UTIL_LOG_DEBUG, "Refresh Preset Done\n");
  return mCurrentPreset;
}

uint32_t KlcontrolCommandServer::GetActivePreset() {
  LOG(UTIL_LOG_DEBUG, "Getting active preset back");
  const uint8_t* status = nullptr;
  uint16_t length = 0;
  uint32_t preset = NO_PRESET;
  if (!readStatusBlock(&status, &length, "Could not get active preset, %d\n")) return preset;
  if (status != nullptr && length == STATUS_BLOCK_SIZE) {
    const size_t offset = presetOffsetForSelector(wordAt(status, 19), true);
    if (offset != 0) preset = wordAt(status, offset);
    LOG(UTIL_LOG_DEBUG, "Preset after active get %d\n", int(preset));
  }
  LOG(UTIL_LOG_DEBUG, "Get active preset done\n");
  return preset;
}

uint32_t KlcontrolCommandServer::GetActivePresetGroup() {
  const uint8_t* status = nullptr;
  uint16_t length = 0;
  uint32_t group = 0;
  if (!readStatusBlock(&status, &length, "Could not get active preset group, %d\n")) return group;
  if (status != nullptr && length == STATUS_BLOCK_SIZE) group = wordAt(status, 19);
  LOG(UTIL_LOG_DEBUG, "Get active preset group done\n");
  return group;
}

// Offsets are of the 624-byte record: status at 0, settings at 384, system bytes at 622.
void KlcontrolCommandServer::modSettingsAndStatuses(all_status_settings_t& snapshot, klc_msg_q_context_t*) {
  uint8_t* bytes = reinterpret_cast<uint8_t*>(&snapshot);
  const int8_t flatMode = int8_t(bytes[409]);
  if (flatMode == 24) bytes[1] = 4;
  if (flatMode == 26) {
    bytes[426] = bytes[542];
    bytes[428] = bytes[544];
  }
  if (bytes[611] == 0) bytes[613] = 3;
  bytes[0] = uint8_t(flatMode);
  bytes[215] = uint8_t(GetLensMode());
  putWord(bytes, 19, uint32_t(RemapPresetGroup(int(wordAt(bytes, 19)))));
  bytes[622] = uint8_t(GetLensMode());
  bytes[623] = uint8_t(GetLens());
  const uint32_t preset = GetCurrentPreset();
  const bool modified = bytes[33] == 1 || bytes[33] == 3;
  bytes[33] = (modified && wordAt(bytes, 27) == preset) ? 1 : 0;
}

void KlcontrolCommandServer::GetDigitalZoom(all_status_settings_t& snapshot) {
  uint8_t* bytes = reinterpret_cast<uint8_t*>(&snapshot);
  const int8_t flatMode = int8_t(bytes[409]);
  const bool zoomMode =
      flatMode == 12 || flatMode == 13 || flatMode == 15 || (flatMode >= 24 && flatMode <= 27);
  const uint8_t lens = bytes[426];
  const bool zoomLens = lens == 1 || lens == 4 || lens == 6 || lens == 18 || lens == 24;
  if (zoomMode && zoomLens && bytes[5] <= 102) bytes[5] = uint8_t(bytes[5] * 25 / 10);
}

void KlcontrolCommandServer::initializeStatusVariables() {
  Lock lock(mCommandMutex);
  mNeedLenses = !readLenses();
  LOG(UTIL_LOG_DEBUG, "Lens Mode is %d/Lens is %d, need lenses:%d\n", mLensMode, mLens,
      int(mNeedLenses.load()));
  GetCurrentPreset();
  uint8_t orientation = 0;
  klc_setup_get_orientation(&m_cameraContext, &orientation);
  mOrientationSetting = orientation;
  if (orientation != 0 && orientation != 5) {
    LOG(UTIL_LOG_ERROR, "Orientation[%d] was already locked, default orientation will be all", orientation);
    mOrientationSetting = 0;
  }
  uint8_t model = 0;
  if (_get_model_number(&model) != 0) model = CAMERA_DEFAULT_MODEL;
  initializeCameraInfo(model);
}

void KlcontrolCommandServer::initializeCameraInfo(uint8_t model) {
  camera_status_init_bossCache(model, mCameraInfoCache);
  if (CameraFactory::mInstance == nullptr) CameraFactory::mInstance = new CameraFactory();
  mCameraFactory = CameraFactory::mInstance;
  CameraPlatform* platform = mCameraFactory->setupCamera(model);
  if (platform == nullptr) {
    LOG(UTIL_LOG_ERROR, "CameraPlatform could not be found for model number:%d", model);
    LOG(UTIL_LOG_ERROR, "mCameraInfoHandler will be NULL");
    return;
  }
  mCameraInfoHandler = platform->getInfoHandler();
}

void KlcontrolCommandServer::stopZooming(const char* caller) {
  if (!mIsZooming) return;
  // Only try: the timer thread holds its mutex while stopEdit waits for mCommandMutex.
  mZoomTimer.tryCancel();
  PresetEndEdit(-1);
  LOG(UTIL_LOG_ERROR, "%s change wile zoomin, you are an aggressive user", caller);
  mIsZooming = false;
}

void KlcontrolCommandServer::stopEdit(void* server) {
  auto* self = static_cast<KlcontrolCommandServer*>(server);
  Lock lock(self->mCommandMutex);
  if (!self->mIsZooming) return;
  PresetEndEdit(-1);
  self->mIsZooming = false;
}
