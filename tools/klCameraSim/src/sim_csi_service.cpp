#include "sim_csi_service.h"

#include <cstring>

#include "KLCSIListener.h"
#include "csi_message.h"
#include "klTlv.h"
#include "klTlvReader.h"

namespace {

constexpr uint8_t kCategoryEvent = 0x16;
constexpr uint8_t kCategoryAnswer = 0x11;

struct Request {
  std::string code;
  std::vector<uint32_t> words;
  std::string source;
};

// The code, the 32-bit words of the argument and the reply queue (its NUL dropped) of a request.
bool parseRequest(const uint8_t* msg, unsigned length, Request& request) {
  KlTlvReader reader(msg, length);
  KlTlvRecord record;
  bool argument = false;
  while (reader.headerValid() && reader.next(&record)) {
    const char* text = reinterpret_cast<const char*>(record.value);
    if (record.type == TLV_CMD && request.code.empty() && record.length >= 2) request.code.assign(text, 2);
    if (record.type == TLV_SRC && request.source.empty() && record.length > 0)
      request.source.assign(text, strnlen(text, record.length));
    if (record.type != TLV_CMDARG || argument || record.length % 4 != 0) continue;
    argument = true;
    request.words.resize(record.length / 4);
    if (record.length > 0) std::memcpy(request.words.data(), record.value, record.length);
  }
  return reader.complete() && argument && !request.source.empty();
}

std::vector<uint8_t> wordBytes(std::initializer_list<uint32_t> words) {
  std::vector<uint8_t> bytes(words.size() * 4);
  std::memcpy(bytes.data(), words.begin(), bytes.size());
  return bytes;
}

}  // namespace

int simBuildCsiMessage(uint8_t* msg, unsigned capacity, const SimCsiMessage& message) {
  const bool answer = message.code == "CR" || message.code == "CI";
  sntlv_msg_init(msg, capacity, answer ? kCategoryAnswer : kCategoryEvent);
  const bool fits =
      message.code.size() == 2 && sntlv_add_bin(msg, capacity, TLV_CMD, 2, message.code.data()) > 0 &&
      (!message.hasArgument || sntlv_add_bin(msg, capacity, TLV_CMDARG, unsigned(message.argument.size()),
                                             message.argument.data()) > 0) &&
      (!message.hasStatus || sntlv_add_dat(msg, capacity, TLV_RSPCODE, 4, uint32_t(message.status)) > 0) &&
      sntlv_add_dat(msg, capacity, TLV_END, 0, 0) > 0;
  return fits ? sntlv_msg_len(msg) : 0;
}

SimCsiMessage simCsiNotification(uint32_t id, const std::string& text) {
  SimCsiMessage message{"CN", true, wordBytes({id}), false, 0};
  // One allocation, which also spares gcc 12 at -O3 a false out-of-bounds report on the insert.
  message.argument.reserve(message.argument.size() + text.size());
  message.argument.insert(message.argument.end(), text.begin(), text.end());
  return message;
}

bool SimCsiService::handle(const uint8_t* msg, unsigned length, SimCsiMessage& answer,
                           std::string& replyQueue) {
  Request request;
  const bool parsed = parseRequest(msg, length, request);
  const bool subscribe = parsed && request.code == CSI_CODE_SUBSCRIBE;
  const bool write = parsed && request.code == CSI_CODE_WRITE && request.words.size() == 2;
  if (!subscribe && !write) {
    ++mMalformed;
    return false;
  }
  ++mRequests;
  replyQueue = request.source;
  if (subscribe) {
    mSubscribed = std::set<uint32_t>(request.words.begin(), request.words.end());
    answer = SimCsiMessage{"CR", false, {}, true, 0};
    return true;
  }
  mValues[request.words[0]] = request.words[1];
  answer = SimCsiMessage{"CI", true, wordBytes({request.words[0]}), true, 0};
  return true;
}

std::string SimCsiService::describe() const {
  std::string text = "subscribed=";
  for (uint32_t id : mSubscribed) text += (text.back() == '=' ? "" : ",") + std::to_string(id);
  text += " values=";
  for (const auto& [id, value] : mValues)
    text += (text.back() == '=' ? "" : ",") + std::to_string(id) + ":" + std::to_string(value);
  return text + " requests=" + std::to_string(mRequests) + " malformed=" + std::to_string(mMalformed);
}
