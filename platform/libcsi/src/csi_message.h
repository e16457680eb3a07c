// Camera-status-interface (CSI) messages: decoding what arrives on the daemon's queue and encoding
// the listener's requests. The byte layout is described in docs/csi.md.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

enum class csi_kind {
  NOTIFICATION,        // "CN": an id and a text
  UPDATE,              // "CU": an id and a 32-bit value
  SUBSCRIBE_RESPONSE,  // "CR": the service's answer to a subscription
  SET_RESPONSE,        // "CI": the service's answer to a value write
};

struct csi_message {
  csi_kind kind;
  uint32_t id;       // CN, CU, CI
  uint32_t value;    // CU
  int32_t status;    // CR, CI
  std::string text;  // CN: up to the first NUL or the end of the record
};

// Request codes the listener sends to the CSI service.
constexpr char CSI_CODE_SUBSCRIBE[] = "CS";
constexpr char CSI_CODE_WRITE[] = "CW";

// Decodes size received bytes without reading past them (nor past the message's own length).
// 0, or KL_ERR_INVALID_PARAM for a message that is not a well-formed CSI message.
int csi_decode(const uint8_t* msg, size_t size, csi_message* out);

// Writes a request (code, 32-bit words as the argument, reply queue) into buf; its length, or
// KL_ERR_INVALID_PARAM when it does not fit.
int csi_encode_request(uint8_t* buf, unsigned capacity, const char* code, const std::vector<uint32_t>& words,
                       const std::string& replyQueue);
