// Readable forms of the camera's binary blocks: the status block (command 33), the settings block
// (32) and the 624-byte snapshot of both (34). A few key members each, read at their block offsets.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// "flat mode 12, sub-mode 0, battery 100%, ..." for a 384-byte status block; "" for any other size.
std::string klctlDecodeStatusBlock(const std::vector<uint8_t>& payload);

// "flat mode 12, video resolution 1, ..." for a 238-byte settings block; "" for any other size.
std::string klctlDecodeSettingsBlock(const std::vector<uint8_t>& payload);

// "status: <status>; settings: <settings>; lens mode 0, lens 0" for a 624-byte snapshot; "" otherwise.
std::string klctlDecodeSnapshot(const std::vector<uint8_t>& payload);
