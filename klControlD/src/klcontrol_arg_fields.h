// Fields of a raw command argument: 32-bit words in host byte order, raw bytes and zero-terminated
// texts in fixed fields. Every command reads its argument through these; reads stay inside the
// argument even where the frame did not check its length.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

#include "klcMsg.h"
#include "klcontrol_tlv_text.h"

// The word at offset; 0 when the argument ends before it.
inline uint32_t klcontrol_arg_word(const MsgElement* arg, unsigned offset) {
  uint32_t word = 0;
  if (offset + sizeof word <= arg->getDataLength()) std::memcpy(&word, arg->getData() + offset, sizeof word);
  return word;
}

// The bytes at offset into out (size bytes), as far as the argument holds them; the rest stays 0.
inline void klcontrol_arg_bytes(const MsgElement* arg, unsigned offset, void* out, unsigned size) {
  std::memset(out, 0, size);
  const unsigned length = arg->getDataLength();
  if (offset < length)
    std::memcpy(out, arg->getData() + offset, size < length - offset ? size : length - offset);
}

// The text of the field of field bytes at offset, up to its first zero or the field's (or argument's) end.
inline std::string klcontrol_arg_text(const MsgElement* arg, unsigned offset, unsigned field) {
  const unsigned length = arg->getDataLength();
  if (offset >= length) return "";
  return klcontrol_bounded_text(arg->getData() + offset, field < length - offset ? field : length - offset);
}
