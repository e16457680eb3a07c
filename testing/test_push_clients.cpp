#include "test_push_clients.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <vector>

#include "klTlv.h"
#include "klcontrol_command_table.h"
#include "klcontrol_endpoints.h"
#include "klcontrol_notification_socket.h"
#include "test_command_bytes.h"
#include "wait_until.h"

UniqueFd holdNotificationPort() {
  UniqueFd holder(socket(AF_INET, SOCK_STREAM, 0));
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(KLCONTROL_NOTIFICATION_PORT);
  if (bind(holder.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(holder.get(), 1) != 0)
    return UniqueFd();
  return holder;
}

PushSocket::PushSocket(int receiveBuffer) {
  waitUntil([this, receiveBuffer] {
    mFd.reset(klcontrol_connect_notifications(receiveBuffer));
    return mFd.valid();
  });
}

void PushSocket::close() {
  mFd.reset();
}

void PushSocket::vanish() {
  const int repair = 1;  // a socket in repair mode is closed without sending anything
  setsockopt(mFd.get(), IPPROTO_TCP, TCP_REPAIR, &repair, sizeof repair);
  mFd.reset();
}

bool PushSocket::receiveSome(int timeoutMs) {
  pollfd readable{mFd.get(), POLLIN, 0};
  if (!mFd.valid() || poll(&readable, 1, timeoutMs) <= 0) return false;
  char chunk[4096];
  const ssize_t got = recv(mFd.get(), chunk, sizeof chunk, MSG_DONTWAIT);
  mReset = mReset || (got < 0 && errno == ECONNRESET);
  if (got <= 0) return false;
  mFrames.feed(chunk, size_t(got));
  return true;
}

bool PushSocket::next(std::string& document, int timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!mFrames.next(document)) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (mFrames.broken() || left.count() <= 0 || !receiveSome(int(left.count()))) return false;
  }
  return true;
}

bool PushSocket::closedByPeer(int timeoutMs) {
  return waitUntil(
      [this] {
        char byte;
        return recv(mFd.get(), &byte, 1, MSG_DONTWAIT) == 0;
      },
      std::chrono::milliseconds(timeoutMs));
}

int PushSocket::drain() {
  while (receiveSome(0)) {
  }
  int documents = 0;
  for (std::string document; mFrames.next(document);) ++documents;
  return mFrames.broken() ? -1 : documents;
}

int PushSocket::readToTheEnd(int idleMs) {
  while (receiveSome(idleMs)) {
  }
  if (!mReset && !closedByPeer(0)) return -1;
  const int documents = drain();
  return mReset || mFrames.pendingBytes() == 0 ? documents : -1;
}

bool isFullDocument(const std::string& document) {
  return document.rfind("{\"status\":{\"", 0) == 0 &&
         document.find("},\n\"settings\":{\"") != std::string::npos && document.size() > 2 &&
         document.compare(document.size() - 2, 2, "}}") == 0;
}

int32_t switchPushing(const TestRequester& requester, const std::string& text) {
  const std::vector<uint8_t> arg = textArg(text);
  return requester.call(KLCONTROL_PUSH_NOTIFICATIONS, &arg);
}
