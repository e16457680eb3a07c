// Readable forms of the preset commands' protobuf answers; "" when the payload does not decode.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

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
