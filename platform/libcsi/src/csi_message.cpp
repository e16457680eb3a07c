#include "csi_message.h"

#include <cstring>
#include <optional>

#include "klErrno.h"
#include "klTlv.h"
#include "klTlvReader.h"

namespace {

using OptionalRecord = std::optional<KlTlvRecord>;

bool kindOf(const KlTlvRecord& cmd, csi_kind* kind) {
  static const struct {
    char text[3];
    csi_kind kind;
  } kCodes[] = {{"CN", csi_kind::NOTIFICATION},
                {"CU", csi_kind::UPDATE},
                {"CR", csi_kind::SUBSCRIBE_RESPONSE},
                {"CI", csi_kind::SET_RESPONSE}};
  if (cmd.length < 2) return false;
  for (const auto& code : kCodes) {
    if (std::memcmp(cmd.value, code.text, 2) == 0) {
      *kind = code.kind;
      return true;
    }
  }
  return false;
}

uint32_t wordAt(const uint8_t* bytes) {
  uint32_t word;
  std::memcpy(&word, bytes, sizeof word);
  return word;
}

// Fills the fields of each kind from its records; false when one it needs is missing or short.
bool decodeBody(csi_kind kind, const OptionalRecord& arg, const OptionalRecord& code, csi_message* out) {
  const bool needsStatus = kind == csi_kind::SUBSCRIBE_RESPONSE || kind == csi_kind::SET_RESPONSE;
  if (needsStatus && (!code || code->length != 4)) return false;
  if (needsStatus) out->status = int32_t(wordAt(code->value));
  if (kind == csi_kind::SUBSCRIBE_RESPONSE) return true;
  if (!arg || arg->length < 4) return false;
  out->id = wordAt(arg->value);
  if (kind == csi_kind::UPDATE) {
    if (arg->length != 8) return false;
    out->value = wordAt(arg->value + 4);
  } else if (kind == csi_kind::NOTIFICATION) {
    const char* text = reinterpret_cast<const char*>(arg->value + 4);
    out->text.assign(text, strnlen(text, arg->length - 4u));
  }
  return true;
}

}  // namespace

int csi_decode(const uint8_t* msg, size_t size, csi_message* out) {
  KlTlvReader reader(msg, size);
  if (!reader.headerValid()) return KL_ERR_INVALID_PARAM;
  OptionalRecord cmd, arg, code;
  KlTlvRecord record;
  while (reader.next(&record)) {
    OptionalRecord* slot = record.type == TLV_CMD       ? &cmd
                           : record.type == TLV_CMDARG  ? &arg
                           : record.type == TLV_RSPCODE ? &code
                                                        : nullptr;
    // The first record of a type counts, as when the daemon looks a type up.
    if (slot != nullptr && !slot->has_value()) *slot = record;
  }
  *out = csi_message{};
  if (!cmd || !kindOf(*cmd, &out->kind)) return KL_ERR_INVALID_PARAM;
  return decodeBody(out->kind, arg, code, out) ? KL_OK : KL_ERR_INVALID_PARAM;
}

int csi_encode_request(uint8_t* buf, unsigned capacity, const char* code, const std::vector<uint32_t>& words,
                       const std::string& replyQueue) {
  const size_t argLength = words.size() * sizeof(uint32_t);
  if (capacity > KLMSG_MAX || argLength > KLMSG_MAX) return KL_ERR_INVALID_PARAM;
  sntlv_msg_init(buf, capacity, CAT_SYS_CMD);
  const bool fits =
      sntlv_add_bin(buf, capacity, TLV_CMD, 2, code) > 0 &&
      sntlv_add_bin(buf, capacity, TLV_CMDARG, unsigned(argLength), words.data()) > 0 &&
      sntlv_add_bin(buf, capacity, TLV_SRC, unsigned(replyQueue.size() + 1), replyQueue.c_str()) > 0 &&
      sntlv_add_bin(buf, capacity, TLV_END, 0, nullptr) > 0;
  return fits ? sntlv_msg_len(buf) : KL_ERR_INVALID_PARAM;
}
