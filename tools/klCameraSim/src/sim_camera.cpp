#include "sim_camera.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include "klErrno.h"
#include "sim_members.h"
#include "sim_model_profile.h"

namespace {

// Flat modes of each mode group, in sub-mode order (video 3 looping, 4 surge); the first is the group's
// default. Broadcast (23) exists only on some models.
constexpr int32_t kVideoModes[] = {12, 13, 27, 15, 24, 25, 23};
constexpr int32_t kBroadcast = 23;
constexpr int32_t kPhotoModes[] = {16, 17, 18};
constexpr int32_t kMultiShotModes[] = {20, 19, 21, 26};

struct ModeGroup {
  const int32_t* modes;
  unsigned count;
};

constexpr ModeGroup kGroups[] = {{kVideoModes, 7}, {kPhotoModes, 3}, {kMultiShotModes, 4}};

// The position of a flat mode in its group, which is its sub-mode.
int subModeOf(int32_t flatMode, unsigned group) {
  for (unsigned i = 0; i < kGroups[group].count; ++i) {
    if (kGroups[group].modes[i] == flatMode) return int(i);
  }
  return 0;
}

// The settings block places of the time-lapse intervals (settings 30 and 32).
constexpr unsigned kTimeLapseIntervalPlace = offsetof(appc_setup_all_settings, time_lapse_interval_s);
constexpr unsigned kNightLapseIntervalPlace = offsetof(appc_setup_all_settings, night_lapse_interval_s);
constexpr int64_t kNightLapseShortest = 4;

struct FactoryValue {
  const char* member;
  int64_t value;
};

// The current preset of every firmware group in the factory state; 6 and 7 hold none.
constexpr uint32_t kFactoryGroupPresets[SIM_PRESET_GROUPS] = {0x00001, 0x10001, 0x20001, 0x30000, 0x40000,
                                                              0x50000, 0,       0,       0x80001, 0x90001};
// The mode group whose presets a firmware group holds; -1 for the special groups and unknown ones.
int modeGroupOfPresetGroup(uint32_t group) {
  const int base = group <= KLC_PRESET_LAST_GROUP ? klc_preset_base_group(int(group)) : -1;
  return base >= 0 && klc_preset_single_lens_group(unsigned(base)) ? base : -1;
}

// A camera freshly switched on: full battery, card inserted.
constexpr FactoryValue kFactoryCommon[] = {
    {"status.video_selected_flatmode", 12},
    {"status.photo_selected_flatmode", 16},
    {"status.timelapse_selected_flatmode", 20},
    {"status.battery_present", 1},
    {"status.battery_level", 3},
    {"status.battery_percent", 100},
    {"status.remaining_photos", 4210},
    {"status.remaining_video_seconds", 7380},
    {"status.remaining_space_kb", 61440000},
    {"status.internal_temperature_c", 31},
    {"settings.video_resolution", 1},
    {"settings.nightlapse_video_resolution", 1},
    {"settings.nightlapse_video_fps", 5},
    {"settings.auto_off_enabled", 1},
    {"settings.auto_off_option", 2},
    // Settings whose value 0 is none of their options on some model: time-lapse interval,
    // video ISO limits, surge duration (in quarter minutes), beep volume, screen brightness.
    {"settings@45:2", 5},
    {"settings@48:1", 1},
    {"settings@49:1", 8},
    {"settings@52:2", 1},
    {"settings@164:1", 100},
    {"settings@166:1", 70},
};

// Setting 91, the digital zoom, in the settings block.
constexpr size_t kZoomSetting = offsetof(appc_setup_all_settings, digital_zoom);
// The look-back setting (175) holds its first option where the model has it.
constexpr unsigned kLookbackPlace = 175;
constexpr int8_t kLookbackFactory = 2;

template <size_t N>
void applyValues(SimCamera& camera, const FactoryValue (&values)[N]) {
  for (const FactoryValue& entry : values) {
    SimMember member{};
    simResolveMember(entry.member, member);
    camera.write(member.block, member.offset, member.width, entry.value);
  }
}

bool validPlace(SimBlock block, unsigned offset, unsigned width) {
  return (width == 1 || width == 2 || width == 4 || width == 8) &&
         offset + width <= SimCamera::blockSize(block);
}

bool fitsWidth(int64_t value, unsigned width) {
  if (width == 8) return true;
  const int64_t span = int64_t(1) << (8 * width);
  return value >= -span / 2 && value < span;
}

}  // namespace

