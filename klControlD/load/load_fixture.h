// End to end: the real klCameraSim and klControlD processes in the test's private namespaces,
// driven over their queues, the daemon's TCP port and the simulator's control socket.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "test_process.h"
#include "test_requester.h"
#include "test_sim_control.h"

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

class EndToEndTest : public ::testing::Test, public SimControlAccess {
 protected:
  void SetUp() override;
  // Behind a test wrapper the daemon is stopped by its command, so that it ends normally and the
  // wrapper (a memory checker) reports on a whole run.
  void TearDown() override;

  void startCamera();
  // The daemon's standard error goes to standardError when that is not -1.
  void startDaemon(int standardError = -1);

 public:
  // The daemon's resident memory in KiB (VmRSS), or -1.
  long daemonRssKb() const;

 protected:
  std::unique_ptr<TestProcess> camera;
  std::unique_ptr<TestProcess> daemon;
  std::unique_ptr<TestRequester> requester;  // made inside the test's namespaces
};
