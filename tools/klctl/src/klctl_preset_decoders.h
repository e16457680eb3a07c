// The preset commands' protobuf answers as structured JSON, and the readable text made from it. Each
// function gives null (or "") when the payload does not decode.
#pragma once
#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

// Command 70: {"groups":[1000,1001]}.
nlohmann::ordered_json klctlPresetGroupsJson(const std::vector<uint8_t>& payload);
// Command 71: {"presets":[65536,65537]}.
nlohmann::ordered_json klctlPresetIdsJson(const std::vector<uint8_t>& payload);
// Command 72: {"id":..,"mode":..,"title":..,["title_number":..,]"icon":..,"custom":..,"edited":..,
// "settings":[{"id":..,"value":..},..]}.
nlohmann::ordered_json klctlPresetJson(const std::vector<uint8_t>& payload);
// Command 73: {"preset_id":..,"result":..}.
nlohmann::ordered_json klctlCreatedPresetJson(const std::vector<uint8_t>& payload);
// Command 81: {"groups":[{"id":..,"can_add_preset":..,"presets":[preset,..]},..]}.
nlohmann::ordered_json klctlPresetModelJson(const std::vector<uint8_t>& payload);

// Command 70: "groups: 1000 1001".
std::string klctlDecodePresetGroups(const std::vector<uint8_t>& payload);
// Command 71: "presets: 0x00010000 0x00010001".
std::string klctlDecodePresetIds(const std::vector<uint8_t>& payload);
// Command 72: one preset line with its settings.
std::string klctlDecodePreset(const std::vector<uint8_t>& payload);
// Command 73: the new preset's id and the result.
std::string klctlDecodeCreatedPreset(const std::vector<uint8_t>& payload);
// Command 81: a table of groups, each followed by its presets.
std::string klctlDecodePresetModel(const std::vector<uint8_t>& payload);
