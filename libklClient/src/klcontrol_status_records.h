// The extended status decoded: the camera's records of {status id, length, value}.
#pragma once
#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

// {"records":[{"id":70,"value":42},{"id":9,"value":"0x010203040506070809"}]}: each value read
// little-endian, as hexadecimal text beyond 8 bytes; null when the records do not fill the payload
// exactly, or there are none.
nlohmann::ordered_json klcontrol_status_records_json(const std::vector<uint8_t>& payload);
// "status 70=42 9=0x010203040506070809"
std::string klcontrol_status_records_text(const nlohmann::ordered_json& records);
