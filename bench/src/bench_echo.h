// The baselines: a child process that answers each request on one queue with a fixed answer on
// another, doing nothing else. A round trip through it is the least one command can cost; with
// the daemon's own queue calls it is the least one command can cost the daemon.
#pragma once
#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

#include "bench_queue.h"

enum class BenchEchoCalls {
  Raw,     // a blocking receive, and the requester's queue opened once
  Daemon,  // a readiness wait before each receive, and the requester's queue opened per answer
};

class BenchEcho {
 public:
  BenchEcho() = default;
  ~BenchEcho();
  BenchEcho(const BenchEcho&) = delete;
  BenchEcho& operator=(const BenchEcho&) = delete;

  // Creates a request queue of a fresh name and forks the child, which answers with the given bytes
  // on the queue named by each request's TLV_SRC, with the given calls. Call before any thread is
  // started.
  bool start(const std::vector<uint8_t>& answer, BenchEchoCalls calls);
  const std::string& requestQueue() const { return mRequests.name(); }
  // Ends the child and removes the request queue.
  void stop();

 private:
  pid_t mChild = -1;
  UniqueQueue mRequests;  // the child's; kept here so that the name lives until stop
};

// The answer a command without payload gets: CAT_CLIENT_RSP with a 4-byte status 0.
std::vector<uint8_t> benchPlainAnswer();
