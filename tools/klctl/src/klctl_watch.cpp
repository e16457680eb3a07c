#include "klctl_watch.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <string>

#include "klcontrol_command_table.h"
#include "klctl_frames.h"

namespace {

using Clock = std::chrono::steady_clock;

// A connected socket, closed on every path.
class Connection {
 public:
  Connection() : mFd(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {}
  ~Connection() {
    if (mFd >= 0) close(mFd);
  }
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  bool connectLocal(uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return mFd >= 0 && connect(mFd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  }
  // True when bytes (or the end) can be read within the milliseconds.
  bool readable(int milliseconds) const {
    pollfd pfd = {mFd, POLLIN, 0};
    return poll(&pfd, 1, milliseconds) > 0;
  }
  int fd() const { return mFd; }

 private:
  int mFd;
};

// Resumes the socket clients until the connection has something to read; Ok, or why not.
KlctlResult resumeUntilReadable(const Connection& connection, double timeout) {
  static const std::string kResume = "status=1";
  const std::vector<uint8_t> argument(kResume.c_str(), kResume.c_str() + kResume.size() + 1);
  const auto deadline = Clock::now() + std::chrono::duration<double>(timeout);
  for (;;) {
    const double left = std::chrono::duration<double>(deadline - Clock::now()).count();
    KlctlResult result = klctlSendCommand(KLCONTROL_PUSH_NOTIFICATIONS, &argument, left > 0.1 ? left : 0.1);
    if (result.outcome != KlctlOutcome::Ok || connection.readable(1000)) return result;
    if (Clock::now() >= deadline) {
      result.outcome = KlctlOutcome::NoAnswer;
      result.problem = "no document within the time-out";
      return result;
    }
  }
}

// Prints documents as they come; Ok when count were printed or the daemon closed the connection.
KlctlOutcome printDocuments(const Connection& connection, unsigned count, std::ostream& out,
                            std::ostream& err) {
  KlctlFrameReader frames;
  unsigned printed = 0;
  char buffer[4096];
  for (;;) {
    const ssize_t received = recv(connection.fd(), buffer, sizeof buffer, 0);
    if (received < 0 && errno == EINTR) continue;
    if (received <= 0) return KlctlOutcome::Ok;
    frames.feed(buffer, static_cast<size_t>(received));
    for (std::string document; frames.next(document);) {
      // Line ends between JSON members carry nothing (inside strings they would be escaped).
      document.erase(std::remove(document.begin(), document.end(), '\n'), document.end());
      out << document << "\n" << std::flush;
      if (++printed == count) return KlctlOutcome::Ok;
    }
    if (frames.broken()) {
      err << "klctl: watch: " << frames.problem() << "\n";
      return KlctlOutcome::NoAnswer;
    }
  }
}

}  // namespace

KlctlOutcome klctlWatch(unsigned count, double timeout, std::ostream& out, std::ostream& err) {
  Connection connection;
  if (!connection.connectLocal(KLCTL_NOTIFY_PORT)) {
    err << "klctl: watch: cannot connect to 127.0.0.1:" << KLCTL_NOTIFY_PORT << ": " << std::strerror(errno)
        << "\n";
    return KlctlOutcome::NoDaemon;
  }
  const KlctlResult resumed = resumeUntilReadable(connection, timeout);
  if (resumed.outcome == KlctlOutcome::CommandFailed) {
    err << "klctl: watch: resuming notifications was answered with status " << resumed.answer.status << "\n";
    return resumed.outcome;
  }
  if (resumed.outcome != KlctlOutcome::Ok) {
    err << "klctl: watch: " << resumed.problem << "\n";
    return resumed.outcome;
  }
  return printDocuments(connection, count, out, err);
}
