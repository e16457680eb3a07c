// The command number a dispatched request carries, for handlers shared by several commands.
#pragma once

#include "klCtrlD.h"
#include "klcontrol_command_table.h"

// The number in the request's TLV_CMD (reception checked it is there); 0 when it is missing.
klcontrol_command_t klcontrol_command_of(Msg& msg);
