// The preset requests of remote-API group 17 that read presets, open and close an edit, and load one.
#include <cstddef>
#include <cstring>

#include "klErrno.h"
#include "sim_handlers.h"

namespace {

constexpr uint16_t kGroupPresets = 17;
constexpr uint16_t kListIds = 1;
constexpr uint16_t kGetInfo = 2;
constexpr uint16_t kEditStart = 8;
constexpr uint16_t kEditEnd = 10;
constexpr uint16_t kLoad = 12;
// One count byte heads the id list, so a group never lists more.
constexpr size_t kMaxListed = 255;

bool payloadId(const klc_link_request& request, uint32_t& id) {
  if (request.payloadLength != sizeof id) return false;
  std::memcpy(&id, request.payload, sizeof id);
  return true;
}

void listIds(SimCamera& camera, const klc_link_request& request, SimReply& reply) {
  uint8_t group = 0;
  if (!simPayloadByte(request, group)) {
    reply.status = KL_ERR_INVALID_PARAM;
    return;
  }
  const std::vector<uint32_t> ids = camera.presets().idsOfGroup(group);
  const size_t count = ids.size() < kMaxListed ? ids.size() : kMaxListed;
  reply.answer.assign(1, uint8_t(count));
  for (size_t i = 0; i < count; ++i) {
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(&ids[i]);
    reply.answer.insert(reply.answer.end(), bytes, bytes + sizeof(uint32_t));
  }
}

void getInfo(SimCamera& camera, const klc_link_request& request, SimReply& reply) {
  uint32_t id = 0;
  const SimPreset* preset = payloadId(request, id) ? camera.presets().find(id) : nullptr;
  if (preset == nullptr) {
    reply.status = KL_ERR_INVALID_PARAM;
    return;
  }
  const appc_presets_settings_info record = simPresetRecord(*preset, camera.settings());
  simAnswerBytes(reply, &record, sizeof record);
}

void editStart(SimCamera& camera, const klc_link_request& request, SimReply& reply) {
  uint32_t id = 0;
  if (!payloadId(request, id) || !camera.presets().startEdit(id)) reply.status = KL_ERR_INVALID_PARAM;
}

void editEnd(SimCamera& camera, const klc_link_request&, SimReply&) {
  camera.presets().endEdit();
}

// Status member holding the current preset of a firmware group.
size_t presetMemberOfGroup(uint8_t group) {
  switch (group) {
    case 1:
    case 4:
      return offsetof(appc_system_all_status, photo_preset_id);
    case 2:
    case 5:
      return offsetof(appc_system_all_status, timelapse_preset_id);
    case 6:
    case 7:
      return offsetof(appc_system_all_status, special_preset_id);
    default:
      return offsetof(appc_system_all_status, video_preset_id);
  }
}

// Loading a preset selects its flat mode and makes it the current preset of its group.
void load(SimCamera& camera, const klc_link_request& request, SimReply& reply) {
  uint32_t id = 0;
  const SimPreset* preset = payloadId(request, id) ? camera.presets().find(id) : nullptr;
  if (preset == nullptr || camera.setMode(preset->flatMode) != KL_OK) {
    reply.status = KL_ERR_INVALID_PARAM;
    return;
  }
  camera.write(SimBlock::STATUS, unsigned(presetMemberOfGroup(preset->group)), 4, preset->id);
  camera.write(SimBlock::STATUS, unsigned(offsetof(appc_system_all_status, active_preset_group)), 4,
               preset->group);
  camera.write(SimBlock::STATUS, unsigned(offsetof(appc_system_all_status, modified_preset_id)), 4,
               preset->id);
}

}  // namespace

void simAddPresetHandlers(SimHandlerTable& table) {
  table.add(klc_link_key(kGroupPresets, kListIds), listIds);
  table.add(klc_link_key(kGroupPresets, kGetInfo), getInfo);
  table.add(klc_link_key(kGroupPresets, kEditStart), editStart);
  table.add(klc_link_key(kGroupPresets, kEditEnd), editEnd);
  table.add(klc_link_key(kGroupPresets, kLoad), load);
}
