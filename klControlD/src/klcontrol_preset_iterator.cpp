// The title number of a new custom preset: the first one its title does not use yet in the group.
#include <cstring>
#include <set>
#include <vector>

#include "klcontrol_camera.h"
#include "klcontrol_log.h"
#include "klcontrol_preset_loader.h"
#include "klcontrol_preset_wire.h"

constexpr const char* LOG_SOURCE = "klcontrol_preset_loader";

namespace {

constexpr unsigned int NO_ITERATOR = 0xFFFFFFFFu;

// The ids of the group's presets, copied out of the reply buffer that the next call reuses.
// False (logged) when the camera gives no list.
bool listPresetIds(unsigned char group, std::vector<uint32_t>& ids) {
  uint8_t* answer = nullptr;
  uint16_t length = 0;
  const int rc = klc_send_remote_api_payload_response(klcontrol_camera(), REMOTE_PRESET_LIST_IDS, &group,
                                                      sizeof group, &answer, &length);
  if (rc != 0 || answer == nullptr || length == 0) {
    LOG(UTIL_LOG_ERROR, "klc_send_remote_api_payload_response error, %d\n", rc);
    return false;
  }
  const size_t count = klcontrol_listed_entries(answer, length, sizeof(uint32_t));
  for (size_t i = 0; i < count; ++i) ids.push_back(klcontrol_listed_id(answer, i));
  return true;
}

// The camera's record of one preset; false (logged) when the call fails or the record is not whole.
bool readPresetRecord(uint32_t id, appc_presets_settings_info& record) {
  uint8_t* answer = nullptr;
  uint16_t length = 0;
  const int rc = klc_send_remote_api_payload_response(klcontrol_camera(), REMOTE_PRESET_GET_INFO, &id,
                                                      sizeof id, &answer, &length);
  if (rc != 0) {
    LOG(UTIL_LOG_ERROR, "klc_send_remote_api_payload_response error, %d\n", rc);
    return false;
  }
  if (answer == nullptr || length != sizeof record) {
    LOG(UTIL_LOG_ERROR, "klc_send_remote_api_payload_response error, %d\n", 0);
    return false;
  }
  std::memcpy(&record, answer, sizeof record);
  return true;
}

// The first number after the unbroken run 0, 1, 2, ... at the start of the ordered set.
unsigned int firstFreeNumber(const std::set<uint32_t>& used) {
  LOG(UTIL_LOG_DEBUG, "looping through pushes\n");
  unsigned int candidate = 0;
  unsigned int result = 0;
  for (uint32_t number : used) {
    LOG(UTIL_LOG_DEBUG, "i=%d, itr=%d, iterator=%d\n", int(candidate), int(number), int(result));
    if (number != candidate) break;
    result = ++candidate;
  }
  return result;
}

}  // namespace

unsigned int GetNextPresetIterator(unsigned char group, unsigned int title) {
  std::vector<uint32_t> ids;
  if (!listPresetIds(group, ids)) return NO_ITERATOR;
  if (ids.empty()) return 0;
  std::set<uint32_t> used;
  for (uint32_t id : ids) {
    LOG(UTIL_LOG_DEBUG, "checking preset id %u\n", id);
    appc_presets_settings_info record{};
    if (!readPresetRecord(id, record)) return NO_ITERATOR;
    if (record.user_data1 != title) continue;
    LOG(UTIL_LOG_DEBUG, "pushing preset id %d itr %d\n", int(id), int(record.user_data2));
    used.insert(record.user_data2);
  }
  const unsigned int next = firstFreeNumber(used);
  LOG(UTIL_LOG_DEBUG, "returning %d\n", int(next));
  return next;
}