SimCamera::SimCamera(uint8_t model) : mModel(model) {
  loadFactoryState();
}

bool SimCamera::switchModel(unsigned model) {
  if (!simIsModel(model)) return false;
  mModel = uint8_t(model);
  loadFactoryState();
  return true;
}

void SimCamera::loadFactoryState() {
  mStatus = appc_system_all_status{};
  mSettings = appc_setup_all_settings{};
  mSystem = sim_system_values{};
  applyValues(*this, kFactoryCommon);
  const SimModelProfile& profile = simModelProfile(mModel);
  mSystem.lens_type = profile.lensType;
  mSettings.video_fps = profile.fpsValue;
  if (profile.lookback) write(SimBlock::SETTINGS, kLookbackPlace, 1, kLookbackFactory);
  std::copy(std::begin(kFactoryGroupPresets), std::end(kFactoryGroupPresets), mGroupPresets);
  showPresetGroups();
  selectFlatMode(kVideoModes[0]);
  mPresets.loadFactory(mModel);
  mCard.loadFactory();
  syncCardCounts();
  mWireless.loadFactory();
  // Jobs, their unsent progress texts and armed refusals belong to the camera that was replaced.
  mTranscodes = SimTranscodeJobs{};
  mLapseRunning = false;
  mLapseHalfSeconds = 0;
}

void SimCamera::factoryReset() {
  const SimMediaCard card = mCard;
  const appc_system_all_status status = mStatus;
  loadFactoryState();
  mCard = card;
  syncCardCounts();
  mStatus.sd_status = status.sd_status;
  mStatus.remaining_photos = status.remaining_photos;
  mStatus.remaining_video_seconds = status.remaining_video_seconds;
  mStatus.remaining_space_kb = status.remaining_space_kb;
}

void SimCamera::syncPresetModified() {
  const SimPreset* active = mPresets.find(mStatus.modified_preset_id);
  mStatus.preset_modified = active != nullptr && active->edited ? 1 : 0;
}

void SimCamera::setZoom(uint8_t zoom) {
  mStatus.digital_zoom = zoom;
  mutableBytes(SimBlock::SETTINGS)[kZoomSetting] = zoom;
}

unsigned SimCamera::blockSize(SimBlock block) {
  switch (block) {
    case SimBlock::STATUS:
      return sizeof(appc_system_all_status);
    case SimBlock::SETTINGS:
      return sizeof(appc_setup_all_settings);
    case SimBlock::SYSTEM:
      break;
  }
  return sizeof(sim_system_values);
}

const uint8_t* SimCamera::bytes(SimBlock block) const {
  return const_cast<SimCamera*>(this)->mutableBytes(block);
}

uint8_t* SimCamera::mutableBytes(SimBlock block) {
  switch (block) {
    case SimBlock::STATUS:
      return reinterpret_cast<uint8_t*>(&mStatus);
    case SimBlock::SETTINGS:
      return reinterpret_cast<uint8_t*>(&mSettings);
    case SimBlock::SYSTEM:
      break;
  }
  return reinterpret_cast<uint8_t*>(&mSystem);
}

bool SimCamera::read(SimBlock block, unsigned offset, unsigned width, bool signedValue,
                     int64_t& value) const {
  if (!validPlace(block, offset, width)) return false;
  uint64_t word = 0;
  for (unsigned i = 0; i < width; ++i) word |= uint64_t(bytes(block)[offset + i]) << (8 * i);
  const unsigned bits = 8 * width;
  const bool negative = signedValue && bits < 64 && (word >> (bits - 1)) != 0;
  value = negative ? int64_t(word) - (int64_t(1) << bits) : int64_t(word);
  return true;
}

