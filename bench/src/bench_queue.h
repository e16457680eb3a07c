// A POSIX queue descriptor, closed (and removed, when this side created it) on every path.
#pragma once
#include <mqueue.h>

#include <cstdint>
#include <string>
#include <vector>

// How long a child serving a queue waits for a request before it gives up.
constexpr int BENCH_SERVER_IDLE_MS = 3600 * 1000;
constexpr int BENCH_NO_DEADLINE = -1;

class BenchQueue {
 public:
  BenchQueue() = default;
  ~BenchQueue();
  BenchQueue(const BenchQueue&) = delete;
  BenchQueue& operator=(const BenchQueue&) = delete;

  // Creates the queue exclusively for reading: room for two 1500-byte messages, as a requester's.
  bool create(const std::string& name);
  // Opens an existing queue for writing.
  bool openForWriting(const std::string& name);
  bool isOpen() const { return mMqd != -1; }
  const std::string& name() const { return mName; }

  // Sends the bytes (blocking while the queue is full); false on failure.
  bool send(const std::vector<uint8_t>& bytes);
  // Receives one message into buffer (resized to what came); false after timeoutMs or on failure.
  // BENCH_NO_DEADLINE waits without one: no timer to arm in the kernel.
  bool receive(std::vector<uint8_t>& buffer, int timeoutMs);
  // Waits until a message can be received, as the daemon does before each receive.
  bool waitReadable(int timeoutMs);

 private:
  mqd_t mMqd = -1;
  std::string mName;
  bool mOwner = false;
};

// A queue name of this process not used before: "/klbench.<pid>.<tag>.<n>".
std::string benchQueueName(const char* tag);
