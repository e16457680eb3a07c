// The benchmark's queue operations, on queues owned by UniqueQueue (closed, and removed when this side
// created them, on every path).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "klUniqueQueue.h"

// How long a child serving a queue waits for a request before it gives up.
constexpr int BENCH_SERVER_IDLE_MS = 3600 * 1000;
constexpr int BENCH_NO_DEADLINE = -1;

// Creates the queue exclusively for reading: room for two 1500-byte messages, as a requester's.
UniqueQueue benchCreateQueue(const std::string& name);
// Opens an existing queue for writing.
UniqueQueue benchOpenForWriting(const std::string& name);
// Sends the bytes (blocking while the queue is full); false on failure.
bool benchSend(const UniqueQueue& queue, const std::vector<uint8_t>& bytes);
// Receives one message into buffer (resized to what came); false after timeoutMs or on failure.
// BENCH_NO_DEADLINE waits without one: no timer to arm in the kernel.
bool benchReceive(const UniqueQueue& queue, std::vector<uint8_t>& buffer, int timeoutMs);
// Waits until a message can be received, as the daemon does before each receive.
bool benchWaitReadable(const UniqueQueue& queue, int timeoutMs);

// A queue name of this process not used before: "/klbench.<pid>.<tag>.<n>".
std::string benchQueueName(const char* tag);
