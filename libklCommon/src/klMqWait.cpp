#include "klMqWait.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <ctime>

namespace {

// The timed calls with a deadline long past never wait, on a blocking descriptor too, and no step
// of the wall clock can move the epoch into the future.
const timespec kLongPast = {0, 0};

bool isBusy(int error) {
  return error == EAGAIN || error == ETIMEDOUT || error == EINTR;
}

// Waits for events on the queue until end; false (errno set for the caller) once end has passed.
bool waitFor(mqd_t mqd, short events, long long end, int timeoutMs) {
  const long long left = end - kl_monotonic_ms();
  if (left <= 0) {
    errno = timeoutMs > 0 ? ETIMEDOUT : EAGAIN;
    return false;
  }
  pollfd pfd = {mqd, events, 0};
  // A signal or a readiness another party takes first: the next try finds out.
  poll(&pfd, 1, int(left));
  return true;
}

}  // namespace

long long kl_monotonic_ms() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return now.tv_sec * 1000LL + now.tv_nsec / 1000000;
}

int kl_mq_send_within(mqd_t mqd, const void* msg, size_t length, unsigned priority, int timeoutMs) {
  const long long end = kl_monotonic_ms() + timeoutMs;
  while (mq_timedsend(mqd, static_cast<const char*>(msg), length, priority, &kLongPast) != 0) {
    if (!isBusy(errno) || !waitFor(mqd, POLLOUT, end, timeoutMs)) return -1;
  }
  return 0;
}

ssize_t kl_mq_receive_within(mqd_t mqd, void* buf, size_t size, int timeoutMs) {
  const long long end = kl_monotonic_ms() + timeoutMs;
  for (long long left = timeoutMs;; left = std::max(end - kl_monotonic_ms(), 0LL)) {
    pollfd pfd = {mqd, POLLIN, 0};
    // A message is seldom there yet: wait for one first, then take it without waiting.
    if (poll(&pfd, 1, int(left)) > 0) {
      const ssize_t length = mq_timedreceive(mqd, static_cast<char*>(buf), size, nullptr, &kLongPast);
      if (length >= 0 || !isBusy(errno)) return length;
    } else if (left == 0) {
      errno = timeoutMs > 0 ? ETIMEDOUT : EAGAIN;
      return -1;
    }
  }
}
