// Raw TLV byte strings for tests and fuzz seeds: each record written out, length field computed.
#pragma once
#include <algorithm>
#include <cstdint>
#include <iterator>
#include <string>
#include <vector>

#include "test_gcc_warnings.h"

using Bytes = std::vector<uint8_t>;

// One TLV: zero byte, big-endian value length, type, value.
inline Bytes tlv(uint8_t type, const std::string& value = "") {
  Bytes out(4 + value.size(), 0);
  out[1] = static_cast<uint8_t>(value.size() >> 8);
  out[2] = static_cast<uint8_t>(value.size());
  out[3] = type;
  // gcc 12 at -O3 has this copy write past the vector, which is sized for it: a false report.
  KL_GCC_FALSE_BOUNDS_BEGIN
  std::copy(value.begin(), value.end(), out.begin() + 4);
  KL_GCC_FALSE_BOUNDS_END
  return out;
}

// Overwrites the length field, e.g. to make it lie.
inline Bytes withLength(Bytes msg, int length) {
  msg[0] = static_cast<uint8_t>(length >> 8);
  msg[1] = static_cast<uint8_t>(length);
  return msg;
}

// A message of the category holding the TLVs in order, with a truthful length field.
inline Bytes tlvMessage(uint8_t category, const std::vector<Bytes>& tlvs) {
  Bytes out(4, 0);
  out[3] = category;
  for (const Bytes& t : tlvs) std::copy(t.begin(), t.end(), std::back_inserter(out));
  return withLength(out, static_cast<int>(out.size()));
}
