#include "bench_queue.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <ctime>

#include "klTlv.h"

UniqueQueue benchCreateQueue(const std::string& name) {
  mq_attr attr{};
  attr.mq_maxmsg = 2;
  attr.mq_msgsize = KLMSG_MAX;
  return UniqueQueue::create(name, O_RDONLY | O_EXCL, 0600, attr);
}

UniqueQueue benchOpenForWriting(const std::string& name) {
  return UniqueQueue::open(name.c_str(), O_WRONLY);
}

bool benchSend(const UniqueQueue& queue, const std::vector<uint8_t>& bytes) {
  return mq_send(queue.get(), reinterpret_cast<const char*>(bytes.data()), bytes.size(), 0) == 0;
}

bool benchReceive(const UniqueQueue& queue, std::vector<uint8_t>& buffer, int timeoutMs) {
  constexpr long kNsPerS = 1000000000, kNsPerMs = 1000000;
  timespec deadline{};
  clock_gettime(CLOCK_REALTIME, &deadline);
  const long nanoseconds = deadline.tv_nsec + timeoutMs % 1000 * kNsPerMs;
  deadline.tv_sec += timeoutMs / 1000 + nanoseconds / kNsPerS;
  deadline.tv_nsec = nanoseconds % kNsPerS;
  buffer.resize(KLMSG_MAX);
  char* into = reinterpret_cast<char*>(buffer.data());
  const ssize_t received = timeoutMs == BENCH_NO_DEADLINE
                               ? mq_receive(queue.get(), into, buffer.size(), nullptr)
                               : mq_timedreceive(queue.get(), into, buffer.size(), nullptr, &deadline);
  buffer.resize(received < 0 ? 0 : size_t(received));
  return received >= 0;
}

bool benchWaitReadable(const UniqueQueue& queue, int timeoutMs) {
  pollfd readable{queue.get(), POLLIN, 0};
  return poll(&readable, 1, timeoutMs) == 1;
}

std::string benchQueueName(const char* tag) {
  static std::atomic<unsigned> next{0};
  return "/klbench." + std::to_string(getpid()) + "." + tag + "." + std::to_string(next++);
}
