// Start-up and camera state calls: model number, protocol adapter, lenses, power, orientation.
#include "klErrno.h"
#include "sim_handlers.h"

namespace {

void modelNumber(SimCamera& camera, const klc_link_request&, SimReply& reply) {
  reply.answer.assign(1, camera.model());
}

// The camera speaks the protocol of one model; selecting another one is refused.
void selectProtocolAdapter(SimCamera& camera, const klc_link_request& request, SimReply& reply) {
  uint8_t model = 0;
  if (!simPayloadByte(request, model) || model != camera.model()) {
    reply.status = KL_ERR_INVALID_PARAM;
    return;
  }
  camera.selectProtocolAdapter(model);
}

void lenses(SimCamera& camera, const klc_link_request&, SimReply& reply) {
  reply.answer = {uint8_t(camera.system().lens_mode), uint8_t(camera.system().lens)};
}

void lensType(SimCamera& camera, const klc_link_request&, SimReply& reply) {
  reply.answer.assign(1, camera.system().lens_type);
}

void powerProfile(SimCamera& camera, const klc_link_request&, SimReply& reply) {
  reply.answer.assign(1, uint8_t(camera.system().power_profile));
}

void getOrientation(SimCamera& camera, const klc_link_request&, SimReply& reply) {
  reply.answer.assign(1, camera.system().orientation_setting);
}

// Locks 1..4 and the two unlocked settings 0 and 5; nothing else exists.
void setOrientation(SimCamera& camera, const klc_link_request& request, SimReply& reply) {
  uint8_t value = 0;
  if (!simPayloadByte(request, value) || value > 5) {
    reply.status = KL_ERR_INVALID_PARAM;
    return;
  }
  camera.setOrientationSetting(value);
}

}  // namespace

void simAddStateHandlers(SimHandlerTable& table) {
  table.add({
      {KLC_OP_STATE_GET_MODEL_NUMBER, modelNumber},
      {KLC_OP_STATE_SELECT_PROTOCOL_ADAPTER, selectProtocolAdapter},
      {KLC_OP_SYSTEM_GET_LENSES, lenses},
      {KLC_OP_SYSTEM_GET_LENS_TYPE, lensType},
      {KLC_OP_SYSTEM_GET_POWER_PROFILE, powerProfile},
      {KLC_OP_SETUP_GET_ORIENTATION, getOrientation},
      {KLC_OP_SETUP_SET_ORIENTATION, setOrientation},
  });
}
