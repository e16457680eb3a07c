// Answer payloads whose layout is known, decoded: one decoder per command number, shared by every
// client (klctl prints the text, the Python module hands out the value).
#pragma once
#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

// The payload of the command's answer as a JSON object, or null when no decoder knows its layout (or
// the payload does not have it). New decoders are added to the table in klcontrol_answer_decoders.cpp.
nlohmann::ordered_json klcontrol_decode_payload(uint32_t command, const std::vector<uint8_t>& payload);

// The readable text of what klcontrol_decode_payload gave for the command ("battery % 87, ..."); ""
// for null.
std::string klcontrol_decoded_text(uint32_t command, const nlohmann::ordered_json& decoded);

// True when the command's answer is a document of its own (the preset commands' protobuf messages),
// which a JSON report shows as such rather than as its text.
bool klcontrol_decoded_is_document(uint32_t command);
