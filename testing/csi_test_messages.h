// CSI messages for tests and fuzz seeds, built record by record.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "klTlv.h"
#include "test_command_bytes.h"

namespace csi_test {

struct Record {
  uint8_t type;
  std::vector<uint8_t> value;
};

inline std::vector<uint8_t> bytes(const std::string& text) {
  return {text.begin(), text.end()};
}

using ::words;

// A message of exactly its own length, closed by TLV_END.
inline std::vector<uint8_t> message(uint8_t category, const std::vector<Record>& records) {
  uint8_t buf[KLMSG_MAX];
  sntlv_msg_init(buf, sizeof buf, category);
  for (const Record& r : records)
    sntlv_add_bin(buf, sizeof buf, r.type, unsigned(r.value.size()), r.value.data());
  sntlv_add_bin(buf, sizeof buf, TLV_END, 0, nullptr);
  return {buf, buf + sntlv_msg_len(buf)};
}

// "CN": a notification id and its text.
inline std::vector<uint8_t> notification(uint32_t id, const std::string& text) {
  std::vector<uint8_t> arg = words({id});
  arg.insert(arg.end(), text.begin(), text.end());
  return message(CAT_CLIENT_EVENT, {{TLV_CMD, bytes("CN")}, {TLV_CMDARG, arg}});
}

// "CU": an id and a 32-bit value.
inline std::vector<uint8_t> update(uint32_t id, uint32_t value) {
  return message(CAT_CLIENT_EVENT, {{TLV_CMD, bytes("CU")}, {TLV_CMDARG, words({id, value})}});
}

// "CR" or "CI": an answer of the service with its status and, for "CI", the id.
inline std::vector<uint8_t> answer(const char* code, int32_t status, std::vector<uint8_t> arg = {}) {
  std::vector<Record> records{{TLV_CMD, bytes(code)}, {TLV_RSPCODE, words({uint32_t(status)})}};
  if (!arg.empty()) records.push_back({TLV_CMDARG, std::move(arg)});
  return message(CAT_SYS_RSP, records);
}

}  // namespace csi_test
