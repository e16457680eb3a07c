// Fields of a raw command argument: 32-bit words in host byte order and zero-terminated texts in
// fixed fields. Reads stay inside the argument even where the frame did not check its length.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

#include "klcMsg.h"
#include "klcontrol_tlv_text.h"

// The word at offset; 0 when the argument ends before it.
inline uint32_t klcArgWord(const MsgElement* arg, unsigned offset) {
  uint32_t word = 0;
  if (offset + sizeof word <= arg->getDataLength()) std::memcpy(&word, arg->getData() + offset, sizeof word);
  return word;
}

// The text of the field of field bytes at offset, up to its first zero or the field's (or argument's) end.
inline std::string klcArgText(const MsgElement* arg, unsigned offset, unsigned field) {
  const unsigned length = arg->getDataLength();
  if (offset >= length) return "";
  return boundedText(arg->getData() + offset, field < length - offset ? field : length - offset);
}
