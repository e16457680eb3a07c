// The camera's binary blocks decoded: the status block (command 33), the settings block (32) and the
// 624-byte snapshot of both (34). A few key members each, read at their block offsets and named as
// the block's fields are ("battery_percent"); the text labels them for people ("battery %").
#pragma once
#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

// {"mode":12,"sub_mode":0,...,"orientation":0} for a 384-byte status block; null for any other size.
nlohmann::ordered_json klcontrol_status_block_json(const std::vector<uint8_t>& payload);
// "mode 12, sub-mode 0, zoom 0, battery % 100, ..."
std::string klcontrol_status_block_text(const nlohmann::ordered_json& block);

// {"flat_mode":12,"video_resolution":1,...} for a 238-byte settings block; null for any other size.
nlohmann::ordered_json klcontrol_settings_block_json(const std::vector<uint8_t>& payload);
// "flat mode 12, video resolution 1, ..."
std::string klcontrol_settings_block_text(const nlohmann::ordered_json& block);

// {"status":{..},"settings":{..},"lens_mode":0,"lens":0} for a 624-byte snapshot; null otherwise.
nlohmann::ordered_json klcontrol_snapshot_json(const std::vector<uint8_t>& payload);
// "status: <status>; settings: <settings>; lens mode 0, lens 0"
std::string klcontrol_snapshot_text(const nlohmann::ordered_json& snapshot);
