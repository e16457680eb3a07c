// Preset commands that forward one preset request to the camera: remove, order, load, edit start and
// end, request 9, factory reset, and request 5/28.
#include "klControlCommands/klControl_presets.pb.h"
#include "klErrno.h"
#include "klcontrol_if_server.h"
#include "klcontrol_log.h"
#include "klcontrol_preset_wire.h"

constexpr const char* LOG_SOURCE = "klcontrol_if_server";

using namespace klcontrol::presets;

namespace {

// Sends one payload request with the body's preset id (and order); -3 for a body without them.
template <class Body>
int forwardPresetId(const MsgElement* arg, klc_remote_api api) {
  Body body;
  if (!klcontrol_decode_preset_body(arg, body) || !body.has_preset_id())
    return klcontrol_refuse_preset_body();
  const uint32_t id = body.preset_id();
  const int rc = klc_send_remote_api_payload(klcontrol_camera(), api, &id, sizeof id);
  if (rc != KL_OK) LOG(UTIL_LOG_ERROR, "klc_send_remote_api_payload error, %d\n", rc);
  return rc;
}

int forwardSimple(klc_remote_api api) {
  const int rc = klc_send_simple_remote_api(klcontrol_camera(), api);
  if (rc != KL_OK) LOG(UTIL_LOG_ERROR, "klc_send_simple_remote_api error, %d\n", rc);
  return rc;
}

}  // namespace

int KlcontrolCommandServer::cmdPresetCustomRemove(Msg& msg, MsgElement* arg) {
  return answer(msg, forwardPresetId<KLC_Preset_Custom_Remove_Req>(arg, REMOTE_PRESET_CUSTOM_REMOVE));
}

int KlcontrolCommandServer::cmdPresetSetOrder(Msg& msg, MsgElement* arg) {
  KLC_Preset_Set_Order_Req body;
  if (!klcontrol_decode_preset_body(arg, body) || !body.has_preset_id() || !body.has_order()) {
    return answer(msg, klcontrol_refuse_preset_body());
  }
  const uint32_t request[KLC_PRESET_ORDER_WORDS] = {body.preset_id(), body.order()};
  const int rc =
      klc_send_remote_api_payload(klcontrol_camera(), REMOTE_PRESET_SET_ORDER, request, sizeof request);
  if (rc != KL_OK) LOG(UTIL_LOG_ERROR, "klc_send_remote_api_payload error, %d\n", rc);
  return answer(msg, rc);
}

int KlcontrolCommandServer::cmdPresetLoad(Msg& msg, MsgElement* arg) {
  if (mIsZooming) stopZooming("KLCONTROL_PRESET_LOAD");
  return answer(msg, forwardPresetId<KLC_Preset_Load_Req>(arg, REMOTE_PRESET_LOAD));
}

int KlcontrolCommandServer::cmdPresetEditStart(Msg& msg, MsgElement* arg) {
  return answer(msg, forwardPresetId<KLC_Preset_Edit_Start_Req>(arg, REMOTE_PRESET_EDIT_START));
}

int KlcontrolCommandServer::cmdPresetRequest9(Msg& msg, MsgElement*) {
  return answer(msg, forwardSimple(REMOTE_PRESET_REQUEST_9));
}

int KlcontrolCommandServer::cmdPresetEditEnd(Msg& msg, MsgElement*) {
  return answer(msg, forwardSimple(REMOTE_PRESET_EDIT_END));
}

int KlcontrolCommandServer::cmdPresetFactoryReset(Msg& msg, MsgElement* arg) {
  return answer(msg, forwardPresetId<KLC_Preset_Factory_Reset_Req>(arg, REMOTE_PRESET_FACTORY_RESET));
}

// What the camera does with 5/28 is its own business; only the result is passed on.
int KlcontrolCommandServer::cmdRemoteQuery528(Msg& msg, MsgElement*) {
  uint8_t* reply = nullptr;
  uint16_t length = 0;
  return answer(msg,
                klc_send_remote_api_for_response(klcontrol_camera(), REMOTE_QUERY_5_28, &reply, &length));
}
