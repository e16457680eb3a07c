#include "klctl_wireless_media_decoders.h"

#include <cstring>

#include "klcontrol_network_list.h"

namespace {

std::string entryText(const klcontrol_network_entry_t& entry) {
  return std::string(entry.name, strnlen(entry.name, sizeof entry.name)) + " (auth " +
         std::to_string(entry.auth_type) + ", signal " + std::to_string(entry.signal) + ", flags " +
         std::to_string(entry.flags) + ")";
}

}  // namespace

std::string klctlDecodeNetworkList(const std::vector<uint8_t>& payload) {
  klcontrol_network_list_t list{};
  if (payload.size() != sizeof list) return "";
  std::memcpy(&list, payload.data(), sizeof list);
  const unsigned count =
      list.count < KLCONTROL_NETWORK_LIST_ENTRIES ? list.count : KLCONTROL_NETWORK_LIST_ENTRIES;
  std::string text = "offset " + std::to_string(list.offset) + ", scan " + std::to_string(list.scan_id) +
                     ", " + std::to_string(list.count) + " of " + std::to_string(list.total);
  for (unsigned i = 0; i < count; ++i) text += (i == 0 ? ": " : "; ") + entryText(list.entries[i]);
  return text;
}

std::string klctlDecodeDeleteListResult(const std::vector<uint8_t>& payload) {
  if (payload.size() < 3 || payload.size() != 3u + payload[1]) return "";
  std::string text = "result " + std::to_string(payload[0]) + ", " + std::to_string(payload[1]) + " items, " +
                     std::to_string(payload[2]) + " deleted";
  for (size_t i = 3; i < payload.size(); ++i) {
    text += (i == 3 ? ": " : ", ") + std::string(payload[i] == 0 ? "deleted" : "not found");
  }
  return text;
}
