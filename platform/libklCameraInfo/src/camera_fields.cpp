#include "camera_fields.h"

#include "klDebug.h"

unsigned camera_block_size(camera_block block) {
  switch (block) {
    case camera_block::STATUS:
      return sizeof(appc_system_all_status);
    case camera_block::SETTINGS:
      return sizeof(appc_setup_all_settings);
    case camera_block::SYSTEM:
      return sizeof(klcontrol_system_settings);
  }
  return 0;
}

bool camera_field_valid(const camera_field& field) {
  bool widthOk = field.width == 1 || field.width == 2 || field.width == 4 || field.width == 8;
  return widthOk && unsigned(field.offset) + field.width <= camera_block_size(field.block);
}

camera_blocks_view camera_view_of(const all_status_settings_t& snapshot) {
  return {reinterpret_cast<const uint8_t*>(&snapshot.status),
          reinterpret_cast<const uint8_t*>(&snapshot.settings),
          reinterpret_cast<const uint8_t*>(&snapshot.system)};
}

static const uint8_t* block_bytes(const camera_blocks_view& view, camera_block block) {
  switch (block) {
    case camera_block::STATUS:
      return view.status;
    case camera_block::SETTINGS:
      return view.settings;
    case camera_block::SYSTEM:
      return view.system;
  }
  return nullptr;
}

int64_t camera_field_read(const camera_blocks_view& view, const camera_field& field) {
  KL_ASSERT(camera_field_valid(field));
  const uint8_t* bytes = block_bytes(view, field.block) + field.offset;
  uint64_t raw = 0;
  for (unsigned i = field.width; i > 0; --i) raw = (raw << 8) | bytes[i - 1];
  unsigned bits = field.width * 8u;
  if (field.isSigned && bits < 64 && (raw >> (bits - 1)) != 0) raw |= ~uint64_t(0) << bits;
  return int64_t(raw);
}
