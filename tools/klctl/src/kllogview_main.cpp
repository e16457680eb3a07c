// kllogview: receives syslog datagrams on a unix socket of its own and prints each as a line.
// scripts/run mounts that socket over /dev/log for the daemon alone, so its log shows on the terminal.
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

#include "klUniqueFd.h"
#include "kllogview_line.h"

namespace {

volatile std::sig_atomic_t g_stop = 0;

void onSignal(int) {
  g_stop = 1;
}

// Stops on SIGTERM, and on SIGINT unless the starter ignores it (a background job of a script
// must outlive the Ctrl-C that starts the shutdown, to show the last lines).
void handleStopSignals() {
  for (int signal : {SIGINT, SIGTERM}) {
    struct sigaction current {};
    sigaction(signal, nullptr, &current);
    if (current.sa_handler == SIG_IGN) continue;
    struct sigaction stop {};
    stop.sa_handler = onSignal;  // no SA_RESTART: the receive returns so the loop can end
    sigaction(signal, &stop, nullptr);
  }
}

// The bound socket; closed and its file removed on every path out.
class LogSocket {
 public:
  explicit LogSocket(const char* path) : mPath(path) {}
  ~LogSocket() {
    if (mFd.valid()) unlink(mPath.c_str());
  }
  LogSocket(const LogSocket&) = delete;
  LogSocket& operator=(const LogSocket&) = delete;

  // Binds the path, writable by every local sender; false with errno set.
  bool bind() {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (mPath.size() >= sizeof address.sun_path) {
      errno = ENAMETOOLONG;
      return false;
    }
    std::memcpy(address.sun_path, mPath.c_str(), mPath.size() + 1);
    UniqueFd fd(socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    if (!fd.valid()) return false;
    if (::bind(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) return false;
    mFd = std::move(fd);
    // Wake up now and then, so that a stop signal that comes just before a receive is seen.
    const timeval tick = {1, 0};
    return setsockopt(mFd.get(), SOL_SOCKET, SO_RCVTIMEO, &tick, sizeof tick) == 0 &&
           chmod(mPath.c_str(), 0666) == 0;
  }
  int fd() const { return mFd.get(); }

 private:
  std::string mPath;
  UniqueFd mFd;
};

// Receives one datagram and prints it as a line; false with errno set when none was received.
bool printDatagram(int fd, int flags) {
  char datagram[8192];
  const ssize_t received = recv(fd, datagram, sizeof datagram, flags);
  if (received < 0) return false;
  const std::string line = kllogviewLine(datagram, static_cast<size_t>(received));
  std::printf("%s\n", line.c_str());
  std::fflush(stdout);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: kllogview SOCKET_PATH\n");
    return 2;
  }
  handleStopSignals();
  LogSocket logSocket(argv[1]);
  if (!logSocket.bind()) {
    std::fprintf(stderr, "kllogview: cannot bind %s: %s\n", argv[1], std::strerror(errno));
    return 1;
  }
  while (!g_stop) {
    if (printDatagram(logSocket.fd(), 0) || errno == EINTR || errno == EAGAIN) continue;
    std::fprintf(stderr, "kllogview: %s\n", std::strerror(errno));
    return 1;
  }
  // Print what was still queued at the stop, then end.
  while (printDatagram(logSocket.fd(), MSG_DONTWAIT)) {
  }
  return 0;
}
