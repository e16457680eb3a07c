// The preset commands' protobuf answers as structured JSON, and the readable text made from it. Each
// _json function gives null when the payload does not decode.
#pragma once
#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

// Command 70: {"groups":[1000,1001]}; "groups: 1000 1001".
nlohmann::ordered_json klcontrol_preset_groups_json(const std::vector<uint8_t>& payload);
std::string klcontrol_preset_groups_text(const nlohmann::ordered_json& groups);
// Command 71: {"presets":[65536,65537]}; "presets: 0x00010000 0x00010001".
nlohmann::ordered_json klcontrol_preset_ids_json(const std::vector<uint8_t>& payload);
std::string klcontrol_preset_ids_text(const nlohmann::ordered_json& presets);
// Command 72: {"id":..,"mode":..,"title":..,["title_number":..,]"icon":..,"custom":..,"edited":..,
// "settings":[{"id":..,"value":..},..]}; one preset line with its settings.
nlohmann::ordered_json klcontrol_preset_json(const std::vector<uint8_t>& payload);
std::string klcontrol_preset_text(const nlohmann::ordered_json& preset);
// Command 73: {"preset_id":..,"result":..}; the new preset's id and the result.
nlohmann::ordered_json klcontrol_created_preset_json(const std::vector<uint8_t>& payload);
std::string klcontrol_created_preset_text(const nlohmann::ordered_json& created);
// Command 81: {"groups":[{"id":..,"can_add_preset":..,"presets":[preset,..]},..]}; a table of groups,
// each followed by its presets.
nlohmann::ordered_json klcontrol_preset_model_json(const std::vector<uint8_t>& payload);
std::string klcontrol_preset_model_text(const nlohmann::ordered_json& model);
