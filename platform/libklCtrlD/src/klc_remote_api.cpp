// Remote-API requests addressed by group and id, and the accessory-port channel.
#include "klc_call.h"

namespace {

int remote(klc_msg_q_context_t* ctx, int group, int id, const void* payload, uint16_t length,
           uint8_t** answer, uint16_t* answerLength) {
  // Groups from 0x100 on belong to the library's own operations.
  if (group < 0 || group >= KLC_LINK_FIRST_LIBRARY_GROUP || id < 0 || id > 0xFFFF)
    return KL_ERR_INVALID_PARAM;
  return klc_link_call(ctx, uint16_t(group), uint16_t(id), payload, length, answer, answerLength);
}

}  // namespace

int klc_send_simple_remote_api(klc_msg_q_context_t* ctx, int group, int id) {
  return remote(ctx, group, id, nullptr, 0, nullptr, nullptr);
}

int klc_send_remote_api_payload(klc_msg_q_context_t* ctx, int group, int id, const void* payload,
                                uint16_t length) {
  return remote(ctx, group, id, payload, length, nullptr, nullptr);
}

int klc_send_remote_api_for_response(klc_msg_q_context_t* ctx, int group, int id, uint8_t** answer,
                                     uint16_t* answerLength) {
  return remote(ctx, group, id, nullptr, 0, answer, answerLength);
}

int klc_send_remote_api_payload_response(klc_msg_q_context_t* ctx, int group, int id, const void* payload,
                                         uint16_t length, uint8_t** answer, uint16_t* answerLength) {
  return remote(ctx, group, id, payload, length, answer, answerLength);
}

int klc_send_auxpod_command(klc_msg_q_context_t* ctx, const char* code, const void* payload, uint16_t length,
                            uint8_t** answer, uint16_t* answerLength) {
  if (code == nullptr || code[0] == '\0' || code[1] == '\0') return KL_ERR_INVALID_PARAM;
  return klc_link_call(ctx, KLC_LINK_GROUP_AUXPOD, klc_auxpod_id(code[0], code[1]), payload, length, answer,
                       answerLength);
}
