// The settings id table: one 48-byte row per setting id of a model.
#pragma once
#include <cstddef>
#include <cstdint>

enum : uint32_t {
  CAMERA_SETTING_SIGNED = 1,  // row flag: the stored value is signed
};

// Rows are indexed by setting id; ids the model lacks have id -1 and width 0. The camera-control
// side reads only offset, width and flags (row words 1, 2 and 3).
struct camera_settings_id_row {
  int32_t id;            // 0: the setting id, or -1
  int32_t minimum;       // 4: smallest value the camera takes
  int32_t maximum;       // 8: largest value the camera takes
  uint16_t optionFirst;  // 12: the setting's options in the model's option list
  uint16_t optionCount;  // 14: 0 when options are the values themselves
  uint32_t offset;       // 16, row word 1: byte offset in appc_setup_all_settings
  uint32_t width;        // 20, row word 2: 1 or 2 bytes, little-endian
  uint32_t flags;        // 24, row word 3: CAMERA_SETTING_*
  char name[20];         // 28: short name, NUL-terminated
};
static_assert(sizeof(camera_settings_id_row) == 48, "settings id row");
static_assert(offsetof(camera_settings_id_row, offset) == 16 &&
                  offsetof(camera_settings_id_row, width) == 20 &&
                  offsetof(camera_settings_id_row, flags) == 24,
              "the row words the camera-control side reads");

// The table of the model, or null for an unknown model; *count receives its number of rows
// (0 for an unknown model).
const camera_settings_id_row* camera_settings_id_table(unsigned model, unsigned* count);
