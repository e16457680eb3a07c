// The daemon as fuzz targets drive it: the command server started in private namespaces against a
// camera the target provides, a queue for the answers to fuzz input and one for the round trip that
// proves the worker has taken each input.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "sim_simulator.h"
#include "test_requester.h"

// The simulated camera on a thread of its own, answering without delay; aborts when it cannot start.
struct FuzzCamera {
  FuzzCamera();
  std::unique_ptr<SimSimulator> sim;
  std::thread thread;
};

class FuzzDaemon {
 public:
  // Enters private namespaces once per process; aborts when it cannot (nothing else may run then).
  static void enterNamespaces();
  // Makes the two queues and starts the server (the camera must answer by now); aborts on failure. Presets
  // are created without the pause a real camera needs.
  FuzzDaemon();

  // Name of the queue the answers to fuzz input go to.
  const std::string& answerQueue() const { return mAnswers.name(); }
  // A client command with the number and optional argument, naming the answer queue.
  std::vector<uint8_t> command(uint32_t number, const std::vector<uint8_t>* arg) const {
    return TestRequester::command(number, arg, answerQueue());
  }
  // Sends msg to the daemon queue, waits until the worker has taken it and returns the messages that
  // reached the answer queue. Aborts when the daemon stops serving.
  std::vector<TestAnswer> exchange(const std::vector<uint8_t>& msg);

 private:
  TestRequester mAnswers{"/kl_fuzz_answers"};
  TestRequester mSync{"/kl_fuzz_sync"};
};

// The simulated camera and the daemon serving it, started in private namespaces on first use and
// kept for the rest of the process.
struct FuzzSimHarness {
  FuzzCamera camera;
  FuzzDaemon daemon;
};
FuzzSimHarness& fuzzSimHarness();