bool SimCamera::write(SimBlock block, unsigned offset, unsigned width, int64_t value) {
  if (!validPlace(block, offset, width) || !fitsWidth(value, width)) return false;
  const sim_system_values before = mSystem;
  for (unsigned i = 0; i < width; ++i) mutableBytes(block)[offset + i] = uint8_t(uint64_t(value) >> (8 * i));
  if (!oneGroupOfEachKind()) {
    mSystem = before;
    return false;
  }
  // A dial turned on the camera has the effects the camera's own menus would have.
  const auto covers = [&](SimBlock b, size_t place) {
    return block == b && offset <= place && place < offset + width;
  };
  if (covers(SimBlock::SETTINGS, offsetof(appc_setup_all_settings, flat_mode)) &&
      hasFlatMode(mSettings.flat_mode)) {
    selectFlatMode(mSettings.flat_mode);
  }
  if (covers(SimBlock::SYSTEM, offsetof(sim_system_values, lens_mode))) mStatus.lens_mode = mSystem.lens_mode;
  if (covers(SimBlock::SYSTEM, offsetof(sim_system_values, lens_mode)) ||
      covers(SimBlock::SYSTEM, offsetof(sim_system_values, power_profile))) {
    showPresetGroups();
  }
  if (covers(SimBlock::SETTINGS, kZoomSetting)) setZoom(uint8_t(bytes(SimBlock::SETTINGS)[kZoomSetting]));
  if (covers(SimBlock::STATUS, offsetof(appc_system_all_status, digital_zoom))) setZoom(mStatus.digital_zoom);
  return true;
}

int SimCamera::groupOfFlatMode(int32_t flatMode) {
  for (unsigned group = 0; group < 3; ++group) {
    for (unsigned i = 0; i < kGroups[group].count; ++i) {
      if (kGroups[group].modes[i] == flatMode) return int(group);
    }
  }
  return -1;
}

bool SimCamera::hasFlatMode(int32_t flatMode) const {
  return groupOfFlatMode(flatMode) >= 0 && (flatMode != kBroadcast || simModelProfile(mModel).broadcast);
}

int8_t& SimCamera::groupFlatMode(unsigned group) {
  if (group == 0) return mStatus.video_selected_flatmode;
  return group == 1 ? mStatus.photo_selected_flatmode : mStatus.timelapse_selected_flatmode;
}

uint32_t SimCamera::groupPreset(unsigned group) const {
  if (group == 0) return mStatus.video_preset_id;
  return group == 1 ? mStatus.photo_preset_id : mStatus.timelapse_preset_id;
}

void SimCamera::setGroupPreset(unsigned group, uint32_t id) {
  if (group == 0) {
    mStatus.video_preset_id = id;
  } else if (group == 1) {
    mStatus.photo_preset_id = id;
  } else {
    mStatus.timelapse_preset_id = id;
  }
}

uint8_t SimCamera::presetGroupOf(unsigned modeGroup) const {
  if (!klc_preset_single_lens_group(modeGroup)) return uint8_t(modeGroup);
  if (mSystem.lens_mode == 1) return uint8_t(modeGroup + KLC_PRESET_DUAL_LENS_SHIFT);
  if (modeGroup == KLC_PRESET_GROUP_VIDEO && mSystem.power_profile != 0)
    return uint8_t(klc_preset_power_group_of(mSystem.power_profile));
  return uint8_t(modeGroup);
}

// The daemon shows one group of each kind only in these states: lens mode 0 or 1, and a power profile
// (1 or 2) only where the model has its groups, in lens mode 0, on a lens type that shows them.
bool SimCamera::oneGroupOfEachKind() const {
  const int8_t profile = mSystem.power_profile;
  if (mSystem.lens_mode < 0 || mSystem.lens_mode > 1 || profile < 0 || profile > 2) return false;
  return profile == 0 ||
         (simModelProfile(mModel).powerGroups && mSystem.lens_mode == 0 && mSystem.lens_type != 1);
}

// The status shows the current presets of the groups that lens mode and power profile select.
void SimCamera::showPresetGroups() {
  for (unsigned group = 0; klc_preset_single_lens_group(group); ++group) {
    setGroupPreset(group, mGroupPresets[presetGroupOf(group)]);
  }
  const int active = modeGroupOfPresetGroup(mStatus.active_preset_group);
  if (active < 0) return;
  mStatus.active_preset_group = presetGroupOf(unsigned(active));
  mStatus.modified_preset_id = groupPreset(unsigned(active));
}

int SimCamera::loadPreset(const SimPreset& preset) {
  const int result = setMode(preset.flatMode);
  if (result != KL_OK) return result;
  if (preset.group < SIM_PRESET_GROUPS) mGroupPresets[preset.group] = preset.id;
  const int modeGroup = modeGroupOfPresetGroup(preset.group);
  if (modeGroup < 0) {
    mStatus.special_preset_id = preset.id;
  } else {
    setGroupPreset(unsigned(modeGroup), preset.id);
  }
  mStatus.active_preset_group = preset.group;
  mStatus.modified_preset_id = preset.id;
  return KL_OK;
}

