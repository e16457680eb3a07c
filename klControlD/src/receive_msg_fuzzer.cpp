// Reception and classification of whole messages on the daemon queue. Odd first byte: the rest is a
// message built around the input (category, TLV_CMD, TLV_CMDARG) that names the fuzz answer queue
// unless bit 1 of the first byte is set; exactly the messages that must be answered get one answer,
// and a message that names no queue gets none. Even first byte: the rest is sent raw; it may be
// answered once only when it names the answer queue, and never otherwise. Each exchange ends with a
// command on a queue of its own, which proves the worker took the input and goes on.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "klTlv.h"
#include "klcontrol_command_table.h"
#include "test_fuzz_daemon.h"

namespace {

bool isCsiCode(const uint8_t* code) {
  return code[0] == 'C' && (code[1] == 'N' || code[1] == 'U' || code[1] == 'R' || code[1] == 'I');
}

bool stopsTheWorker(const std::vector<uint8_t>& msg) {
  if (msg.size() < 4 || tlv_msg_check(msg.data(), int(msg.size())) != 0 || msg[3] != CAT_CLIENT_CMD)
    return false;
  const uint8_t* cmd = tlv_find(msg.data(), TLV_CMD);
  uint32_t number = 0;
  if (cmd == nullptr || tlv_value_len(cmd) < 4) return false;
  std::memcpy(&number, tlv_value(cmd), sizeof number);
  return number == KLCONTROL_WORKER_EXIT;
}

// True when a well-formed message names queue as its requester.
bool namesQueue(const std::vector<uint8_t>& msg, const std::string& queue) {
  if (msg.size() < 4 || tlv_msg_check(msg.data(), int(msg.size())) != 0) return false;
  const uint8_t* source = tlv_find(msg.data(), TLV_SRC);
  if (source == nullptr) return false;
  const char* text = reinterpret_cast<const char*>(tlv_value(source));
  return std::string(text, strnlen(text, tlv_value_len(source))) == queue;
}

// A message around the input (naming the answer queue when named is set) and whether the daemon
// must answer it there.
std::vector<uint8_t> built(const uint8_t* data, size_t size, bool named, bool& answered) {
  uint8_t category = size > 0 ? data[0] : 0;
  uint8_t code[4] = {0, 0, 0, 0};
  for (size_t i = 0; i < 4 && i + 1 < size; ++i) code[i] = data[i + 1];
  const size_t argOffset = size > 5 ? 5 : size;
  uint8_t msg[KLMSG_MAX];
  sntlv_msg_init(msg, sizeof msg, category);
  sntlv_add_bin(msg, sizeof msg, TLV_CMD, 4, code);
  if (size > argOffset) sntlv_add_bin(msg, 1200, TLV_CMDARG, unsigned(size - argOffset), data + argOffset);
  const std::string& name = fuzzSimHarness().daemon.answerQueue();
  if (named) sntlv_add_bin(msg, sizeof msg, TLV_SRC, unsigned(name.size() + 1), name.c_str());
  sntlv_add_bin(msg, sizeof msg, TLV_END, 0, nullptr);
  const bool systemRequest = category == CAT_SYS_CMD && code[0] == 'J' && (code[1] == 'S' || code[1] == 'R');
  answered = named && !isCsiCode(code) && (category == CAT_CLIENT_CMD || systemRequest);
  return std::vector<uint8_t>(msg, msg + sntlv_msg_len(msg));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzSimHarness& h = fuzzSimHarness();
  if (size == 0) return 0;
  const bool buildMessage = (data[0] & 1) != 0;
  const bool named = (data[0] & 2) == 0;
  bool answered = false;
  std::vector<uint8_t> msg =
      buildMessage ? built(data + 1, size - 1, named, answered) : std::vector<uint8_t>(data + 1, data + size);
  if (msg.size() > KLMSG_MAX || stopsTheWorker(msg)) return 0;
  const long answers = long(h.daemon.exchange(msg).size());
  const long most = namesQueue(msg, h.daemon.answerQueue()) ? 1 : 0;
  if (buildMessage ? answers != (answered ? 1 : 0) : answers > most) std::abort();
  return 0;
}
