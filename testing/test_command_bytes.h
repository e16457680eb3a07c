// Bytes of command arguments, camera payloads and CSI messages as tests and fuzz seeds write and
// compare them.
#pragma once

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "klHexdump.h"
#include "klTlv.h"
#include "test_gcc_warnings.h"

// Lower-case hexadecimal, as the simulator's "payload" control command prints it.
inline std::string hexOf(const std::vector<uint8_t>& bytes) {
  return hexstring(bytes.data(), bytes.size(), false);
}

inline std::string hexOf(const std::string& text) {
  return hexstring(reinterpret_cast<const uint8_t*>(text.data()), text.size(), false);
}

// The text and its closing NUL, as commands take names and switches.
inline std::vector<uint8_t> textArg(const std::string& text) {
  std::vector<uint8_t> arg(text.begin(), text.end());
  arg.push_back(0);
  return arg;
}

// Writes text into a field of size bytes at offset (zero-filled, cut to the field), growing bytes.
inline void putField(std::vector<uint8_t>& bytes, size_t offset, size_t size, const std::string& text) {
  if (bytes.size() < offset + size) bytes.resize(offset + size, 0);
  std::memcpy(bytes.data() + offset, text.data(), text.size() < size ? text.size() : size);
}

// Writes a 32-bit word in host order at offset, growing bytes.
inline void putWord(std::vector<uint8_t>& bytes, size_t offset, uint32_t word) {
  // gcc 12 at -O3 has the growth move bytes past the old end: a false report.
  KL_GCC_FALSE_BOUNDS_BEGIN
  if (bytes.size() < offset + sizeof word) bytes.resize(offset + sizeof word, 0);
  KL_GCC_FALSE_BOUNDS_END
  std::memcpy(bytes.data() + offset, &word, sizeof word);
}

// 32-bit words in host order, one after the other.
inline std::vector<uint8_t> words(std::initializer_list<uint32_t> values) {
  std::vector<uint8_t> bytes;
  for (uint32_t value : values) putWord(bytes, bytes.size(), value);
  return bytes;
}

inline uint32_t wordAt(const std::vector<uint8_t>& bytes, size_t offset) {
  uint32_t word = 0;
  if (offset + sizeof word <= bytes.size()) std::memcpy(&word, bytes.data() + offset, sizeof word);
  return word;
}

// CSI messages, built record by record.
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
