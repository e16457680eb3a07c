#include "klcontrol_network_payloads.h"

#include <cstdio>
#include <cstring>

#include "klErrno.h"
#include "klcontrol_tlv_text.h"

namespace {

constexpr unsigned kMaxNetworkName = 32;
constexpr unsigned kMaxNetworkPassword = 63;

// Copies text into a zero-filled field, keeping room for its zero.
template <size_t N>
void putText(char (&field)[N], const std::string& text) {
  std::snprintf(field, N, "%s", text.c_str());
}

uint8_t replyByte(const uint8_t* reply, unsigned length, unsigned index) {
  return index < length ? reply[index] : 0;
}

void fillEntry(const uint8_t* record, klcontrol_network_entry_t& entry) {
  const std::string name = klcontrol_bounded_text(
      record + KLCONTROL_NETWORK_RECORD_NAME, KLCONTROL_NETWORK_RECORD_VALUE - KLCONTROL_NETWORK_RECORD_NAME);
  putText(entry.name, name);
  entry.auth_type = record[0];
  std::memcpy(&entry.signal, record + KLCONTROL_NETWORK_RECORD_VALUE, sizeof entry.signal);
  entry.flags = record[1];
}

}  // namespace

klcontrol_network_payload_t klcontrol_network_payload(klcontrol_network_operation_t operation,
                                                      uint8_t authType, const std::string& name,
                                                      const std::string& password) {
  klcontrol_network_payload_t payload{};
  payload.operation = operation == KLCONTROL_NETWORK_DELETE ? 0 : 1;
  payload.record_size = uint8_t(KLCONTROL_NETWORK_RECORD_SIZE);
  payload.auth_type = authType;
  putText(payload.name, name);
  putText(payload.password, password);
  return payload;
}

std::vector<uint8_t> klcontrol_ap_name_payload(const std::string& name, const std::string& password,
                                               bool keepRunning) {
  std::vector<uint8_t> payload = {uint8_t(keepRunning ? 0 : 6), 1, uint8_t(password.size())};
  // One allocation, which also spares gcc 12 at -O3 a false out-of-bounds report on the inserts.
  payload.reserve(payload.size() + password.size() + 1 + name.size());
  payload.insert(payload.end(), password.begin(), password.end());
  payload.push_back(uint8_t(name.size()));
  payload.insert(payload.end(), name.begin(), name.end());
  return payload;
}

bool klcontrol_save_network_payload(const std::string& name, const std::string& password,
                                    std::vector<uint8_t>& payload) {
  if (name.empty() || name.size() > kMaxNetworkName || password.size() > kMaxNetworkPassword) return false;
  payload.assign(name.begin(), name.end());
  payload.push_back(0);
  if (password.empty()) return true;
  payload.insert(payload.end(), password.begin(), password.end());
  payload.push_back(0);
  return true;
}

int klcontrol_fill_network_list(uint8_t offset, const uint8_t* reply, unsigned length, uint8_t* list) {
  if (reply[0] != 0) return KL_ERR;
  klcontrol_network_list_t result{};
  result.offset = offset;
  result.scan_id = replyByte(reply, length, 1);
  result.total = replyByte(reply, length, 5);
  const unsigned stated = replyByte(reply, length, 4);
  const unsigned whole = length > KLCONTROL_NETWORK_REPLY_HEADER
                             ? (length - KLCONTROL_NETWORK_REPLY_HEADER) / KLCONTROL_NETWORK_RECORD_SIZE
                             : 0;
  unsigned count = stated < whole ? stated : whole;
  if (count > KLCONTROL_NETWORK_LIST_ENTRIES) count = KLCONTROL_NETWORK_LIST_ENTRIES;
  result.count = uint16_t(count);
  for (unsigned i = 0; i < count; ++i) {
    fillEntry(reply + KLCONTROL_NETWORK_REPLY_HEADER + i * KLCONTROL_NETWORK_RECORD_SIZE, result.entries[i]);
  }
  std::memcpy(list, &result, sizeof result);
  return KL_OK;
}
