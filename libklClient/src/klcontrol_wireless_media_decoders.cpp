#include "klcontrol_wireless_media_decoders.h"

#include <cstring>

#include "klcontrol_network_list.h"

namespace {

using Json = nlohmann::ordered_json;

Json entry(const klcontrol_network_entry_t& network) {
  return {{"name", std::string(network.name, strnlen(network.name, sizeof network.name))},
          {"auth", network.auth_type},
          {"signal", network.signal},
          {"flags", network.flags}};
}

std::string number(const Json& value) {
  return std::to_string(value.get<long long>());
}

std::string entryText(const Json& network) {
  return network["name"].get<std::string>() + " (auth " + number(network["auth"]) + ", signal " +
         number(network["signal"]) + ", flags " + number(network["flags"]) + ")";
}

}  // namespace

Json klcontrol_network_list_json(const std::vector<uint8_t>& payload) {
  klcontrol_network_list_t list{};
  if (payload.size() != sizeof list) return nullptr;
  std::memcpy(&list, payload.data(), sizeof list);
  const unsigned count =
      list.count < KLCONTROL_NETWORK_LIST_ENTRIES ? list.count : KLCONTROL_NETWORK_LIST_ENTRIES;
  Json networks = Json::array();
  for (unsigned i = 0; i < count; ++i) networks.push_back(entry(list.entries[i]));
  return {{"offset", list.offset},
          {"scan_id", list.scan_id},
          {"count", list.count},
          {"total", list.total},
          {"networks", std::move(networks)}};
}

std::string klcontrol_network_list_text(const Json& list) {
  std::string text = "offset " + number(list["offset"]) + ", scan " + number(list["scan_id"]) + ", " +
                     number(list["count"]) + " of " + number(list["total"]);
  bool first = true;
  for (const Json& network : list["networks"]) {
    text += (first ? ": " : "; ") + entryText(network);
    first = false;
  }
  return text;
}

Json klcontrol_delete_list_result_json(const std::vector<uint8_t>& payload) {
  if (payload.size() < 3 || payload.size() != 3u + payload[1]) return nullptr;
  Json outcomes = Json::array();
  for (size_t i = 3; i < payload.size(); ++i) outcomes.push_back(payload[i] == 0 ? "deleted" : "not found");
  return {{"result", payload[0]}, {"items", payload[1]}, {"deleted", payload[2]}, {"outcomes", outcomes}};
}

std::string klcontrol_delete_list_result_text(const Json& result) {
  std::string text = "result " + number(result["result"]) + ", " + number(result["items"]) + " items, " +
                     number(result["deleted"]) + " deleted";
  bool first = true;
  for (const Json& outcome : result["outcomes"]) {
    text += (first ? ": " : ", ") + outcome.get<std::string>();
    first = false;
  }
  return text;
}
