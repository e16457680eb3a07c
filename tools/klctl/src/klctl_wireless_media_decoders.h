// Readable forms of the network list and of the list deletion's result.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// "offset 0, scan 3, 2 of 5: HarbourView (auth 3, signal -48, flags 1); ..." for the 492-byte
// network list; "" for any other size.
std::string klctlDecodeNetworkList(const std::vector<uint8_t>& payload);

// "result 1, 2 items, 1 deleted: deleted, not found" for the simulated camera's result (status byte,
// item count, deleted count, one byte per item); "" when the payload does not have that form.
std::string klctlDecodeDeleteListResult(const std::vector<uint8_t>& payload);
