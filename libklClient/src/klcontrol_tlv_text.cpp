#include "klcontrol_tlv_text.h"

#include <cstring>

#include "klTlv.h"

std::string klcontrol_bounded_text(const uint8_t* data, unsigned length) {
  if (data == nullptr) return std::string();
  const void* nul = std::memchr(data, 0, length);
  const size_t size = nul != nullptr ? size_t(static_cast<const uint8_t*>(nul) - data) : length;
  return std::string(reinterpret_cast<const char*>(data), size);
}

std::string klcontrol_tlv_text(const uint8_t* tlv) {
  if (tlv == nullptr) return std::string();
  return klcontrol_bounded_text(tlv_value(tlv), tlv_value_len(tlv));
}
