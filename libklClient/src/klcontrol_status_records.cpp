#include "klcontrol_status_records.h"

#include <cstdio>

namespace {

using Json = nlohmann::ordered_json;

constexpr size_t kRecordHeader = 2;
constexpr size_t kLargestNumber = 8;

Json value(const uint8_t* bytes, size_t length) {
  if (length <= kLargestNumber) {
    uint64_t number = 0;
    for (size_t i = length; i > 0; --i) number = (number << 8) | bytes[i - 1];
    return number;
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

Json klcontrol_status_records_json(const std::vector<uint8_t>& payload) {
  Json records = Json::array();
  size_t at = 0;
  while (at < payload.size()) {
    if (payload.size() - at < kRecordHeader) return nullptr;
    const size_t length = payload[at + 1];
    if (payload.size() - at - kRecordHeader < length) return nullptr;
    records.push_back({{"id", payload[at]}, {"value", value(payload.data() + at + kRecordHeader, length)}});
    at += kRecordHeader + length;
  }
  if (records.empty()) return nullptr;
  return {{"records", std::move(records)}};
}

std::string klcontrol_status_records_text(const Json& records) {
  std::string text = "status";
  for (const Json& record : records["records"]) {
    const Json& number = record["value"];
    text += " " + std::to_string(record["id"].get<unsigned>()) + '=' +
            (number.is_string() ? number.get<std::string>() : std::to_string(number.get<uint64_t>()));
  }
  return text;
}
