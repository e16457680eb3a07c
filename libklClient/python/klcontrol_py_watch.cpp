#include "klcontrol_py_watch.h"

#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>

#include "klTlv.h"
#include "klcontrol_client_message.h"
#include "klcontrol_command_table.h"
#include "klcontrol_endpoints.h"
#include "klcontrol_notification_socket.h"
#include "klcontrol_py_values.h"
#include "klctl_exchange.h"

namespace py = pybind11;
using Clock = std::chrono::steady_clock;

namespace {

// The longest wait for the answer to command 43, as klctl watch waits.
constexpr double kAnswerTimeout = 5;

std::chrono::steady_clock::duration seconds(double value) {
  return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(value));
}

}  // namespace

KlcontrolWatch::KlcontrolWatch(std::optional<unsigned> count, std::optional<double> timeout, bool resume)
    : mCount(count), mResume(resume), mFd(klcontrol_connect_notifications()) {
  if (timeout && !(*timeout > 0)) throw KlcontrolUsageError("the time-out must be more than 0 seconds");
  if (count && *count == 0) throw KlcontrolUsageError("the count must be at least 1");
  if (timeout) mEnd = Clock::now() + seconds(*timeout);
  if (!mFd.valid()) {
    throw KlcontrolDaemonNotRunning(
        "watch: cannot connect to 127.0.0.1:" + std::to_string(KLCONTROL_NOTIFICATION_PORT) + ": " +
        std::strerror(errno));
  }
}

bool KlcontrolWatch::passed() const {
  return mEnd && Clock::now() >= *mEnd;
}

double KlcontrolWatch::left(double cap) const {
  if (!mEnd) return cap;
  return std::max(0.0, std::min(cap, std::chrono::duration<double>(*mEnd - Clock::now()).count()));
}

bool KlcontrolWatch::readable(double wait) const {
  pollfd pfd = {mFd.get(), POLLIN, 0};
  return poll(&pfd, 1, static_cast<int>(std::ceil(wait * 1000))) > 0;
}

// The daemon registers a connection on its own thread: resume each second until something comes.
KlcontrolWatch::Step KlcontrolWatch::resumeUntilReadable() {
  const std::vector<uint8_t> argument = klcontrol_resume_argument();
  for (;;) {
    const KlctlResult result =
        klctlSendCommand(KLCONTROL_PUSH_NOTIFICATIONS, &argument, std::max(0.1, left(kAnswerTimeout)));
    if (result.outcome != KlctlOutcome::Ok) {
      mProblem =
          result.outcome == KlctlOutcome::CommandFailed
              ? "resuming notifications was answered with status " + std::to_string(result.answer.status)
              : result.problem;
      return Step::Broken;
    }
    if (readable(left(1))) return Step::Document;
    if (passed()) return Step::TimedOut;
  }
}

KlcontrolWatch::Step KlcontrolWatch::receive(std::string& document) {
  if (!mFd.valid()) return Step::Closed;
  if (mResume) {
    mResume = false;
    const Step resumed = resumeUntilReadable();
    if (resumed != Step::Document) return resumed;
  }
  char buffer[4096];
  for (;;) {
    if (mFrames.next(document)) return Step::Document;
    if (mFrames.broken()) {
      mProblem = mFrames.problem();
      return Step::Broken;
    }
    if (passed()) return Step::TimedOut;
    if (!readable(left(1))) continue;
    const ssize_t received = recv(mFd.get(), buffer, sizeof buffer, 0);
    if (received < 0 && errno == EINTR) continue;
    if (received <= 0) return Step::Closed;
    mFrames.feed(buffer, static_cast<size_t>(received));
  }
}

py::object KlcontrolWatch::next() {
  if (mCount && mDelivered == *mCount) throw py::stop_iteration();
  std::string document;
  Step step;
  {
    py::gil_scoped_release released;
    step = receive(document);
  }
  if (step == Step::Document) return klcontrolPyDocument(document, ++mDelivered);
  if (step == Step::Broken) throw KlcontrolError("watch: " + mProblem);
  if (mDelivered > 0) throw py::stop_iteration();
  throw KlcontrolNoAnswer(step == Step::TimedOut ? "watch: no document within the time-out"
                                                 : "watch: the daemon closed the connection");
}

KlcontrolQueueNotifications::KlcontrolQueueNotifications(double timeout)
    : mTimeout(timeout), mName(klctlReplyQueueName()), mQueue(klctlCreateReplyQueue(mName)) {
  if (!mQueue.valid()) throw KlcontrolError("cannot create the queue " + mName);
  registration(1);
}

// Command 0: the flag, then the queue's name and its NUL.
void KlcontrolQueueNotifications::registration(uint32_t enable) {
  const std::string& name = mName;
  std::vector<uint8_t> argument(sizeof enable + name.size() + 1, 0);
  std::memcpy(argument.data(), &enable, sizeof enable);
  std::memcpy(argument.data() + sizeof enable, name.data(), name.size());
  KlctlResult result;
  {
    py::gil_scoped_release released;
    result = klctlSendCommand(KLCONTROL_NOTIFICATION_QUEUE_REGISTER, &argument, mTimeout);
  }
  const std::string label = "KLCONTROL_NOTIFICATION_QUEUE_REGISTER (0): ";
  if (result.outcome == KlctlOutcome::NoDaemon) throw KlcontrolDaemonNotRunning(label + result.problem);
  if (result.outcome == KlctlOutcome::NoAnswer) throw KlcontrolNoAnswer(label + result.problem);
  if (result.outcome != KlctlOutcome::Ok)
    throw KlcontrolError(label + "answered with status " + std::to_string(result.answer.status));
}

py::object KlcontrolQueueNotifications::next(double wait) {
  if (!mQueue.valid()) throw KlcontrolError("the notification queue is closed");
  std::vector<uint8_t> msg(KLMSG_MAX);
  int received = 0;
  {
    py::gil_scoped_release released;
    received = klctlReceiveAnswer(mQueue, msg.data(), static_cast<int>(msg.size()), wait);
  }
  if (received < 0) return py::none();
  std::string document, problem;
  if (!klcontrol_decode_event(msg.data(), received, document, problem)) throw KlcontrolError(problem);
  return klcontrolPyDocument(document, ++mDelivered);
}

void KlcontrolQueueNotifications::close() {
  if (!mQueue.valid()) return;
  // The daemon forgets a removed queue by itself; saying so is only quicker.
  try {
    registration(0);
  } catch (const KlcontrolError&) {
  }
  mQueue.reset();
}
