// The simulated camera's presets: the factory presets of the model in firmware groups 0..9 and the
// custom presets added since, the open preset edit, and the 81-byte records the camera answers.
#pragma once
#include <cstdint>
#include <vector>

#include "camera_blocks.h"

struct SimPreset {
  uint32_t id;
  uint8_t group;        // firmware group 0..9
  int8_t flatMode;      // WSDK_EnumFlatMode numbering
  uint32_t icon;        // firmware icon numbering
  uint32_t title;       // firmware title numbering
  uint32_t titleNumber;
  bool custom;
  bool edited;
};

class SimPresetStore {
 public:
  // The factory presets of the model, no custom preset and no edit open.
  void loadFactory(uint8_t model);

  // Ids of the presets of a firmware group, in list order.
  std::vector<uint32_t> idsOfGroup(uint8_t group) const;
  // The preset of the id, or null.
  const SimPreset* find(uint32_t id) const;
  // Adds a custom preset to a group and returns its id, which is never a factory id.
  uint32_t addCustom(uint8_t group, int8_t flatMode, uint32_t icon, uint32_t title, uint32_t titleNumber);

  // Opens an edit of a known preset; false (nothing changes) for an unknown id.
  bool startEdit(uint32_t id);
  // Closes the open edit, which marks its preset edited; without an open edit nothing happens.
  void endEdit();
  bool editOpen() const { return mEditOpen; }
  uint32_t editedPreset() const { return mEditing; }

 private:
  SimPreset* findMutable(uint32_t id);

  std::vector<SimPreset> mPresets;
  uint32_t mNextCustom = 0;
  bool mEditOpen = false;
  uint32_t mEditing = 0;
};

// The record the camera answers for a preset: its identity and the settings record of its flat mode,
// filled from the camera's current settings block.
appc_presets_settings_info simPresetRecord(const SimPreset& preset, const appc_setup_all_settings& settings);
