#include "sim_control_socket.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstddef>
#include <cstring>

namespace {

// The abstract address: a leading NUL, then the name without terminator.
socklen_t abstractAddress(const std::string& name, sockaddr_un& address) {
  address = sockaddr_un{};
  address.sun_family = AF_UNIX;
  const size_t length = std::min(name.size(), sizeof address.sun_path - 1);
  std::memcpy(address.sun_path + 1, name.data(), length);
  return socklen_t(offsetof(sockaddr_un, sun_path) + 1 + length);
}

bool sendAll(int fd, const std::string& text) {
  for (size_t done = 0; done < text.size();) {
    const ssize_t sent = send(fd, text.data() + done, text.size() - done, MSG_NOSIGNAL);
    if (sent < 0 && errno == EINTR) continue;
    if (sent <= 0) return false;
    done += size_t(sent);
  }
  return true;
}

}  // namespace

UniqueFd simControlListen(const std::string& name) {
  UniqueFd fd(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
  sockaddr_un address;
  const socklen_t length = abstractAddress(name, address);
  if (!fd.valid() || bind(fd.get(), reinterpret_cast<sockaddr*>(&address), length) != 0 ||
      listen(fd.get(), 8) != 0) {
    return UniqueFd();
  }
  return fd;
}

UniqueFd simControlConnect(const std::string& name) {
  UniqueFd fd(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
  sockaddr_un address;
  const socklen_t length = abstractAddress(name, address);
  if (!fd.valid() || connect(fd.get(), reinterpret_cast<sockaddr*>(&address), length) != 0) return UniqueFd();
  return fd;
}

bool simControlSend(int fd, const std::string& command) {
  return sendAll(fd, command + "\n");
}

bool simControlReceive(int fd, std::string& reply, int timeoutMs) {
  reply.clear();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (reply.size() < SIM_CONTROL_REPLY_MAX) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    pollfd pfd = {fd, POLLIN, 0};
    if (left.count() <= 0) return false;
    const int ready = poll(&pfd, 1, int(left.count()));
    if (ready < 0 && errno == EINTR) continue;  // a signal is no reason to give up on the reply
    if (ready <= 0) return false;
    char c = 0;
    // One byte at a time: the reply ends at its newline and nothing after it is consumed.
    if (recv(fd, &c, 1, 0) != 1) return false;
    if (c == '\n') return true;
    reply += c;
  }
  return false;
}

bool simControlExchange(int fd, const std::string& command, std::string& reply, int timeoutMs) {
  return simControlSend(fd, command) && simControlReceive(fd, reply, timeoutMs);
}

bool simControlRequest(const std::string& name, const std::string& command, std::string& reply,
                       int timeoutMs) {
  UniqueFd fd = simControlConnect(name);
  return fd.valid() && simControlExchange(fd.get(), command, reply, timeoutMs);
}
