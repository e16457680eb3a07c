#include "klMqWait.h"

#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

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

// Does nothing: the delivery of the signal is what ends the waiting receive.
void ringOnly(int) {}

// The signal of the receive alarms; its handler does nothing and leaves out SA_RESTART, so that
// its delivery ends a blocking receive with EINTR.
int alarmSignal() {
  static const int number = [] {
    struct sigaction action {};
    action.sa_handler = ringOnly;
    sigemptyset(&action.sa_mask);
    sigaction(SIGRTMIN, &action, nullptr);
    return SIGRTMIN;
  }();
  return number;
}

// A timer on the monotonic clock that signals the thread that made it. A receive that blocks in
// the kernel has a message handed to it as it is sent, one call where a poll first costs two; the
// alarm bounds that wait instead of a wall-clock deadline.
class ReceiveAlarm {
 public:
  ReceiveAlarm() {
    sigevent event{};
    event.sigev_notify = SIGEV_THREAD_ID;
    event.sigev_signo = alarmSignal();
    event._sigev_un._tid = gettid();
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, event.sigev_signo);
    mReady = pthread_sigmask(SIG_UNBLOCK, &set, nullptr) == 0 &&
             timer_create(CLOCK_MONOTONIC, &event, &mTimer) == 0;
  }
  ~ReceiveAlarm() {
    if (mReady) timer_delete(mTimer);
  }
  ReceiveAlarm(const ReceiveAlarm&) = delete;
  ReceiveAlarm& operator=(const ReceiveAlarm&) = delete;

  // Rings after ms, then again every kRepeatMs: a ring that falls just before the receive starts
  // to wait is followed by one that finds it waiting.
  bool set(long long ms) {
    constexpr long kRepeatMs = 5;
    const itimerspec rings = {{0, kRepeatMs * 1000000}, {time_t(ms / 1000), long(ms % 1000) * 1000000}};
    return mReady && timer_settime(mTimer, 0, &rings, nullptr) == 0;
  }
  void clear() {
    const itimerspec never{};
    timer_settime(mTimer, 0, &never, nullptr);
  }

 private:
  timer_t mTimer{};
  bool mReady = false;
};

// One wait in a blocking receive, bounded by the thread's alarm. -1 with EAGAIN when the
// descriptor does not block or the alarm cannot be set: the caller polls instead.
ssize_t receiveUntilRung(mqd_t mqd, void* buf, size_t size, long long left) {
  thread_local ReceiveAlarm alarm;
  if (!alarm.set(left)) {
    errno = EAGAIN;
    return -1;
  }
  const ssize_t length = mq_receive(mqd, static_cast<char*>(buf), size, nullptr);
  const int error = errno;
  alarm.clear();
  errno = error;
  return length;
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
  bool blocks = timeoutMs > 0;
  for (long long left = timeoutMs;; left = end - kl_monotonic_ms()) {
    if (left <= 0) break;
    const ssize_t length = blocks ? receiveUntilRung(mqd, buf, size, left)
                                  : mq_timedreceive(mqd, static_cast<char*>(buf), size, nullptr, &kLongPast);
    if (length >= 0 || !isBusy(errno)) return length;
    // A descriptor that does not block: wait for a message by poll, then take it.
    if (errno == EAGAIN) {
      blocks = false;
      if (!waitFor(mqd, POLLIN, end, timeoutMs)) return -1;
    }
  }
  const ssize_t length = mq_timedreceive(mqd, static_cast<char*>(buf), size, nullptr, &kLongPast);
  if (length < 0 && isBusy(errno)) errno = timeoutMs > 0 ? ETIMEDOUT : EAGAIN;
  return length;
}
