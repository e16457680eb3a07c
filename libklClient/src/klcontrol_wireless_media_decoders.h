// The network list and the list deletion's result, decoded.
#pragma once
#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

// {"offset":0,"scan_id":3,"count":2,"total":5,"networks":[{"name":"HarbourView","auth":3,"signal":-48,
// "flags":1},..]} for the 492-byte network list (entries up to the count); null for any other size.
nlohmann::ordered_json klcontrol_network_list_json(const std::vector<uint8_t>& payload);
// "offset 0, scan 3, 2 of 5: HarbourView (auth 3, signal -48, flags 1); ..."
std::string klcontrol_network_list_text(const nlohmann::ordered_json& list);

// {"result":1,"items":2,"deleted":1,"outcomes":["deleted","not found"]} for the simulated camera's
// result (status byte, item count, deleted count, one byte per item); null when the payload does not
// have that form.
nlohmann::ordered_json klcontrol_delete_list_result_json(const std::vector<uint8_t>& payload);
// "result 1, 2 items, 1 deleted: deleted, not found"
std::string klcontrol_delete_list_result_text(const nlohmann::ordered_json& result);
