#include "bench_queue.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <ctime>

#include "klTlv.h"

BenchQueue::~BenchQueue() {
  if (mMqd == -1) return;
  mq_close(mMqd);
  if (mOwner) mq_unlink(mName.c_str());
}

bool BenchQueue::create(const std::string& name) {
  mq_attr attr{};
  attr.mq_maxmsg = 2;
  attr.mq_msgsize = KLMSG_MAX;
  mMqd = mq_open(name.c_str(), O_RDONLY | O_CREAT | O_EXCL, 0600, &attr);
  mName = name;
  mOwner = mMqd != -1;
  return isOpen();
}

bool BenchQueue::openForWriting(const std::string& name) {
  mMqd = mq_open(name.c_str(), O_WRONLY);
  mName = name;
  return isOpen();
}

bool BenchQueue::send(const std::vector<uint8_t>& bytes) {
  return mq_send(mMqd, reinterpret_cast<const char*>(bytes.data()), bytes.size(), 0) == 0;
}

bool BenchQueue::receive(std::vector<uint8_t>& buffer, int timeoutMs) {
  constexpr long kNsPerS = 1000000000, kNsPerMs = 1000000;
  timespec deadline{};
  clock_gettime(CLOCK_REALTIME, &deadline);
  const long nanoseconds = deadline.tv_nsec + timeoutMs % 1000 * kNsPerMs;
  deadline.tv_sec += timeoutMs / 1000 + nanoseconds / kNsPerS;
  deadline.tv_nsec = nanoseconds % kNsPerS;
  buffer.resize(KLMSG_MAX);
  char* into = reinterpret_cast<char*>(buffer.data());
  const ssize_t received = timeoutMs == BENCH_NO_DEADLINE
                               ? mq_receive(mMqd, into, buffer.size(), nullptr)
                               : mq_timedreceive(mMqd, into, buffer.size(), nullptr, &deadline);
  buffer.resize(received < 0 ? 0 : size_t(received));
  return received >= 0;
}

bool BenchQueue::waitReadable(int timeoutMs) {
  pollfd readable{mMqd, POLLIN, 0};
  return poll(&readable, 1, timeoutMs) == 1;
}

std::string benchQueueName(const char* tag) {
  static std::atomic<unsigned> next{0};
  return "/klbench." + std::to_string(getpid()) + "." + tag + "." + std::to_string(next++);
}
