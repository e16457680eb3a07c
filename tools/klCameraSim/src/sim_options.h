// Command line of the simulator: "klCameraSim [options]" serves a camera, "klCameraSim ctl WORDS..."
// sends one control command to a running one.
#pragma once
#include <string>

#include "sim_simulator.h"

struct SimCommandLine {
  bool control = false;     // "ctl": act as a control client
  std::string controlLine;  // the words after "ctl", joined by blanks
  SimOptions options;
};

// Parses argv; false with a reason in error for an unknown option or a bad value.
bool simParseCommandLine(int argc, const char* const* argv, SimCommandLine& line, std::string& error);
// The usage text.
const char* simUsage();
