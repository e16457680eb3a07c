#include "sim_preset_store.h"

#include <cstring>

#include "sim_camera.h"
#include "sim_model_profile.h"

namespace {

struct FactoryPreset {
  uint32_t id;
  uint8_t group;
  int8_t flatMode;
  uint32_t icon;
  uint32_t title;
};

// Groups 0..2 video, photo, time-lapse; 3..5 their dual-lens forms; 8 and 9 the power-profile forms
// of group 0, which only some models have.
constexpr FactoryPreset kFactoryPresets[] = {
    {0x00000, 0, 12, 0, 1},   {0x00001, 0, 12, 1, 0},   {0x00002, 0, 12, 2, 2},   {0x00003, 0, 27, 59, 59},
    {0x00004, 0, 15, 33, 33}, {0x00005, 0, 12, 58, 58}, {0x10000, 1, 17, 3, 3},   {0x10001, 1, 16, 13, 13},
    {0x10002, 1, 19, 5, 5},   {0x10003, 1, 18, 6, 6},   {0x20000, 2, 24, 7, 7},   {0x20001, 2, 20, 8, 8},
    {0x20002, 2, 21, 9, 9},   {0x30000, 3, 12, 55, 55}, {0x40000, 4, 17, 56, 56}, {0x50000, 5, 24, 57, 57},
    {0x50001, 5, 13, 8, 8},   {0x80000, 8, 12, 60, 60}, {0x80001, 8, 12, 61, 61}, {0x80002, 8, 12, 62, 62},
    {0x80003, 8, 27, 63, 63}, {0x90000, 9, 12, 64, 64}, {0x90001, 9, 12, 65, 65}, {0x90002, 9, 12, 66, 66},
    {0x90003, 9, 12, 67, 67},
};

// Custom ids sit above every factory id of their group.
constexpr uint32_t kFirstCustomLow = 0x1000;
constexpr uint8_t kFirstPowerGroup = 8;

// A record byte and the settings-block place whose value it carries.
struct RecordPlace {
  uint8_t record;
  uint8_t settings;
};

// Video: resolution, frame rate, lens, loop interval, time-lapse interval, surge duration.
constexpr RecordPlace kVideoPlaces[] = {{2, 42}, {3, 44}, {4, 43}, {6, 47}, {9, 45}, {24, 52}};
// Photo: lens, night exposure, timer.
constexpr RecordPlace kPhotoPlaces[] = {{2, 80}, {5, 81}, {19, 82}};
// Multi-shot: lens, burst rate, night-lapse exposure, night-lapse video resolution and lens.
constexpr RecordPlace kMultiShotPlaces[] = {{2, 120}, {3, 121}, {7, 126}, {28, 158}, {30, 43}};
// The multi-shot intervals (settings 30 and 32) sit as two-byte seconds in the settings block.
constexpr unsigned kIntervalPlace = 122;
constexpr unsigned kNightIntervalPlace = 124;

template <size_t N>
void copyPlaces(int8_t* record, const appc_setup_all_settings& settings, const RecordPlace (&places)[N]) {
  const int8_t* block = reinterpret_cast<const int8_t*>(&settings);
  for (const RecordPlace& place : places) record[place.record] = block[place.settings];
}

// The index of the seconds in an interval table; the first entry when the table lacks them.
int8_t intervalIndex(const int32_t (&table)[12], int32_t seconds) {
  for (size_t i = 0; i < 12; ++i) {
    if (table[i] == seconds) return int8_t(i);
  }
  return 0;
}

int32_t settingsWord(const appc_setup_all_settings& settings, unsigned place) {
  const uint8_t* block = reinterpret_cast<const uint8_t*>(&settings);
  return int32_t(block[place] | (block[place + 1] << 8));
}

// The record carries the camera's current values of the flat mode's settings.
void fillSettings(int8_t* record, int8_t flatMode, const appc_setup_all_settings& settings) {
  switch (preset_settings_family_of(flatMode)) {
    case preset_settings_family::VIDEO:
      copyPlaces(record, settings, kVideoPlaces);
      break;
    case preset_settings_family::PHOTO:
      copyPlaces(record, settings, kPhotoPlaces);
      break;
    case preset_settings_family::MULTI_SHOT: {
      copyPlaces(record, settings, kMultiShotPlaces);
      record[4] = intervalIndex(kPresetIntervals, settingsWord(settings, kIntervalPlace));
      const int32_t night = settingsWord(settings, kNightIntervalPlace);
      record[5] = intervalIndex(kPresetNightIntervals, night == kPresetNightAutomatic ? 0 : night);
      break;
    }
    case preset_settings_family::NONE:
      break;
  }
}

}  // namespace

void SimPresetStore::loadFactory(uint8_t model) {
  mPresets.clear();
  const SimModelProfile& profile = simModelProfile(model);
  for (const FactoryPreset& entry : kFactoryPresets) {
    if (!profile.powerGroups && entry.group >= kFirstPowerGroup) continue;
    SimPreset preset{entry.id, entry.group, entry.flatMode, entry.icon, entry.title, 0, false, false};
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
  const uint32_t id = (uint32_t(group) << 16) | (kFirstCustomLow + mNextCustom++);
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
  if (preset != nullptr) mEvents.emplace_back(SIM_PU_PRESET_CHANGED, mEditing);
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
