// Camera state the commands share: the lens cache, the active preset and group, the snapshot
// adjustment, the camera-info set-up and the end of a zoom's preset edit.
#include "CameraFactory.h"
#include "camera_json.h"
#include "klcontrol_block_read.h"
#include "klcontrol_if_server.h"
#include "klcontrol_log.h"
#include "klcontrol_preset_loader.h"

constexpr const char* LOG_SOURCE = "klcontrol_if_server";

namespace {

constexpr uint32_t NO_PRESET = 0xFFFFFFFFu;
constexpr int8_t FLAT_MODE_SURGE_VIDEO = 24;
constexpr int8_t FLAT_MODE_NIGHT_LAPSE_VIDEO = 26;
constexpr int8_t SUB_MODE_SURGE = 4;
constexpr int8_t AUTO_OFF_OPTION_DISABLED = 3;

}  // namespace

bool KlcontrolCommandServer::readLenses() {
  uint8_t lensMode = 0;
  uint8_t lens = 0;
  if (klc_system_get_lenses(klcontrol_camera(), &lensMode, &lens) != 0) return false;
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
  if (klc_system_get_lens_type(klcontrol_camera(), &lensType) == 0) mLensType = int8_t(lensType);
  return mLensType;
}

int8_t KlcontrolCommandServer::GetPowerProfile() {
  int8_t profile = 0;
  klc_system_get_power_profile(klcontrol_camera(), &profile);
  return profile;
}

// Asks for the status block; false (after logging failureFormat) when the call fails, else whether
// the block came whole.
bool KlcontrolCommandServer::readStatusBlock(appc_system_all_status& status, bool& whole,
                                             const char* failureFormat) {
  klcontrol_block_reply reply;
  const int rc = klcontrol_read_block(status, reply);
  if (rc != 0) {
    LOG(UTIL_LOG_ERROR, failureFormat, rc);
    return false;
  }
  if (reply.nakOff) LOG(UTIL_LOG_ERROR, "Response was null or size was bad for get%d\n", int(reply.length));
  whole = reply.length == sizeof status;
  return true;
}

uint32_t KlcontrolCommandServer::GetCurrentPreset() {
  if (!mPresetsModified) return mCurrentPreset;
  LOG(UTIL_LOG_DEBUG, "Getting active preset back");
  appc_system_all_status status;
  bool whole = false;
  if (!readStatusBlock(status, whole, "Could not get status after suspend, %d\n")) return mCurrentPreset;
  if (whole) {
    uint32_t preset = 0;
    if (klcontrol_group_preset(status, status.active_preset_group, false, preset)) mCurrentPreset = preset;
    mPresetsModified = false;
    LOG(UTIL_LOG_DEBUG, "Preset after get %d\n", int(mCurrentPreset.load()));
  }
  LOG(UTIL_LOG_DEBUG, "Refresh Preset Done\n");
  return mCurrentPreset;
}

uint32_t KlcontrolCommandServer::GetActivePreset() {
  LOG(UTIL_LOG_DEBUG, "Getting active preset back");
  appc_system_all_status status;
  bool whole = false;
  uint32_t preset = NO_PRESET;
  if (!readStatusBlock(status, whole, "Could not get active preset, %d\n")) return preset;
  if (whole) {
    klcontrol_group_preset(status, status.active_preset_group, true, preset);
    LOG(UTIL_LOG_DEBUG, "Preset after active get %d\n", int(preset));
  }
  LOG(UTIL_LOG_DEBUG, "Get active preset done\n");
  return preset;
}

uint32_t KlcontrolCommandServer::GetActivePresetGroup() {
  appc_system_all_status status;
  bool whole = false;
  uint32_t group = 0;
  if (!readStatusBlock(status, whole, "Could not get active preset group, %d\n")) return group;
  if (whole) group = status.active_preset_group;
  LOG(UTIL_LOG_DEBUG, "Get active preset group done\n");
  return group;
}

void KlcontrolCommandServer::modSettingsAndStatuses(all_status_settings_t& snapshot, klc_msg_q_context_t*) {
  appc_system_all_status& status = snapshot.status;
  appc_setup_all_settings& settings = snapshot.settings;
  const int8_t flatMode = settings.flat_mode;
  if (flatMode == FLAT_MODE_SURGE_VIDEO) status.sub_mode = SUB_MODE_SURGE;
  if (flatMode == FLAT_MODE_NIGHT_LAPSE_VIDEO) {
    settings.video_resolution = settings.nightlapse_video_resolution;
    settings.video_fps = settings.nightlapse_video_fps;
  }
  if (settings.auto_off_enabled == 0) settings.auto_off_option = AUTO_OFF_OPTION_DISABLED;
  status.mode = flatMode;
  status.lens_mode = GetLensMode();
  status.active_preset_group = uint32_t(RemapPresetGroup(int(status.active_preset_group)));
  snapshot.system.lens_mode = GetLensMode();
  snapshot.system.lens = GetLens();
  const uint32_t preset = GetCurrentPreset();
  const bool modified = status.preset_modified == 1 || status.preset_modified == 3;
  status.preset_modified = (modified && status.modified_preset_id == preset) ? 1 : 0;
}

void KlcontrolCommandServer::GetDigitalZoom(all_status_settings_t& snapshot) {
  const int8_t flatMode = snapshot.settings.flat_mode;
  const bool zoomMode =
      flatMode == 12 || flatMode == 13 || flatMode == 15 || (flatMode >= 24 && flatMode <= 27);
  const uint8_t resolution = uint8_t(snapshot.settings.video_resolution);
  const bool zoomResolution =
      resolution == 1 || resolution == 4 || resolution == 6 || resolution == 18 || resolution == 24;
  uint8_t& zoom = snapshot.status.digital_zoom;
  if (zoomMode && zoomResolution && zoom <= 102) zoom = uint8_t(zoom * 25 / 10);
}

void KlcontrolCommandServer::initializeStatusVariables() {
  Lock lock(mCommandMutex);
  mNeedLenses = !readLenses();
  LOG(UTIL_LOG_DEBUG, "Lens Mode is %d/Lens is %d, need lenses:%d\n", mLensMode, mLens,
      int(mNeedLenses.load()));
  GetCurrentPreset();
  uint8_t orientation = 0;
  klc_setup_get_orientation(klcontrol_camera(), &orientation);
  mOrientationSetting = orientation;
  if (orientation != 0 && orientation != 5) {
    LOG(UTIL_LOG_ERROR, "Orientation[%d] was already locked, default orientation will be all", orientation);
    mOrientationSetting = 0;
  }
  initializeCameraInfo(klcontrol_model_or_default());
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
