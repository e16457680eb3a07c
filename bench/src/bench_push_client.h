// A TCP notification client of the daemon, for the CPU and change-latency figures.
#pragma once
#include <string>

#include "bench_requester.h"
#include "klUniqueFd.h"
#include "klcontrol_push_frames.h"

class BenchPushClient {
 public:
  // Connects to 127.0.0.1:8081 and resumes the socket clients (command 43, "status=1") until the
  // first document (the full state) arrives: the daemon registers a connection on its own thread.
  bool connectAndResume(BenchRequester& requester, int timeoutMs);
  // Reads documents until one holds text; false when none did within timeoutMs.
  bool waitFor(const std::string& text, int timeoutMs);
  // Reads every document that comes during the milliseconds; how many came.
  unsigned readFor(int milliseconds);

 private:
  // The next whole document within timeoutMs; false on time-out or a closed connection.
  bool next(std::string& document, int timeoutMs);

  UniqueFd mFd;
  KlcontrolFrameReader mFrames;
};
