// Outside bytes through Msg parsing and the camera-link decoders: nothing may be read past the
// input, and whatever parses must be written back as a message that parses to the same bytes.
#include <cstdint>
#include <cstring>
#include <vector>

#include "camera_link.h"
#include "klcMsg.h"

namespace {

void checkMsg(const uint8_t* data, size_t size) {
  // An exact-size copy lets the sanitizer catch any read past the received bytes.
  std::vector<uint8_t> input(data, data + size);
  MemStream in(input.data(), uint16_t(input.size()));
  Msg msg(0);
  in >> msg;
  for (uint8_t type : {uint8_t(0x41), uint8_t(0x42), uint8_t(0x44), uint8_t(0xEE)}) {
    if (MsgElement* element = msg.findElement(type)) {
      uint32_t word = 0;
      element->getUint32(&word);
    }
  }
  if (in.failed()) return;
  std::vector<uint8_t> out(msg.getSize());
  MemStream written(out.data(), uint16_t(out.size()));
  written << msg;
  // Reserved and leading zero bytes are not kept, so compare after one more round.
  Msg again(0);
  MemStream reread(out.data(), written.getLength());
  reread >> again;
  std::vector<uint8_t> twice(again.getSize());
  MemStream rewritten(twice.data(), uint16_t(twice.size()));
  rewritten << again;
  if (written.failed() || reread.failed() || twice != out) __builtin_trap();
}

void checkLink(const uint8_t* data, size_t size) {
  std::vector<uint8_t> input(data, data + size);
  klc_link_reply reply{};
  if (klc_link_decode_reply(input.data(), unsigned(input.size()), &reply) == 0 && reply.answerLength > 0) {
    volatile uint8_t last = reply.answer[reply.answerLength - 1];
    (void)last;
  }
  klc_link_request request{};
  if (klc_link_decode_request(input.data(), unsigned(input.size()), &request) == 0 &&
      std::strlen(request.replyQueue) == 0)
    __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 0xFFFF) return 0;
  checkMsg(data, size);
  checkLink(data, size);
  return 0;
}
