// The preset requests of remote-API group 17 that read presets, open and close an edit, and load one.
#include <cstring>

#include "camera_presets.h"
#include "klErrno.h"
#include "sim_handlers.h"

namespace {

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
  const size_t count = ids.size() < KLC_PRESET_MAX_LISTED ? ids.size() : KLC_PRESET_MAX_LISTED;
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

// Loading a preset selects its flat mode and makes it the current preset of its group.
void load(SimCamera& camera, const klc_link_request& request, SimReply& reply) {
  uint32_t id = 0;
  const SimPreset* preset = payloadId(request, id) ? camera.presets().find(id) : nullptr;
  if (preset == nullptr || camera.loadPreset(*preset) != KL_OK) reply.status = KL_ERR_INVALID_PARAM;
}

}  // namespace

void simAddPresetHandlers(SimHandlerTable& table) {
  table.add({
      {REMOTE_PRESET_LIST_IDS, listIds},
      {REMOTE_PRESET_GET_INFO, getInfo},
      {REMOTE_PRESET_EDIT_START, editStart},
      {REMOTE_PRESET_EDIT_END, editEnd},
      {REMOTE_PRESET_LOAD, load},
  });
}
