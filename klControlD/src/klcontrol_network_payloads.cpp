#include "klcontrol_network_payloads.h"

#include <cstdio>
#include <cstring>

#include "klErrno.h"
#include "klcontrol_tlv_text.h"

namespace {

// Copies text into a zero-filled field, keeping room for its zero.
template <size_t N>
void putText(char (&field)[N], const std::string& text) {
  std::snprintf(field, N, "%s", text.c_str());
}

void fillEntry(const uint8_t* bytes, klcontrol_network_entry_t& entry) {
  klc_network_record record;
  std::memcpy(&record, bytes, sizeof record);
  putText(entry.name,
          klcontrol_bounded_text(reinterpret_cast<const uint8_t*>(record.name), sizeof record.name));
  entry.auth_type = record.auth_type;
  entry.signal = record.signal;
  entry.flags = record.flags;
}

}  // namespace

klc_network_payload klcontrol_network_payload(klcontrol_network_operation_t operation, uint8_t authType,
                                              const std::string& name, const std::string& password) {
  klc_network_payload payload{};
  payload.operation = operation == KLCONTROL_NETWORK_DELETE ? KLC_NETWORK_ONE : KLC_NETWORK_ALL_OR_JOIN;
  payload.record_size = uint8_t(sizeof(klc_network_record));
  payload.auth_type = authType;
  putText(payload.name, name);
  putText(payload.password, password);
  return payload;
}

std::vector<uint8_t> klcontrol_ap_name_payload(const std::string& name, const std::string& password,
                                               bool keepRunning) {
  std::vector<uint8_t> payload = {keepRunning ? KLC_AP_NAME_KEEP_RUNNING : uint8_t(KLC_AP_RESTART),
                                  KLC_AP_NAME_MARK, uint8_t(password.size())};
  // One allocation, which also spares gcc 12 at -O3 a false out-of-bounds report on the inserts.
  payload.reserve(payload.size() + password.size() + 1 + name.size());
  payload.insert(payload.end(), password.begin(), password.end());
  payload.push_back(uint8_t(name.size()));
  payload.insert(payload.end(), name.begin(), name.end());
  return payload;
}

bool klcontrol_save_network_payload(const std::string& name, const std::string& password,
                                    std::vector<uint8_t>& payload) {
  if (name.empty() || name.size() > KLC_SAVE_MAX_NAME || password.size() > KLC_SAVE_MAX_PASSWORD)
    return false;
  payload.assign(name.begin(), name.end());
  payload.push_back(0);
  if (password.empty()) return true;
  payload.insert(payload.end(), password.begin(), password.end());
  payload.push_back(0);
  return true;
}

int klcontrol_fill_network_list(uint8_t offset, const uint8_t* reply, unsigned length, uint8_t* list) {
  if (reply[0] != 0) return KL_ERR;
  // A short answer reads as zeros past its end.
  klc_network_list_header header{};
  std::memcpy(&header, reply, length < sizeof header ? length : sizeof header);
  klcontrol_network_list_t result{};
  result.offset = offset;
  result.scan_id = header.scan_id;
  result.total = header.total;
  const unsigned whole =
      length > sizeof header ? (length - unsigned(sizeof header)) / unsigned(sizeof(klc_network_record)) : 0;
  unsigned count = header.count < whole ? header.count : whole;
  if (count > KLCONTROL_NETWORK_LIST_ENTRIES) count = KLCONTROL_NETWORK_LIST_ENTRIES;
  result.count = uint16_t(count);
  for (unsigned i = 0; i < count; ++i) {
    fillEntry(reply + sizeof header + i * sizeof(klc_network_record), result.entries[i]);
  }
  std::memcpy(list, &result, sizeof result);
  return KL_OK;
}
