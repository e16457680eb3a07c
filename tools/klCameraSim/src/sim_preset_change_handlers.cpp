// The preset requests of remote-API group 17 that list groups and change presets, and request 5/28.
#include <cstring>

#include "camera_presets.h"
#include "klErrno.h"
#include "sim_handlers.h"
#include "sim_model_profile.h"

namespace {

// Copies a payload of exactly the record's size.
template <class Record>
bool payloadRecord(const klc_link_request& request, Record& record) {
  if (request.payloadLength != sizeof record) return false;
  std::memcpy(&record, request.payload, sizeof record);
  return true;
}

void refuseUnless(bool done, SimReply& reply) {
  if (!done) reply.status = KL_ERR_INVALID_PARAM;
}

void groupList(SimCamera& camera, const klc_link_request&, SimReply& reply) {
  const std::vector<uint8_t> groups = camera.presets().groups();
  reply.answer.assign(1, uint8_t(groups.size()));
  reply.answer.insert(reply.answer.end(), groups.begin(), groups.end());
}

// Presets are added to groups 0 to 2 only while they are shown, not to the dual-lens or power-profile
// forms that stand in for them.
void create(SimCamera& camera, const klc_link_request& request, SimReply& reply) {
  klc_preset_create_record record{};
  const bool read = payloadRecord(request, record);
  if (!simModelProfile(camera.model()).customPresets ||
      (read && camera.presetGroupOf(record.group) != record.group)) {
    reply.status = KL_ERR_NOT_SUPPORTED;
    return;
  }
  uint32_t id = 0;
  const int8_t flatMode = int8_t(record.flatMode);
  const bool done =
      read && SimCamera::groupOfFlatMode(flatMode) >= 0 &&
      camera.presets().create(record.group, flatMode, record.icon, record.title, record.titleNumber, id);
  refuseUnless(done, reply);
  if (done) simAnswerBytes(reply, &id, sizeof id);
}

void remove(SimCamera& camera, const klc_link_request& request, SimReply& reply) {
  int32_t id = 0;
  refuseUnless(simPayloadWords(request, &id, 1) && camera.presets().remove(uint32_t(id)), reply);
}

void setOrder(SimCamera& camera, const klc_link_request& request, SimReply& reply) {
  int32_t words[KLC_PRESET_ORDER_WORDS] = {};
  refuseUnless(simPayloadWords(request, words, KLC_PRESET_ORDER_WORDS) &&
                   camera.presets().moveTo(uint32_t(words[0]), uint32_t(words[1])),
               reply);
}

// What the camera does with 17/9 and 5/28 is not known; it takes them without a change.
void accept(SimCamera&, const klc_link_request&, SimReply&) {}

void factoryReset(SimCamera& camera, const klc_link_request& request, SimReply& reply) {
  int32_t id = 0;
  refuseUnless(
      simPayloadWords(request, &id, 1) && camera.presets().resetToFactory(uint32_t(id), camera.model()),
      reply);
}

void setTitleIcon(SimCamera& camera, const klc_link_request& request, SimReply& reply) {
  klc_preset_title_record record{};
  refuseUnless(
      payloadRecord(request, record) &&
          camera.presets().setTitleIcon(record.presetId, record.icon, record.title, record.titleNumber),
      reply);
}

// The flat mode of the preset being edited; when that preset is the active one the camera switches too.
void setFlatMode(SimCamera& camera, const klc_link_request& request, SimReply& reply) {
  uint8_t flatMode = 0;
  const bool known = simPayloadByte(request, flatMode) && SimCamera::groupOfFlatMode(flatMode) >= 0;
  if (!known || !camera.presets().setEditedFlatMode(int8_t(flatMode))) {
    reply.status = KL_ERR_INVALID_PARAM;
    return;
  }
  if (camera.presets().editedPreset() == camera.status().modified_preset_id) camera.setMode(flatMode);
}

}  // namespace

void simAddPresetChangeHandlers(SimHandlerTable& table) {
  table.add({
      {REMOTE_PRESET_GROUP_LIST, groupList},
      {REMOTE_PRESET_CUSTOM_CREATE, create},
      {REMOTE_PRESET_CUSTOM_REMOVE, remove},
      {REMOTE_PRESET_SET_ORDER, setOrder},
      {REMOTE_PRESET_REQUEST_9, accept},
      {REMOTE_PRESET_FACTORY_RESET, factoryReset},
      {REMOTE_PRESET_SET_TITLE_ICON, setTitleIcon},
      {REMOTE_PRESET_SET_FLATMODE, setFlatMode},
      {REMOTE_QUERY_5_28, accept},
  });
}
