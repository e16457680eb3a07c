// Where a published value lives in the camera's blocks, and how it is read.
#pragma once
#include <cstdint>

#include "camera_blocks.h"

enum class camera_block : uint8_t { STATUS, SETTINGS, SYSTEM };

// One little-endian member of a block: 1, 2, 4 or 8 bytes.
struct camera_field {
  camera_block block;
  uint16_t offset;
  uint8_t width;
  bool isSigned;
};

// The three blocks a document is made from; any of them may come from a snapshot or stand alone.
struct camera_blocks_view {
  const uint8_t* status;
  const uint8_t* settings;
  const uint8_t* system;
};

// Size in bytes of a block.
unsigned camera_block_size(camera_block block);
// True when the field lies inside its block and has a supported width.
bool camera_field_valid(const camera_field& field);
// The blocks of a snapshot.
camera_blocks_view camera_view_of(const all_status_settings_t& snapshot);
// The field's value, sign-extended when the field is signed. The field must be valid.
int64_t camera_field_read(const camera_blocks_view& view, const camera_field& field);
