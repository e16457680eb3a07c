// The state file: "member=value" lines that set up a camera before it answers anything.
//   # comment             blank lines and comments are skipped
//   model=55              switches to that model's factory state (so it comes first)
//   status.battery_percent=20
//   status@246:1=3        a raw place: block@offset:width
#pragma once
#include <string>

#include "sim_camera.h"

constexpr unsigned SIM_STATE_FILE_MAX = 64 * 1024;
constexpr unsigned SIM_STATE_LINE_MAX = 256;

// Applies one "member=value" (or "model=N") assignment; false with a reason for a bad one.
bool simApplyAssignment(SimCamera& camera, const std::string& line, std::string& error);
// Applies every line of a state text in order; stops at the first bad line ("line N: reason").
bool simLoadStateText(SimCamera& camera, const std::string& text, std::string& error);
// Reads a state file of at most SIM_STATE_FILE_MAX bytes and applies it.
bool simLoadStateFile(SimCamera& camera, const std::string& path, std::string& error);
