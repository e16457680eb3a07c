// Readable forms of answer payloads whose layout is known, one decoder per command number.
#pragma once
#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

// The decoded payload of the command's answer, or "" when no decoder knows its layout (or the
// payload does not have it). New decoders are added to the table in klctl_decoders.cpp.
std::string klctlDecodePayload(uint32_t command, const std::vector<uint8_t>& payload);

// The payload as structured JSON, for the commands whose answer has one (the preset commands), or null.
nlohmann::ordered_json klctlDecodePayloadJson(uint32_t command, const std::vector<uint8_t>& payload);
