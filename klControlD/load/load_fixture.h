// The load and fault tests' cases: request counts and requests with the answers they must get, sent to
// the real processes of the end-to-end fixture.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "e2e_fixture.h"
#include "test_requester.h"

// Full counts are the default; KL_LOAD_SCALE (a percentage) shrinks them for a quick look.
int scaledCount(int full);

// One request and the answer it must get.
struct CommandCase {
  const char* name;
  uint32_t number;
  std::vector<uint8_t> arg;  // no argument element when hasArg is false
  bool hasArg;
  int32_t status;
  size_t payloadSize;
};

// Sends the case from the requester and checks its answer; an empty text when it matched.
std::string exchange(const TestRequester& requester, const CommandCase& c);
