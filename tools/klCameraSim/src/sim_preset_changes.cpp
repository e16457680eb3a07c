// The preset store's changes made by clients: creation, removal, order, factory reset, title and icon,
// and the flat mode of the preset being edited.
#include <algorithm>
#include <set>

#include "sim_preset_store.h"

std::vector<uint8_t> SimPresetStore::groups() const {
  std::set<uint8_t> present;
  for (const SimPreset& preset : mPresets) present.insert(preset.group);
  return std::vector<uint8_t>(present.begin(), present.end());
}

bool SimPresetStore::create(uint8_t group, int8_t flatMode, uint32_t icon, uint32_t title,
                            uint32_t titleNumber, uint32_t& id) {
  if (!klc_preset_single_lens_group(group)) return false;
  id = addCustom(group, flatMode, icon, title, titleNumber);
  mEditOpen = true;
  mEditing = id;
  mEvents.emplace_back(KLC_PU_GROUP_CHANGED, group);
  return true;
}

bool SimPresetStore::remove(uint32_t id) {
  auto found =
      std::find_if(mPresets.begin(), mPresets.end(), [id](const SimPreset& p) { return p.id == id; });
  if (found == mPresets.end() || !found->custom) return false;
  const uint8_t group = found->group;
  mPresets.erase(found);
  if (mEditOpen && mEditing == id) mEditOpen = false;
  mEvents.emplace_back(KLC_PU_GROUP_CHANGED, group);
  return true;
}

bool SimPresetStore::moveTo(uint32_t id, uint32_t order) {
  auto found =
      std::find_if(mPresets.begin(), mPresets.end(), [id](const SimPreset& p) { return p.id == id; });
  if (found == mPresets.end()) return false;
  const SimPreset moved = *found;
  mPresets.erase(found);
  // Insert before the order-th member of the group, or after its last member.
  auto place = mPresets.end();
  uint32_t seen = 0;
  for (auto it = mPresets.begin(); it != mPresets.end(); ++it) {
    if (it->group != moved.group) continue;
    if (seen++ == order) {
      place = it;
      break;
    }
    place = it + 1;
  }
  mPresets.insert(place, moved);
  mEvents.emplace_back(KLC_PU_GROUP_CHANGED, moved.group);
  return true;
}

bool SimPresetStore::resetToFactory(uint32_t id, uint8_t model) {
  SimPreset* preset = findMutable(id);
  SimPresetStore factory;
  factory.loadFactory(model);
  const SimPreset* shipped = factory.find(id);
  if (preset == nullptr || shipped == nullptr) return false;
  *preset = *shipped;
  mEvents.emplace_back(KLC_PU_PRESET_CHANGED, id);
  return true;
}

bool SimPresetStore::setTitleIcon(uint32_t id, uint32_t icon, uint32_t title, uint32_t titleNumber) {
  SimPreset* preset = findMutable(id);
  if (preset == nullptr) return false;
  preset->icon = icon;
  preset->title = title;
  preset->titleNumber = titleNumber;
  mEvents.emplace_back(KLC_PU_PRESET_CHANGED, id);
  return true;
}

bool SimPresetStore::setEditedFlatMode(int8_t flatMode) {
  SimPreset* preset = mEditOpen ? findMutable(mEditing) : nullptr;
  if (preset == nullptr) return false;
  preset->flatMode = flatMode;
  return true;
}

std::vector<std::pair<uint8_t, uint32_t>> SimPresetStore::takeEvents() {
  std::vector<std::pair<uint8_t, uint32_t>> events;
  events.swap(mEvents);
  return events;
}

bool SimPresetStore::announcedActive(uint32_t& id) const {
  id = mAnnouncedActive;
  return mAnnounced;
}

void SimPresetStore::setAnnouncedActive(uint32_t id) {
  mAnnounced = true;
  mAnnouncedActive = id;
}
