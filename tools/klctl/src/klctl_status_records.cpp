#include "klctl_status_records.h"

#include <cstdint>
#include <cstdio>

namespace {

constexpr size_t kRecordHeader = 2;
constexpr size_t kLargestNumber = 8;

std::string valueText(const uint8_t* bytes, size_t length) {
  if (length <= kLargestNumber) {
    uint64_t value = 0;
    for (size_t i = length; i > 0; --i) value = (value << 8) | bytes[i - 1];
    return std::to_string(value);
  }
  std::string text = "0x";
  char digits[3];
  for (size_t i = 0; i < length; ++i) {
    std::snprintf(digits, sizeof digits, "%02x", bytes[i]);
    text += digits;
  }
  return text;
}

}  // namespace

std::string klctlDecodeStatusRecords(const std::vector<uint8_t>& payload) {
  std::string text;
  size_t at = 0;
  while (at < payload.size()) {
    if (payload.size() - at < kRecordHeader) return "";
    const size_t length = payload[at + 1];
    if (payload.size() - at - kRecordHeader < length) return "";
    text += (text.empty() ? "status " : " ") + std::to_string(payload[at]) + '=' +
            valueText(payload.data() + at + kRecordHeader, length);
    at += kRecordHeader + length;
  }
  return text;
}
