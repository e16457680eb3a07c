#include "klctl_watch.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <string>

#include "klUniqueFd.h"
#include "klcontrol_command_table.h"
#include "klcontrol_endpoints.h"
#include "klcontrol_notification_socket.h"
#include "klcontrol_push_frames.h"
#include "klctl_document_format.h"

namespace {

using Clock = std::chrono::steady_clock;

// The end of the watch, or none.
class Deadline {
 public:
  explicit Deadline(double seconds)
      : mEndless(seconds <= 0),
        mEnd(Clock::now() +
             std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds))) {}
  bool passed() const { return !mEndless && Clock::now() >= mEnd; }
  // Seconds to wait: at most cap, never past the deadline.
  double left(double cap) const {
    if (mEndless) return cap;
    return std::max(0.0, std::min(cap, std::chrono::duration<double>(mEnd - Clock::now()).count()));
  }

 private:
  bool mEndless;
  Clock::time_point mEnd;
};

// The connection to the notification port, closed on every path.
class Connection {
 public:
  Connection() : mFd(klcontrol_connect_notifications()) {}

  bool connected() const { return mFd.valid(); }
  // True when bytes (or the end) can be read within the seconds.
  bool readable(double seconds) const {
    pollfd pfd = {mFd.get(), POLLIN, 0};
    return poll(&pfd, 1, static_cast<int>(std::ceil(seconds * 1000))) > 0;
  }
  int fd() const { return mFd.get(); }

 private:
  UniqueFd mFd;
};

// Resumes the socket clients until the connection has something to read; Ok, or why not.
KlctlResult resumeUntilReadable(const Connection& connection, const KlctlWatchOptions& options,
                                const Deadline& deadline) {
  const std::vector<uint8_t> argument = klcontrol_resume_argument();
  for (;;) {
    // A command needs some time to be answered at all, even when the watch is nearly over.
    const double answerWait = std::max(0.1, deadline.left(options.answerTimeout));
    KlctlResult result = klctlSendCommand(KLCONTROL_PUSH_NOTIFICATIONS, &argument, answerWait);
    if (result.outcome != KlctlOutcome::Ok || connection.readable(deadline.left(1))) return result;
    if (deadline.passed()) {
      result.outcome = KlctlOutcome::NoAnswer;
      result.problem = "no document within the time-out";
      return result;
    }
  }
}

// Prints one document, formatted, or as received when it is not JSON.
void printDocument(const std::string& document, unsigned number, bool compact, std::ostream& out,
                   std::ostream& err) {
  std::string formatted;
  if (klctlFormatDocument(document, compact, formatted)) {
    out << formatted << "\n" << std::flush;
    return;
  }
  err << "klctl: watch: document " << number << " is not valid JSON; printed as received\n" << std::flush;
  out << document << "\n" << std::flush;
}

// Prints documents as they come, until the count, the deadline or the end of the connection.
KlctlOutcome printDocuments(const Connection& connection, const KlctlWatchOptions& options,
                            const Deadline& deadline, std::ostream& out, std::ostream& err) {
  KlcontrolFrameReader frames;
  unsigned printed = 0;
  char buffer[4096];
  for (;;) {
    if (deadline.passed()) break;
    if (!connection.readable(deadline.left(1))) continue;
    const ssize_t received = recv(connection.fd(), buffer, sizeof buffer, 0);
    if (received < 0 && errno == EINTR) continue;
    if (received <= 0) break;
    frames.feed(buffer, static_cast<size_t>(received));
    for (std::string document; frames.next(document);) {
      printDocument(document, ++printed, options.compact, out, err);
      if (printed == options.count) return KlctlOutcome::Ok;
    }
    if (frames.broken()) {
      err << "klctl: watch: " << frames.problem() << "\n";
      return KlctlOutcome::NoAnswer;
    }
  }
  if (printed > 0) return KlctlOutcome::Ok;
  err << "klctl: watch: "
      << (deadline.passed() ? "no document within the time-out" : "the daemon closed the connection") << "\n";
  return KlctlOutcome::NoAnswer;
}

}  // namespace

KlctlOutcome klctlWatch(const KlctlWatchOptions& options, std::ostream& out, std::ostream& err) {
  const Deadline deadline(options.timeout);
  Connection connection;
  if (!connection.connected()) {
    err << "klctl: watch: cannot connect to 127.0.0.1:" << KLCONTROL_NOTIFICATION_PORT << ": "
        << std::strerror(errno) << "\n";
    return KlctlOutcome::NoDaemon;
  }
  const KlctlResult resumed = resumeUntilReadable(connection, options, deadline);
  if (resumed.outcome == KlctlOutcome::CommandFailed) {
    err << "klctl: watch: resuming notifications was answered with status " << resumed.answer.status << "\n";
    return resumed.outcome;
  }
  if (resumed.outcome != KlctlOutcome::Ok) {
    err << "klctl: watch: " << resumed.problem << "\n";
    return resumed.outcome;
  }
  return printDocuments(connection, options, deadline, out, err);
}