void SimCamera::selectFlatMode(int32_t flatMode) {
  const unsigned group = unsigned(groupOfFlatMode(flatMode));
  mSettings.flat_mode = int8_t(flatMode);
  mStatus.mode = int8_t(group);
  mStatus.sub_mode = int8_t(subModeOf(flatMode, group));
  groupFlatMode(group) = int8_t(flatMode);
  mStatus.active_preset_group = presetGroupOf(group);
  mStatus.modified_preset_id = groupPreset(group);
  // A zoom belongs to the mode it was set in.
  setZoom(0);
}

int SimCamera::setMode(int32_t mode) {
  if (mode >= 0 && mode <= 2) {
    const int32_t last = groupFlatMode(unsigned(mode));
    mode = groupOfFlatMode(last) == mode ? last : kGroups[mode].modes[0];
  }
  if (!hasFlatMode(mode)) return KL_ERR_INVALID_PARAM;
  selectFlatMode(mode);
  return KL_OK;
}

int SimCamera::setModeSubMode(int32_t mode, int32_t subMode) {
  if (mode < 0 || mode > 2 || subMode < 0 || unsigned(subMode) >= kGroups[mode].count ||
      !hasFlatMode(kGroups[mode].modes[subMode])) {
    return KL_ERR_INVALID_PARAM;
  }
  selectFlatMode(kGroups[mode].modes[subMode]);
  return KL_OK;
}

int SimCamera::takePhoto() {
  // A burst is one capture of several photos, kept together as a group.
  const unsigned photos = mSettings.flat_mode == SIM_FLAT_BURST ? SIM_BURST_PHOTOS : 1;
  if (mStatus.remaining_photos < photos) return KL_ERR_SDCARD_FULL;
  mCard.addCapture(false, photos);
  syncCardCounts();
  mStatus.remaining_photos = mStatus.remaining_photos - photos;
  return KL_OK;
}

int SimCamera::shutter(bool start) {
  const bool video = groupOfFlatMode(mSettings.flat_mode) == 0;
  const int8_t flatMode = mSettings.flat_mode;
  const bool lapse = flatMode == SIM_FLAT_TIME_LAPSE_PHOTO || flatMode == SIM_FLAT_NIGHT_LAPSE_PHOTO;
  if (start == (mStatus.encoding != 0) || (!start && !video && !lapse)) return KL_ERR_INVALID_PARAM;
  // A photo, and the first photo of a time lapse, land on the card at once.
  if (start && !video) {
    const int result = takePhoto();
    if (result != KL_OK || !lapse) return result;
  }
  mStatus.encoding = start ? 1 : 0;
  mLapseRunning = start && lapse;
  mLapseHalfSeconds = 0;
  if (!start && video) {
    mCard.addCapture(true);
    syncCardCounts();
    mStatus.recording_seconds = 0;
  }
  return KL_OK;
}

// Settings 30 and 32 hold seconds: 0 is half a second for a time lapse, and automatic (0 or 3601)
// for a night lapse, which the simulated camera takes as its shortest night interval.
unsigned SimCamera::lapseIntervalHalfSeconds() const {
  const bool night = mSettings.flat_mode == SIM_FLAT_NIGHT_LAPSE_PHOTO;
  int64_t seconds = 0;
  read(SimBlock::SETTINGS, night ? kNightLapseIntervalPlace : kTimeLapseIntervalPlace, 2, false, seconds);
  if (night && (seconds == 0 || seconds == kPresetNightAutomatic)) seconds = kNightLapseShortest;
  return seconds == 0 ? 1 : unsigned(2 * seconds);
}

void SimCamera::timeLapseSecond() {
  if (!timeLapseRunning()) return;
  mLapseHalfSeconds += 2;
  const unsigned interval = lapseIntervalHalfSeconds();
  for (; mLapseHalfSeconds >= interval; mLapseHalfSeconds -= interval) {
    if (takePhoto() != KL_OK) {
      mStatus.encoding = 0;
      mLapseRunning = false;
      return;
    }
  }
}

void SimCamera::syncCardCounts() {
  mStatus.photo_count = mCard.count(false);
  mStatus.video_count = mCard.count(true);
}
