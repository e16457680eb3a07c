#include "klMbox.h"

#include <fcntl.h>
#include <poll.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "klDebug.h"

int g_timedreceive = 10;

namespace {

constexpr unsigned kTraceAbove = 15;
constexpr int kRxAttempts = 5;
constexpr int kRxRetryMs = 10;
constexpr int kSharedRetries = 5;
constexpr int kSharedRetryStepMs = 100;

void sleep_ms(int ms) {
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void describe(klMbox_t* mbox, const char* name, long maxMessages, long messageSize) {
  mbox->attr = {};
  mbox->attr.mq_maxmsg = maxMessages;
  mbox->attr.mq_msgsize = messageSize;
  mbox->name = name;
}

// Opens the record's queue for reading, creating it; returns the errno of a failure, else 0.
int open_rx(klMbox_t* mbox, int extraFlags) {
  mbox->mqd = mq_open(mbox->name, O_RDONLY | O_CREAT | extraFlags, KLMBOX_MODE, &mbox->attr);
  return mbox->mqd == -1 ? errno : 0;
}

struct timespec remaining_until(std::chrono::steady_clock::time_point deadline) {
  const auto left =
      std::chrono::duration_cast<std::chrono::nanoseconds>(deadline - std::chrono::steady_clock::now());
  const long long ns = left.count() > 0 ? left.count() : 0;
  return {static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
}

// Waits until the queue holds a message; false after the time-out or on an error.
// ppoll rather than select: no ceiling on the descriptor number.
bool wait_readable(mqd_t mqd, struct timespec timeout) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeout.tv_sec) +
                        std::chrono::nanoseconds(timeout.tv_nsec);
  for (;;) {
    struct pollfd pfd = {mqd, POLLIN, 0};
    const int ready = ppoll(&pfd, 1, &timeout, nullptr);
    if (ready >= 0 || errno != EINTR) return ready > 0 && (pfd.revents & POLLIN) != 0;
    timeout = remaining_until(deadline);
  }
}

// Waits whole seconds for a message and reports a time-out.
bool msg_available(mqd_t mqd, time_t seconds) {
  if (wait_readable(mqd, {seconds, 0})) return true;
  kldbg_trace(kTraceAbove, __func__, __LINE__, "%d seconds timeout expired", static_cast<int>(seconds));
  return false;
}

}  // namespace

void klMbox_init(const char* name, long maxMessages, klMbox_t* mbox) {
  describe(mbox, name, maxMessages, KLMSG_MAX);
}

int klMbox_rxopen_ext(const char* name, long maxMessages, long messageSize, klMbox_t* mbox) {
  describe(mbox, name, maxMessages, messageSize);
  int error = 0;
  for (int attempt = 0; attempt < kRxAttempts; ++attempt) {
    error = open_rx(mbox, 0);
    if (error == 0) return 0;
    kldbg_trace(kTraceAbove, __func__, __LINE__, "target Mbox=\"%s\" errno=\"%d\"  retry(%d)", name, error,
                attempt);
    sleep_ms(kRxRetryMs);
  }
  kldbg_trace(kTraceAbove, __func__, __LINE__, "target Mbox=\"%s\" errno=\"%s\"", name, strerror(error));
  return -1;
}

int klMbox_rxopen(const char* name, long maxMessages, klMbox_t* mbox) {
  return klMbox_rxopen_ext(name, maxMessages, KLMSG_MAX, mbox);
}

int klMbox_rxopen_shared_ext(const char* name, long maxMessages, long messageSize, klMbox_t* mbox) {
  describe(mbox, name, maxMessages, messageSize);
  int error = open_rx(mbox, O_EXCL);
  // The owner usually lets go of the name soon: wait a little longer after each refusal.
  for (int retry = 1; error != 0 && retry <= kSharedRetries; ++retry) {
    kldbg_trace(kTraceAbove, __func__, __LINE__,
                "Warning: Shared Mbox in use (retry) =\"%s\" errno=\"%s\"  retry(%d)", name, strerror(error),
                retry);
    sleep_ms(kSharedRetryStepMs * retry);
    error = open_rx(mbox, O_EXCL);
  }
  if (error == 0) return 0;
  kldbg_trace(kTraceAbove, __func__, __LINE__, "Error: Shared Mbox will not open =\"%s\" errno=%d\"%s\"",
              name, error, strerror(error));
  return -1;
}

