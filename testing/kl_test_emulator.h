// Programs of the target's architecture started by the tests of a cross-build.
#pragma once

#include <string>
#include <vector>

// The command that runs argv here: the words of KL_TEST_EMULATOR (split at spaces; CMake sets it in a
// cross-build to the emulator that runs the target's programs) in front of argv; argv itself when the
// variable is unset or empty. Its first word is found on PATH.
std::vector<std::string> klEmulatedCommand(std::vector<std::string> argv);

// True when the tests run under the emulator: /proc then describes the emulator's process (a thread of
// its own besides the program's, the host's system-call numbers), not the program's.
bool klTestEmulated();
