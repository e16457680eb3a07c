// The title number of a new custom preset: the first one its title does not use yet in the group.
#include <set>
#include <vector>

#include "klcontrol_camera.h"
#include "klcontrol_log.h"
#include "klcontrol_preset_loader.h"
#include "klcontrol_preset_wire.h"

constexpr const char* LOG_SOURCE = "klcontrol_preset_loader";

namespace {

constexpr unsigned int NO_ITERATOR = 0xFFFFFFFFu;

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
  const klcontrol_preset_read listed = klcontrol_read_preset_ids(group, ids);
  if (!listed.taken) {
    LOG(UTIL_LOG_ERROR, "klc_send_remote_api_payload_response error, %d\n", listed.rc);
    return NO_ITERATOR;
  }
  if (ids.empty()) return 0;
  std::set<uint32_t> used;
  for (uint32_t id : ids) {
    LOG(UTIL_LOG_DEBUG, "checking preset id %u\n", id);
    appc_presets_settings_info record{};
    const klcontrol_preset_read read = klcontrol_read_preset_record(id, record);
    if (!read.taken) {
      LOG(UTIL_LOG_ERROR, "klc_send_remote_api_payload_response error, %d\n", read.rc);
      return NO_ITERATOR;
    }
    if (record.user_data1 != title) continue;
    LOG(UTIL_LOG_DEBUG, "pushing preset id %d itr %d\n", int(id), int(record.user_data2));
    used.insert(record.user_data2);
  }
  const unsigned int next = firstFreeNumber(used);
  LOG(UTIL_LOG_DEBUG, "returning %d\n", int(next));
  return next;
}
