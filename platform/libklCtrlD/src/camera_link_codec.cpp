// Encoding and decoding of camera-link requests and replies; shared by the library and the
// simulated camera so both sides agree on every byte.
#include <cstring>
#include <initializer_list>

#include "camera_link.h"
#include "klErrno.h"
#include "klTlvReader.h"

static_assert(sizeof(klc_link_header) == KLC_LINK_CMD_LEN, "TLV_CMD value of the camera link");

namespace {

// A message of the category holding the records in order; its length, or an error when it does not fit.
int encode(uint8_t* buf, unsigned capacity, uint8_t category, std::initializer_list<KlTlvRecord> records) {
  if (buf == nullptr || capacity < TLV_HDR_LEN) return KL_ERR_INVALID_PARAM;
  // Nothing longer than one queue message is ever written.
  if (capacity > KLMSG_MAX) capacity = KLMSG_MAX;
  sntlv_msg_init(buf, capacity, category);
  for (const KlTlvRecord& record : records) {
    if (sntlv_add_bin(buf, capacity, record.type, record.length, record.value) == 0)
      return KL_ERR_INVALID_PARAM;
  }
  return sntlv_msg_len(buf);
}

// Keeps the first record of a type; a second one makes the message malformed.
bool takeOnce(const KlTlvRecord& record, KlTlvRecord* slot, bool* seen) {
  if (*seen) return false;
  *slot = record;
  *seen = true;
  return true;
}

// Walks a whole message of the category, handing each record to collect; false when malformed.
template <typename Collect>
bool walk(const uint8_t* msg, unsigned length, uint8_t category, Collect collect) {
  KlTlvReader reader(msg, length);
  if (!reader.headerValid() || reader.category() != category) return false;
  KlTlvRecord record;
  while (reader.next(&record)) {
    if (!collect(record)) return false;
  }
  return reader.complete();
}

}  // namespace

int klc_link_encode_request(uint8_t* buf, unsigned capacity, const klc_link_header& header,
                            const void* payload, uint16_t length, const char* replyQueue) {
  const size_t nameLength = replyQueue != nullptr ? std::strlen(replyQueue) : 0;
  if (nameLength == 0 || nameLength > KLC_LINK_MAX_QUEUE_NAME) return KL_ERR_INVALID_PARAM;
  if (length > 0 && payload == nullptr) return KL_ERR_INVALID_PARAM;
  return encode(buf, capacity, CAT_CAMLINK_REQ,
                {{TLV_CMD, KLC_LINK_CMD_LEN, reinterpret_cast<const uint8_t*>(&header)},
                 {TLV_CMDARG, length, static_cast<const uint8_t*>(payload)},
                 {TLV_SRC, uint16_t(nameLength), reinterpret_cast<const uint8_t*>(replyQueue)},
                 {TLV_END, 0, nullptr}});
}

int klc_link_encode_reply(uint8_t* buf, unsigned capacity, const klc_link_header& header, int32_t status,
                          const void* answer, uint16_t length) {
  if (length > 0 && answer == nullptr) return KL_ERR_INVALID_PARAM;
  return encode(buf, capacity, CAT_CAMLINK_RSP,
                {{TLV_CMD, KLC_LINK_CMD_LEN, reinterpret_cast<const uint8_t*>(&header)},
                 {TLV_RSPCODE, sizeof status, reinterpret_cast<const uint8_t*>(&status)},
                 {TLV_RSPARG, length, static_cast<const uint8_t*>(answer)},
                 {TLV_END, 0, nullptr}});
}

int klc_link_decode_request(const uint8_t* msg, unsigned length, klc_link_request* request) {
  KlTlvRecord cmd{}, arg{}, src{};
  bool haveCmd = false, haveArg = false, haveSrc = false;
  const bool wellFormed = walk(msg, length, CAT_CAMLINK_REQ, [&](const KlTlvRecord& record) {
    switch (record.type) {
      case TLV_CMD:
        return takeOnce(record, &cmd, &haveCmd);
      case TLV_CMDARG:
        return takeOnce(record, &arg, &haveArg);
      case TLV_SRC:
        return takeOnce(record, &src, &haveSrc);
      default:
        return true;
    }
  });
  if (!wellFormed || !haveCmd || cmd.length != KLC_LINK_CMD_LEN || !haveSrc) return KL_ERR_INVALID_PARAM;
  if (src.length == 0 || src.length > KLC_LINK_MAX_QUEUE_NAME ||
      std::memchr(src.value, 0, src.length) != nullptr)
    return KL_ERR_INVALID_PARAM;
  std::memcpy(&request->header, cmd.value, KLC_LINK_CMD_LEN);
  request->payload = arg.value;
  request->payloadLength = arg.length;
  std::memcpy(request->replyQueue, src.value, src.length);
  request->replyQueue[src.length] = '\0';
  return 0;
}

int klc_link_decode_reply(const uint8_t* msg, unsigned length, klc_link_reply* reply) {
  KlTlvRecord cmd{}, code{}, arg{};
  bool haveCmd = false, haveCode = false, haveArg = false;
  const bool wellFormed = walk(msg, length, CAT_CAMLINK_RSP, [&](const KlTlvRecord& record) {
    switch (record.type) {
      case TLV_CMD:
        return takeOnce(record, &cmd, &haveCmd);
      case TLV_RSPCODE:
        return takeOnce(record, &code, &haveCode);
      case TLV_RSPARG:
        return takeOnce(record, &arg, &haveArg);
      default:
        return true;
    }
  });
  if (!wellFormed || !haveCmd || cmd.length != KLC_LINK_CMD_LEN || !haveCode ||
      code.length != sizeof(int32_t))
    return KL_ERR_INVALID_PARAM;
  std::memcpy(&reply->header, cmd.value, KLC_LINK_CMD_LEN);
  std::memcpy(&reply->status, code.value, sizeof(int32_t));
  reply->answer = arg.value;
  reply->answerLength = arg.length;
  return 0;
}