int klMbox_rxopen_shared(const char* name, long maxMessages, klMbox_t* mbox) {
  return klMbox_rxopen_shared_ext(name, maxMessages, KLMSG_MAX, mbox);
}

int klMbox_txopen(const char* name, klMbox_t* mbox) {
  klMbox_init(name, KLMBOX_TX_MAXMSG, mbox);
  mbox->mqd = mq_open(name, O_WRONLY);
  if (mbox->mqd != -1) return 0;
  const int error = errno;
  kldbg_trace(kTraceAbove, __func__, __LINE__, "target Mbox=\"%s\" errno=\"%s\"", name, strerror(error));
  return -1;
}

int klMbox_close(klMbox_t* mbox) {
  const int result = mq_close(mbox->mqd);
  mbox->mqd = -1;
  return result;
}

int klMbox_unlink(const char* name) {
  if (mq_unlink(name) == 0) return 0;
  const int error = errno;
  kldbg_trace(kTraceAbove, __func__, __LINE__, "Mbox unlink fail=\"%s\" errno=\"%s\"", name, strerror(error));
  return -1;
}

int klMbox_create_ext(const char* name, long maxMessages, long messageSize) {
  klMbox_t mbox;
  if (klMbox_rxopen_ext(name, maxMessages, messageSize, &mbox) == 0) klMbox_close(&mbox);
  return 0;
}

int klMbox_create(const char* name, long maxMessages) {
  return klMbox_create_ext(name, maxMessages, KLMSG_MAX);
}

int klMbox_send(const void* msg, int length, klMbox_t* mbox) {
  KL_ASSERT_TEXT(length <= KLMSG_MAX, "len <= KLMSG_MAX");
  if (mq_getattr(mbox->mqd, &mbox->attr) != 0) return -1;
  // A full queue must not block the sender: the message is dropped instead.
  if (mbox->attr.mq_curmsgs < mbox->attr.mq_maxmsg)
    return mq_send(mbox->mqd, static_cast<const char*>(msg), static_cast<size_t>(length), 0);
  kldbg_trace(kTraceAbove, __func__, __LINE__,
              "No Longer an ASSERT: Mailbox Full: mbox=\"%s\" >= %ld messages", mbox->name,
              mbox->attr.mq_maxmsg);
  return 0;
}

int snklMbox_receive(void* buf, int size, klMbox_t* mbox) {
  const size_t room = size > 0 ? static_cast<size_t>(size) : 0;
  const ssize_t len = mq_receive(mbox->mqd, static_cast<char*>(buf), room, nullptr);
  KL_ASSERT_TEXT(len >= 0, "(len = mq_receive(klattr->mqd, buf, size, NULL)) >= 0");
  return static_cast<int>(len);
}

int snklMbox_timedreceive(void* buf, int size, klMbox_t* mbox) {
  if (!msg_available(mbox->mqd, g_timedreceive)) return -1;
  return snklMbox_receive(buf, size, mbox);
}

ssize_t kl_mq_timedreceive(mqd_t mqd, char* buf, size_t size, unsigned* /*priority*/,
                           const struct timespec* timeout) {
  if (!msg_available(mqd, timeout->tv_sec)) {
    errno = ETIMEDOUT;
    return -1;
  }
  return mq_receive(mqd, buf, size, nullptr);
}

ssize_t kl_mq_timedreceive2(mqd_t mqd, char* buf, size_t size, unsigned* /*priority*/,
                            const struct timespec* timeout) {
  const long micros = timeout->tv_nsec / 1000;
  if (!wait_readable(mqd, {timeout->tv_sec, micros * 1000})) {
    errno = ETIMEDOUT;
    return -1;
  }
  return mq_receive(mqd, buf, size, nullptr);
}
