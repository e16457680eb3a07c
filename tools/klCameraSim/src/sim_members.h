// Named members of the camera's blocks: the names of the state file, the dump and the control
// interface. Raw places are written "block@offset:width".
#pragma once
#include <cstdint>
#include <string>

#include "sim_camera.h"

struct SimMember {
  const char* name;  // "status.battery_percent"
  SimBlock block;
  unsigned offset;
  unsigned width;  // 1, 2, 4 or 8 bytes, little-endian
  bool isSigned;
};

// Resolves a named member or a raw place "status@246:1" (width 1, 2, 4 or 8); false when neither fits.
bool simResolveMember(const std::string& text, SimMember& member);
// The block of a block name ("status", "settings", "system"); false for another word.
bool simBlockFromName(const std::string& name, SimBlock& block);
// Parses a decimal (optionally negative) or 0x-hexadecimal number; false for anything else.
bool simParseNumber(const std::string& text, int64_t& value);
// All named members as "name=value" separated by blanks.
std::string simDumpMembers(const SimCamera& camera);
