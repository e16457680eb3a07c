// Readable form of the extended status: the camera's records of {status id, length, value}.
#pragma once
#include <string>
#include <vector>

// "id=value ..." with each value read little-endian (hexadecimal beyond 8 bytes); "" when the
// records do not fill the payload exactly.
std::string klctlDecodeStatusRecords(const std::vector<uint8_t>& payload);
