#include "sim_preset_store.h"

#include <cstring>

namespace {

struct FactoryPreset {
  uint32_t id;
  uint8_t group;
  int8_t flatMode;
  uint32_t icon;
  uint32_t title;
};

// Groups 0..2 video, photo, time-lapse; 3..5 their dual-lens forms; 8 and 9 the power-profile forms
// of group 0, which model 51 lacks.
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
// The time-lapse icon model 51 uses for its time-lapse photo preset.
constexpr uint32_t kTimeLapseIcon51 = 17;

enum class Family { VIDEO, PHOTO, MULTI_SHOT, NONE };

Family familyOf(int8_t flatMode) {
  if ((flatMode >= 12 && flatMode <= 15) || (flatMode >= 22 && flatMode <= 25) || flatMode == 27)
    return Family::VIDEO;
  if (flatMode >= 16 && flatMode <= 18) return Family::PHOTO;
  if ((flatMode >= 19 && flatMode <= 21) || flatMode == 26) return Family::MULTI_SHOT;
  return Family::NONE;
}

struct SettingByte {
  unsigned offset;
  int8_t value;
};

// Values the settings block does not carry by name are the factory ones.
constexpr SettingByte kVideoDefaults[] = {{6, 1}, {9, 3}, {24, 1}};
constexpr SettingByte kPhotoDefaults[] = {{2, 0}, {5, 1}, {19, 1}};
constexpr SettingByte kMultiShotDefaults[] = {{2, 0}, {3, 2}, {4, 3}, {5, 4}, {7, 1}};

template <size_t N>
void putBytes(int8_t* record, const SettingByte (&bytes)[N]) {
  for (const SettingByte& entry : bytes) record[entry.offset] = entry.value;
}

void fillSettings(int8_t* record, int8_t flatMode, const appc_setup_all_settings& settings) {
  switch (familyOf(flatMode)) {
    case Family::VIDEO:
      putBytes(record, kVideoDefaults);
      record[2] = settings.video_resolution;
      record[3] = settings.video_fps;
      record[4] = settings.video_lens;
      break;
    case Family::PHOTO:
      putBytes(record, kPhotoDefaults);
      break;
    case Family::MULTI_SHOT:
      putBytes(record, kMultiShotDefaults);
      record[28] = settings.nightlapse_video_resolution;
      record[30] = settings.video_lens;
      break;
    case Family::NONE:
      break;
  }
}

}  // namespace

void SimPresetStore::loadFactory(uint8_t model) {
  mPresets.clear();
  for (const FactoryPreset& entry : kFactoryPresets) {
    if (model == 51 && entry.group >= 8) continue;
    SimPreset preset{entry.id, entry.group, entry.flatMode, entry.icon, entry.title, 0, false, false};
    if (model == 51 && entry.flatMode == 20) preset.icon = kTimeLapseIcon51;
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
