#include "camera_if_settings.h"

#include "camera_fields.h"
#include "camera_link.h"
#include "camera_settings_table.h"
#include "klErrno.h"

namespace {

bool valueFits(int value, const camera_field& field) {
  if (field.width >= 4) return true;
  int64_t span = int64_t(1) << (field.width * 8);
  int64_t low = field.isSigned ? -span / 2 : 0;
  int64_t high = field.isSigned ? span / 2 - 1 : span - 1;
  return value >= low && value <= high;
}

void storeValue(appc_setup_all_settings* settings, const camera_field& field, int value) {
  uint8_t* bytes = reinterpret_cast<uint8_t*>(settings) + field.offset;
  uint32_t raw = uint32_t(value);
  for (unsigned i = 0; i < field.width; ++i, raw >>= 8) bytes[i] = uint8_t(raw);
}

}  // namespace

int camera_if_settings_set_value_int(klc_msg_q_context_t* ctx, int setting, uint32_t offset, uint32_t width,
                                     int value, uint32_t flags, appc_setup_all_settings* settings) {
  if (width == 0) return KL_ERR_NOT_SUPPORTED;
  if (offset > 0xFFFF || width > 4) return KL_ERR_INVALID_PARAM;
  const camera_field field{camera_block::SETTINGS, uint16_t(offset), uint8_t(width),
                           (flags & CAMERA_SETTING_SIGNED) != 0};
  if (!camera_field_valid(field) || !valueFits(value, field)) return KL_ERR_INVALID_PARAM;

  const int32_t words[5] = {setting, int32_t(offset), int32_t(width), int32_t(flags), value};
  int result =
      klc_link_call(ctx, klc_link_group(KLC_OP_SETTINGS_SET_VALUE_INT),
                    klc_link_id(KLC_OP_SETTINGS_SET_VALUE_INT), words, sizeof(words), nullptr, nullptr);
  if (result == KL_OK && settings != nullptr) storeValue(settings, field, value);
  return result;
}
