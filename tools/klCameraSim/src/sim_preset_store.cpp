#include "sim_preset_store.h"

#include <cstring>

#include "sim_camera.h"
#include "sim_model_profile.h"

namespace {

struct FactoryPreset {
  uint32_t id;  // its firmware group in bits 16 to 23
  int8_t flatMode;
  uint32_t icon;
  uint32_t title;
};

// Groups 0..2 video, photo, time-lapse; 3..5 their dual-lens forms; 8 and 9 the power-profile forms
// of group 0, which only some models have.
constexpr FactoryPreset kFactoryPresets[] = {
    {0x00000, 12, 0, 1},   {0x00001, 12, 1, 0},   {0x00002, 12, 2, 2},   {0x00003, 27, 59, 59},
    {0x00004, 15, 33, 33}, {0x00005, 12, 58, 58}, {0x10000, 17, 3, 3},   {0x10001, 16, 13, 13},
    {0x10002, 19, 5, 5},   {0x10003, 18, 6, 6},   {0x20000, 24, 7, 7},   {0x20001, 20, 8, 8},
    {0x20002, 21, 9, 9},   {0x30000, 12, 55, 55}, {0x40000, 17, 56, 56}, {0x50000, 24, 57, 57},
    {0x50001, 13, 8, 8},   {0x80000, 12, 60, 60}, {0x80001, 12, 61, 61}, {0x80002, 12, 62, 62},
    {0x80003, 27, 63, 63}, {0x90000, 12, 64, 64}, {0x90001, 12, 65, 65}, {0x90002, 12, 66, 66},
    {0x90003, 12, 67, 67},
};

// Custom preset numbers sit above every factory number of their group.
constexpr uint32_t kFirstCustomNumber = 0x1000;

// The index of the seconds in an interval table; the first entry when the table lacks them.
int8_t intervalIndex(const int32_t (&table)[12], int32_t seconds) {
  for (size_t i = 0; i < 12; ++i) {
    if (table[i] == seconds) return int8_t(i);
  }
  return 0;
}

appc_video_settings videoRecord(const appc_setup_all_settings& settings) {
  appc_video_settings record{};
  record.resolution = settings.video_resolution;
  record.fps = settings.video_fps;
  record.lens = settings.video_lens;
  record.setting6 = settings.video_loop_interval;
  // The record keeps the low byte of the two-byte settings.
  record.setting5 = int8_t(settings.video_time_lapse_interval);
  record.setting111 = int8_t(settings.video_surge_duration);
  return record;
}

appc_photo_settings photoRecord(const appc_setup_all_settings& settings) {
  appc_photo_settings record{};
  record.lens = settings.photo_lens;
  record.setting19 = settings.photo_night_exposure;
  record.setting105 = settings.photo_timer;
  return record;
}

appc_multi_shot_settings multiShotRecord(const appc_setup_all_settings& settings) {
  appc_multi_shot_settings record{};
  record.lens = settings.multishot_lens;
  record.setting147 = settings.multishot_burst_rate;
  record.interval_index = intervalIndex(kPresetIntervals, settings.time_lapse_interval_s);
  const int32_t night = settings.night_lapse_interval_s;
  record.night_interval_index =
      intervalIndex(kPresetNightIntervals, night == kPresetNightAutomatic ? 0 : night);
  record.setting31 = settings.multishot_night_exposure;
  record.nightlapse_resolution = settings.nightlapse_video_resolution;
  record.nightlapse_lens = settings.video_lens;
  return record;
}

template <class Record>
void putRecord(int8_t (&place)[sizeof(appc_presets_settings_info::settings)], const Record& record) {
  static_assert(sizeof record == sizeof place, "settings record");
  std::memcpy(place, &record, sizeof record);
}

// The record carries the camera's current values of the flat mode's settings.
void fillSettings(int8_t (&place)[sizeof(appc_presets_settings_info::settings)], int8_t flatMode,
                  const appc_setup_all_settings& settings) {
  switch (preset_settings_family_of(flatMode)) {
    case preset_settings_family::VIDEO:
      putRecord(place, videoRecord(settings));
      break;
    case preset_settings_family::PHOTO:
      putRecord(place, photoRecord(settings));
      break;
    case preset_settings_family::MULTI_SHOT:
      putRecord(place, multiShotRecord(settings));
      break;
    case preset_settings_family::NONE:
      break;
  }
}

}  // namespace

void SimPresetStore::loadFactory(uint8_t model) {
  mPresets.clear();
  const SimModelProfile& profile = simModelProfile(model);
  for (const FactoryPreset& entry : kFactoryPresets) {
    const uint8_t group = uint8_t(klc_preset_group_of(entry.id));
    if (!profile.powerGroups && klc_preset_power_group(group)) continue;
    SimPreset preset{entry.id, group, entry.flatMode, entry.icon, entry.title, 0, false, false};
    if (entry.flatMode == SIM_FLAT_TIME_LAPSE_PHOTO) preset.icon = profile.timeLapseIcon;
    mPresets.push_back(preset);
  }
  mNextCustom = 0;
  mEditOpen = false;
  mEditing = 0;
  mEvents.clear();
  mAnnounced = false;
}

std::vector<uint32_t> SimPresetStore::idsOfGroup(uint8_t group) const {
  std::vector<uint32_t> ids;
  for (const SimPreset& preset : mPresets) {
    if (preset.group == group) ids.push_back(preset.id);
  }
  return ids;
}

const SimPreset* SimPresetStore::find(uint32_t id) const {
  return const_cast<SimPresetStore*>(this)->findMutable(id);
}

SimPreset* SimPresetStore::findMutable(uint32_t id) {
  for (SimPreset& preset : mPresets) {
    if (preset.id == id) return &preset;
  }
  return nullptr;
}

uint32_t SimPresetStore::addCustom(uint8_t group, int8_t flatMode, uint32_t icon, uint32_t title,
                                   uint32_t titleNumber) {
  const uint32_t id = klc_preset_id(group, kFirstCustomNumber + mNextCustom++);
  mPresets.push_back(SimPreset{id, group, flatMode, icon, title, titleNumber, true, false});
  return id;
}

bool SimPresetStore::startEdit(uint32_t id) {
  if (find(id) == nullptr) return false;
  mEditOpen = true;
  mEditing = id;
  return true;
}

void SimPresetStore::endEdit() {
  if (!mEditOpen) return;
  SimPreset* preset = findMutable(mEditing);
  if (preset != nullptr) preset->edited = true;
  mEditOpen = false;
  if (preset != nullptr) mEvents.emplace_back(KLC_PU_PRESET_CHANGED, mEditing);
}

appc_presets_settings_info simPresetRecord(const SimPreset& preset, const appc_setup_all_settings& settings) {
  appc_presets_settings_info record{};
  record.flat_mode = preset.flatMode;
  record.preset_type = preset.custom ? 1 : 0;
  record.preset_id = preset.id;
  record.user_data0 = preset.icon;
  record.user_data1 = preset.title;
  record.user_data2 = preset.titleNumber;
  record.edited = preset.edited ? 1 : 0;
  fillSettings(record.settings, preset.flatMode, settings);
  return record;
}
