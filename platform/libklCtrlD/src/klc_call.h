// Shared shapes of the library's calls: a request with a fixed payload, and a getter whose answer
// must have exactly the size of its out-value.
#pragma once
#include <cstring>

#include "klCtrlD.h"
#include "klDebug.h"
#include "klErrno.h"

// Sends the operation with length payload bytes and ignores any answer.
inline int klc_call_op(klc_msg_q_context_t* ctx, klc_link_op op, const void* payload = nullptr,
                       uint16_t length = 0) {
  return klc_link_call(ctx, klc_link_group(op), klc_link_id(op), payload, length, nullptr, nullptr);
}

// Sends the operation with one value, in host byte order, as its payload.
template <typename T>
int klc_call_with(klc_msg_q_context_t* ctx, klc_link_op op, T value) {
  return klc_call_op(ctx, op, &value, sizeof value);
}

// Fills *out from an answer of exactly sizeof(T) bytes; KL_ERR for any other size, out untouched.
template <typename T>
int klc_call_get(klc_msg_q_context_t* ctx, klc_link_op op, T* out) {
  KL_ASSERT(out != nullptr);
  uint8_t* answer = nullptr;
  uint16_t length = 0;
  const int result = klc_link_call(ctx, klc_link_group(op), klc_link_id(op), nullptr, 0, &answer, &length);
  if (result != 0) return result;
  if (length != sizeof(T)) return KL_ERR;
  std::memcpy(out, answer, sizeof(T));
  return 0;
}
