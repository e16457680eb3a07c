// The camera's status block, read for commands that look at a few of its bytes.
#pragma once

#include "camera_blocks.h"

// Asks the camera for its status block (remote API 8/11): the call's result. On 0, status holds
// the reply, bounded to the block (bytes the reply lacks read 0, bytes past the block are dropped),
// and nakOff tells whether the reply was the one-byte NAK-off reply.
int klcontrol_read_status_block(appc_system_all_status& status, bool& nakOff);
