// Reads of the camera's status block (remote API 8/11) and settings block (7/30), for every command
// and poll that looks at them.
#pragma once

#include <cstdint>

#include "camera_blocks.h"

// A block read's answer as it came; the bytes stay in the library's buffer until the next call.
struct klcontrol_block_reply {
  const uint8_t* bytes = nullptr;
  uint16_t length = 0;
  bool nakOff = false;  // the one-byte NAK-off answer of a camera that is off
};

// Asks the camera for a block: the call's result. On 0, reply describes the answer and the block
// holds as much of it as fits (bytes the answer lacks read 0), unless the answer was NAK-off.
int klcontrol_read_block(appc_system_all_status& status, klcontrol_block_reply& reply);
int klcontrol_read_block(appc_setup_all_settings& settings, klcontrol_block_reply& reply);

// The preset id the status block keeps for a preset group (selector) 0 to 5, 8 and 9, and, with
// specialGroups, 6 and 7; false for the other groups.
bool klcontrol_group_preset(const appc_system_all_status& status, uint32_t group, bool specialGroups,
                            uint32_t& preset);
