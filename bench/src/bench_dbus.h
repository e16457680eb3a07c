// The side-by-side a user would make: a D-Bus method call that takes a 32-bit command and answers
// a 32-bit status, through a bus daemon, with sd-bus on both ends.
#pragma once
#include <sys/types.h>

#include <cstdint>
#include <string>

#include "bench_latency.h"

struct sd_bus;

// The far end: a child process on the bus that answers every call with status 0.
class BenchDbusServer {
 public:
  BenchDbusServer() = default;
  ~BenchDbusServer();
  BenchDbusServer(const BenchDbusServer&) = delete;
  BenchDbusServer& operator=(const BenchDbusServer&) = delete;

  // Forks the child and waits until it owns its bus name. Call before any thread is started.
  bool start(const std::string& busAddress);
  void stop();

 private:
  pid_t mChild = -1;
};

// A caller with a bus connection of its own (one per thread).
class BenchDbusCaller {
 public:
  BenchDbusCaller() = default;
  ~BenchDbusCaller();
  BenchDbusCaller(const BenchDbusCaller&) = delete;
  BenchDbusCaller& operator=(const BenchDbusCaller&) = delete;

  bool open(const std::string& busAddress);
  // One call with the command; true when answered with status 0, otherwise false with the reason.
  bool call(uint32_t command, std::string& problem);

 private:
  sd_bus* mBus = nullptr;
};

BenchExchange benchDbusExchange(BenchDbusCaller& caller, uint32_t command);
