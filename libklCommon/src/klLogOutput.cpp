#include "klLogOutput.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <syslog.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

#include "klThreadSafety.h"
#include "klUniqueFd.h"

namespace {

// Room for the longest line of either channel with its header and tag.
constexpr size_t kDatagramSize = 1600;

enum Output { kLogger, kStandardError, kStandardOutput, kConsole, kOutputs };

std::atomic<klSyslogSink> g_sink{nullptr};
std::atomic<unsigned long> g_dropped{0};
// Per output, the lines dropped that it has not been told of yet.
std::atomic<unsigned long> g_untold[kOutputs];

// The system logger's socket, kept connected between lines and connected anew when the logger
// restarts. Every thread sends through it; one send at a time.
class LoggerLink {
 public:
  // 0 when the whole datagram was sent, else the error: EAGAIN when the logger does not keep up.
  int send(const char* datagram, size_t length) KL_EXCLUDES(mMutex) {
    KlLock lock(mMutex);
    if (trySend(datagram, length)) return 0;
    if (errno == EAGAIN) return EAGAIN;
    connect();
    if (trySend(datagram, length)) return 0;
    const int error = errno;
    mFd.reset();  // keeps errno
    return error;
  }

  void setPaths(const char* socket, const char* console) KL_EXCLUDES(mMutex) {
    KlLock lock(mMutex);
    mSocketPath = socket;
    mConsolePath = console;
    mFd.reset();
  }

  std::string consolePath() KL_EXCLUDES(mMutex) {
    KlLock lock(mMutex);
    return mConsolePath;
  }

 private:
  bool trySend(const char* datagram, size_t length) KL_REQUIRES(mMutex) {
    errno = ENOTCONN;
    return mFd.valid() &&
           ::send(mFd.get(), datagram, length, MSG_DONTWAIT | MSG_NOSIGNAL) == static_cast<ssize_t>(length);
  }

  void connect() KL_REQUIRES(mMutex) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    strncpy(address.sun_path, mSocketPath.c_str(), sizeof address.sun_path - 1);
    mFd.reset(socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    if (mFd.valid() && ::connect(mFd.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
      mFd.reset();
  }

  KlMutex mMutex;
  std::string mSocketPath KL_GUARDED_BY(mMutex) = "/dev/log";
  std::string mConsolePath KL_GUARDED_BY(mMutex) = "/dev/console";
  UniqueFd mFd KL_GUARDED_BY(mMutex);
};

// Never destroyed: a thread may still log while the process exits.
LoggerLink& logger() {
  static LoggerLink* const link = new LoggerLink;
  return *link;
}

bool writeWhole(int fd, const std::string& text) {
  return write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
}

// Writes without waiting, and without changing the flags of a description other processes share: a
// pipe or terminal is opened anew as a non-blocking description of our own, a socket is sent to
// without waiting, a regular file never blocks.
bool writeNoWait(int fd, const std::string& text) {
  struct stat status;
  if (fstat(fd, &status) != 0) return false;
  if (S_ISSOCK(status.st_mode))
    return send(fd, text.data(), text.size(), MSG_DONTWAIT | MSG_NOSIGNAL) ==
           static_cast<ssize_t>(text.size());
  if (!S_ISFIFO(status.st_mode) && !S_ISCHR(status.st_mode)) return writeWhole(fd, text);
  const std::string path = "/proc/self/fd/" + std::to_string(fd);
  const UniqueFd own(open(path.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  return own.valid() && writeWhole(own.get(), text);
}

// Puts the text on the output; when the output cannot take it, counts it, and once the output takes
// a line again, follows that line with the number it missed.
template <typename Put>
void deliver(Output output, const char* text, Put put) {
  if (!put(text)) {
    g_untold[output]++;
    g_dropped++;
    return;
  }
  const unsigned long missed = g_untold[output].exchange(0);
  if (missed == 0) return;
  char note[96];
  snprintf(note, sizeof note, KL_LOG_DROPPED_NOTE, missed);
  if (!put(note)) g_untold[output] += missed;
}

// "<priority>Mmm dd hh:mm:ss tag: text", as the C library writes a syslog datagram.
std::string datagram(int priority, const char* text) {
  char head[32];
  const int prefix = snprintf(head, sizeof head, "<%d>", LOG_USER | priority);
  const time_t now = time(nullptr);
  struct tm local;
  localtime_r(&now, &local);
  strftime(head + prefix, sizeof head - static_cast<size_t>(prefix), "%h %e %T ", &local);
  std::string result = std::string(head) + program_invocation_short_name + ": " + text;
  if (result.size() > kDatagramSize) result.resize(kDatagramSize);
  return result;
}

// "tag: text" ending in a line feed, as a copy on a terminal or pipe shows a line.
std::string copyLine(const char* text) {
  std::string line = std::string(program_invocation_short_name) + ": " + text;
  if (line.back() != '\n') line += '\n';
  return line;
}

// The logger's error for the line (0 when it took it).
int toLogger(int priority, const char* line) {
  int error = 0;
  deliver(kLogger, line, [&](const char* text) {
    const std::string bytes = datagram(priority, text);
    const int result = logger().send(bytes.data(), bytes.size());
    if (text == line) error = result;  // the line's own, not its note's
    return result == 0;
  });
  return error;
}

void toConsole(const char* line) {
  deliver(kConsole, line, [](const char* text) {
    const UniqueFd console(
        open(logger().consolePath().c_str(), O_WRONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    return console.valid() && writeWhole(console.get(), copyLine(text));
  });
}

}  // namespace

void klLogSend(int priority, const char* line, unsigned copies) {
  const klSyslogSink sink = g_sink.load();
  if (sink) {
    sink(priority, line);
    return;
  }
  const int error = toLogger(priority, line);
  if (copies & KL_LOG_COPY_STDERR)
    deliver(kStandardError, line,
            [](const char* text) { return writeNoWait(STDERR_FILENO, copyLine(text)); });
  // A logger that is there but does not keep up is reachable: its lines are not the console's.
  if ((copies & KL_LOG_COPY_CONSOLE) && error != 0 && error != EAGAIN) toConsole(line);
}

void klLogPrint(const char* text) {
  deliver(kStandardOutput, text, [](const char* copy) { return writeNoWait(STDOUT_FILENO, copy); });
}

unsigned long klLogDroppedLines() {
  return g_dropped.load();
}

void klSetLogPaths(const char* socket, const char* console) {
  logger().setPaths(socket, console);
}

void klSetSyslogSink(klSyslogSink sink) {
  g_sink.store(sink);
}
