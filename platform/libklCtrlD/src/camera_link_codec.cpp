// Encoding and decoding of camera-link requests and replies; shared by the library and the
// simulated camera so both sides agree on every byte.
#include <cstring>
#include <initializer_list>

#include "camera_link.h"
#include "klErrno.h"
#include "klTlvReader.h"

static_assert(sizeof(klc_link_header) == KLC_LINK_CMD_LEN, "TLV_CMD value of the camera link");
static_assert(KLC_LINK_QUEUE_ID_LEN == 16, "identity record of the camera link: two 64-bit words");

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

// A record a decoder keeps: the one record of its type; a missing one reads as empty.
struct Slot {
  uint8_t type;
  KlTlvRecord record{};
  bool seen = false;
};

// Walks a whole message of the category, filling the slots; false when malformed or when a slot's
// type comes twice. Records of other types are passed over.
bool collect(const uint8_t* msg, unsigned length, uint8_t category, std::initializer_list<Slot*> slots) {
  KlTlvReader reader(msg, length);
  if (!reader.headerValid() || reader.category() != category) return false;
  KlTlvRecord record;
  while (reader.next(&record)) {
    for (Slot* slot : slots) {
      if (slot->type != record.type) continue;
      if (slot->seen) return false;
      slot->record = record;
      slot->seen = true;
    }
  }
  return reader.complete();
}

}  // namespace

int klc_link_encode_request(uint8_t* buf, unsigned capacity, const klc_link_header& header,
                            const void* payload, uint16_t length, const char* replyQueue,
                            const KlQueueIdentity& replyQueueId) {
  const size_t nameLength = replyQueue != nullptr ? std::strlen(replyQueue) : 0;
  if (nameLength == 0 || nameLength > KLC_LINK_MAX_QUEUE_NAME) return KL_ERR_INVALID_PARAM;
  if (length > 0 && payload == nullptr) return KL_ERR_INVALID_PARAM;
  const KlTlvRecord cmd{TLV_CMD, KLC_LINK_CMD_LEN, reinterpret_cast<const uint8_t*>(&header)};
  const KlTlvRecord arg{TLV_CMDARG, length, static_cast<const uint8_t*>(payload)};
  const KlTlvRecord src{TLV_SRC, uint16_t(nameLength), reinterpret_cast<const uint8_t*>(replyQueue)};
  const KlTlvRecord id{KLC_LINK_TLV_QUEUE_ID, KLC_LINK_QUEUE_ID_LEN,
                       reinterpret_cast<const uint8_t*>(&replyQueueId)};
  const KlTlvRecord end{TLV_END, 0, nullptr};
  return replyQueueId.known() ? encode(buf, capacity, CAT_CAMLINK_REQ, {cmd, arg, src, id, end})
                              : encode(buf, capacity, CAT_CAMLINK_REQ, {cmd, arg, src, end});
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
  Slot cmd{TLV_CMD}, arg{TLV_CMDARG}, src{TLV_SRC}, id{KLC_LINK_TLV_QUEUE_ID};
  if (!collect(msg, length, CAT_CAMLINK_REQ, {&cmd, &arg, &src, &id}) ||
      cmd.record.length != KLC_LINK_CMD_LEN || (id.seen && id.record.length != KLC_LINK_QUEUE_ID_LEN))
    return KL_ERR_INVALID_PARAM;
  const KlTlvRecord& name = src.record;
  if (name.length == 0 || name.length > KLC_LINK_MAX_QUEUE_NAME ||
      std::memchr(name.value, 0, name.length) != nullptr)
    return KL_ERR_INVALID_PARAM;
  std::memcpy(&request->header, cmd.record.value, KLC_LINK_CMD_LEN);
  request->payload = arg.record.value;
  request->payloadLength = arg.record.length;
  std::memcpy(request->replyQueue, name.value, name.length);
  request->replyQueue[name.length] = '\0';
  request->replyQueueId = {};
  if (id.seen) std::memcpy(&request->replyQueueId, id.record.value, KLC_LINK_QUEUE_ID_LEN);
  return 0;
}

int klc_link_decode_reply(const uint8_t* msg, unsigned length, klc_link_reply* reply) {
  Slot cmd{TLV_CMD}, code{TLV_RSPCODE}, arg{TLV_RSPARG};
  if (!collect(msg, length, CAT_CAMLINK_RSP, {&cmd, &code, &arg}) || cmd.record.length != KLC_LINK_CMD_LEN ||
      code.record.length != sizeof(int32_t))
    return KL_ERR_INVALID_PARAM;
  std::memcpy(&reply->header, cmd.record.value, KLC_LINK_CMD_LEN);
  std::memcpy(&reply->status, code.record.value, sizeof(int32_t));
  reply->answer = arg.record.value;
  reply->answerLength = arg.record.length;
  return 0;
}
