// The preset commands' side of the camera link and of the client bodies.
#include "klcontrol_preset_wire.h"

#include <google/protobuf/message_lite.h>

#include <algorithm>
#include <cstring>

namespace {

klc_msg_q_context_t* ctx() {
  return &KlcontrolCommandServer::m_cameraContext;
}

}  // namespace

int presetSimpleRequest(int id) {
  return klc_send_simple_remote_api(ctx(), REMOTE_PRESET_GROUP, id);
}

int presetPayloadRequest(int id, const void* payload, uint16_t length) {
  return klc_send_remote_api_payload(ctx(), REMOTE_PRESET_GROUP, id, payload, length);
}

int presetResponseRequest(int id, uint8_t** answer, uint16_t* length) {
  *answer = nullptr;
  *length = 0;
  return klc_send_remote_api_for_response(ctx(), REMOTE_PRESET_GROUP, id, answer, length);
}

int presetPayloadResponseRequest(int id, const void* payload, uint16_t length, uint8_t** answer,
                                 uint16_t* answerLength) {
  *answer = nullptr;
  *answerLength = 0;
  return klc_send_remote_api_payload_response(ctx(), REMOTE_PRESET_GROUP, id, payload, length, answer,
                                              answerLength);
}

bool decodePresetBody(const MsgElement* arg, google::protobuf::MessageLite& body) {
  if (arg == nullptr) return false;
  return body.ParseFromArray(arg->getData(), arg->getDataLength());
}

size_t listedEntries(const uint8_t* answer, uint16_t length, size_t entrySize) {
  if (answer == nullptr || length == 0) return 0;
  return std::min<size_t>(answer[0], (length - 1u) / entrySize);
}

uint32_t listedId(const uint8_t* answer, size_t index) {
  uint32_t id = 0;
  std::memcpy(&id, answer + 1 + index * sizeof id, sizeof id);
  return id;
}
