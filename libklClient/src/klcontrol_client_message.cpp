#include "klcontrol_client_message.h"

#include <cstring>

#include "klTlv.h"

int klcontrol_build_command(uint8_t* msg, unsigned capacity, uint32_t command,
                            const std::vector<uint8_t>* argument, const std::string& replyQueue) {
  if (capacity < TLV_HDR_LEN || replyQueue.empty()) return 0;
  sntlv_msg_init(msg, capacity, CAT_CLIENT_CMD);
  bool fits = sntlv_add_dat(msg, capacity, TLV_CMD, sizeof command, command) != 0;
  if (fits && argument != nullptr) {
    static const uint8_t kNone = 0;  // a valid pointer for an empty value
    const void* value = argument->empty() ? &kNone : argument->data();
    fits = sntlv_add_bin(msg, capacity, TLV_CMDARG, static_cast<unsigned>(argument->size()), value) != 0;
  }
  fits = fits && sntlv_add_bin(msg, capacity, TLV_SRC, static_cast<unsigned>(replyQueue.size()),
                               replyQueue.data()) != 0;
  fits = fits && sntlv_add_dat(msg, capacity, TLV_END, 0, 0) != 0;
  return fits ? sntlv_msg_len(msg) : 0;
}

namespace {

// True when the TLVs tile the message exactly: none claims bytes beyond its end.
bool tilesExactly(const uint8_t* msg) {
  const int length = sntlv_msg_len(msg);
  int offset = TLV_HDR_LEN;
  while (offset + TLV_HDR_LEN <= length)
    offset += TLV_HDR_LEN + static_cast<int>(tlv_value_len(msg + offset));
  return offset == length;
}

// Checks framing and category; then the TLVs can be looked up within the message.
bool checkFrame(const uint8_t* msg, int received, uint8_t category, std::string& problem) {
  if (tlv_msg_check(msg, received) != 0 || !tilesExactly(msg)) {
    problem = "malformed answer: " + std::to_string(received) + " bytes received, length field " +
              (received >= 2 ? std::to_string(sntlv_msg_len(msg)) : std::string("missing"));
    return false;
  }
  if (msg[TLV_CATEGORY_BYTE] != category) {
    problem = "unexpected answer category " + std::to_string(msg[TLV_CATEGORY_BYTE]) + " (expected " +
              std::to_string(category) + ")";
    return false;
  }
  return true;
}

void copyValue(const uint8_t* tlv, std::vector<uint8_t>& out) {
  const uint8_t* value = tlv_value(tlv);
  out.assign(value, value + tlv_value_len(tlv));
}

}  // namespace

bool klcontrol_decode_answer(const uint8_t* msg, int received, klcontrol_answer_t& answer,
                             std::string& problem) {
  if (!checkFrame(msg, received, CAT_CLIENT_RSP, problem)) return false;
  const uint8_t* code = tlv_find(msg, TLV_RSPCODE);
  if (code == nullptr || tlv_value_len(code) != sizeof answer.status) {
    problem = "malformed answer: no 4-byte status";
    return false;
  }
  std::memcpy(&answer.status, tlv_value(code), sizeof answer.status);
  const uint8_t* payload = tlv_find(msg, TLV_RSPARG);
  answer.payload.clear();
  if (payload != nullptr) copyValue(payload, answer.payload);
  return true;
}

bool klcontrol_decode_system_answer(const uint8_t* msg, int received, klcontrol_answer_t& answer,
                                    std::string& problem) {
  if (!checkFrame(msg, received, CAT_SYS_RSP, problem)) return false;
  const uint8_t* payload = tlv_find(msg, TLV_RSPARG);
  if (payload == nullptr || tlv_value_len(payload) == 0) {
    problem = "malformed answer: no status byte";
    return false;
  }
  copyValue(payload, answer.payload);
  answer.status = answer.payload[0];
  return true;
}

bool klcontrol_decode_event(const uint8_t* msg, int received, std::string& document, std::string& problem) {
  if (!checkFrame(msg, received, CAT_CLIENT_EVENT, problem)) return false;
  const uint8_t* text = tlv_find(msg, TLV_RSPARG);
  if (text == nullptr || tlv_value_len(text) == 0 || tlv_value(text)[tlv_value_len(text) - 1] != 0) {
    problem = "malformed event: no terminated document";
    return false;
  }
  document.assign(reinterpret_cast<const char*>(tlv_value(text)), tlv_value_len(text) - 1);
  return true;
}
