#include "klcontrol_block_read.h"

#include <algorithm>
#include <cstring>

#include "klcontrol_camera.h"

namespace {

template <typename Block>
int readBlock(klc_remote_api api, Block& block, klcontrol_block_reply& reply) {
  block = Block{};
  reply = klcontrol_block_reply{};
  uint8_t* answer = nullptr;
  uint16_t length = 0;
  const int result = klc_send_remote_api_for_response(klcontrol_camera(), api, &answer, &length);
  if (result != 0 || answer == nullptr) return result;
  reply = klcontrol_block_reply{answer, length, klc_link_is_nak_off(answer, length)};
  if (!reply.nakOff) std::memcpy(&block, answer, std::min<size_t>(length, sizeof block));
  return 0;
}

}  // namespace

int klcontrol_read_block(appc_system_all_status& status, klcontrol_block_reply& reply) {
  return readBlock(REMOTE_SYSTEM_ALL_STATUS_GET, status, reply);
}

int klcontrol_read_block(appc_setup_all_settings& settings, klcontrol_block_reply& reply) {
  return readBlock(REMOTE_SYSTEM_ALL_SETTINGS_GET, settings, reply);
}

bool klcontrol_group_preset(const appc_system_all_status& status, uint32_t group, bool specialGroups,
                            uint32_t& preset) {
  switch (group) {
    case KLC_PRESET_GROUP_VIDEO:
    case KLC_PRESET_GROUP_DUAL_VIDEO:
    case KLC_PRESET_GROUP_POWER_1:
    case KLC_PRESET_GROUP_POWER_2:
      preset = status.video_preset_id;
      return true;
    case KLC_PRESET_GROUP_PHOTO:
    case KLC_PRESET_GROUP_DUAL_PHOTO:
      preset = status.photo_preset_id;
      return true;
    case KLC_PRESET_GROUP_TIME_LAPSE:
    case KLC_PRESET_GROUP_DUAL_TIME_LAPSE:
      preset = status.timelapse_preset_id;
      return true;
    case KLC_PRESET_GROUP_SPECIAL_6:
    case KLC_PRESET_GROUP_SPECIAL_7:
      if (!specialGroups) return false;
      preset = status.special_preset_id;
      return true;
    default:
      return false;
  }
}
