// Command names of klctl, from the daemon's command table.
#pragma once
#include <cstdint>
#include <string>

// Finds a command by number (any 32-bit decimal or 0x number, so that refusals can be tried) or by
// name: the table's name, case-insensitively, with or without the KLCONTROL_ (or KLCONTROL_COMMAND_)
// prefix ("mode", "KLCONTROL_MODE", "shutter"). False when the word names no command.
bool klctlFindCommand(const std::string& word, uint32_t& number);

// The table's name of a number ("KLCONTROL_MODE"), or "" when the number names no command.
std::string klctlCommandName(uint32_t number);

// One line per named command: number, name, argument class and description.
std::string klctlCommandList();
