// Programs of the target's architecture started by the tests of a cross-build.
#pragma once

// True when the tests run under the emulator that KL_TEST_EMULATOR names (CMake sets it in a
// cross-build): /proc then describes the emulator's process (a thread of its own besides the
// program's, the host's system-call numbers), not the program's.
bool klTestEmulated();
