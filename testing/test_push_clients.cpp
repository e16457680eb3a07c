#include "test_push_clients.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <vector>

#include "klTlv.h"
#include "klcontrol_daemon.h"
#include "wait_until.h"

namespace {

UniqueFd connectOnce(int receiveBuffer) {
  UniqueFd fd(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (receiveBuffer > 0) setsockopt(fd.get(), SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(KLCONTROL_NOTIFICATION_PORT);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (connect(fd.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) fd.reset();
  return fd;
}

constexpr size_t kMaxHeaderDigits = 7;

}  // namespace

PushSocket::PushSocket(int receiveBuffer) {
  waitUntil([this, receiveBuffer] { return (mFd = connectOnce(receiveBuffer)).valid(); });
}

PushSocket::~PushSocket() {
  close();
}

void PushSocket::close() {
  mFd.reset();
}

bool PushSocket::receiveSome(int timeoutMs) {
  pollfd readable{mFd.get(), POLLIN, 0};
  if (!mFd.valid() || poll(&readable, 1, timeoutMs) <= 0) return false;
  char chunk[4096];
  const ssize_t got = recv(mFd.get(), chunk, sizeof chunk, MSG_DONTWAIT);
  if (got <= 0) return false;
  mRaw.append(chunk, size_t(got));
  mPending.append(chunk, size_t(got));
  return true;
}

// One frame: the header's number counts the document's closing NUL, which is not sent.
bool PushSocket::takeFrame(std::string& document) {
  const size_t end = mPending.find("\n\n");
  if (end == std::string::npos) {
    mBroken = mPending.size() > 7 + kMaxHeaderDigits + 2;
    return false;
  }
  const std::string digits = mPending.substr(7, end - 7);
  if (mPending.compare(0, 7, "LENGTH:") != 0 || digits.empty() || digits.size() > kMaxHeaderDigits ||
      digits.find_first_not_of("0123456789") != std::string::npos || std::stoul(digits) == 0) {
    mBroken = true;
    return false;
  }
  const size_t length = std::stoul(digits) - 1;
  if (mPending.size() - end - 2 < length) return false;
  document = mPending.substr(end + 2, length);
  mPending.erase(0, end + 2 + length);
  return true;
}

bool PushSocket::next(std::string& document, int timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!takeFrame(document)) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (mBroken || left.count() <= 0 || !receiveSome(int(left.count()))) return false;
  }
  return true;
}

int PushSocket::drain() {
  while (receiveSome(0)) {
  }
  int documents = 0;
  std::string document;
  while (takeFrame(document)) ++documents;
  return mBroken ? -1 : documents;
}

bool PushSocket::closedByPeer(int timeoutMs) {
  return waitUntil(
      [this] {
        char byte;
        return recv(mFd.get(), &byte, 1, MSG_DONTWAIT) == 0;
      },
      std::chrono::milliseconds(timeoutMs));
}

int PushSocket::readToTheEnd(int idleMs) {
  for (pollfd readable{mFd.get(), POLLIN, 0}; poll(&readable, 1, idleMs) == 1;) {
    char chunk[4096];
    const ssize_t got = recv(mFd.get(), chunk, sizeof chunk, 0);
    if (got < 0) return -1;
    if (got == 0) return drain();
    mRaw.append(chunk, size_t(got));
    mPending.append(chunk, size_t(got));
  }
  return -1;
}

PushQueue::PushQueue(const std::string& name) : mName(name) {
  mq_attr attr{};
  attr.mq_maxmsg = 10;
  attr.mq_msgsize = 1500;
  mQueue = mq_open(name.c_str(), O_RDONLY | O_CREAT, 0600, &attr);
}

PushQueue::~PushQueue() {
  if (mQueue != -1) mq_close(mQueue);
  mq_unlink(mName.c_str());
}

bool PushQueue::next(std::string& document, int timeoutMs) {
  timespec deadline{};
  clock_gettime(CLOCK_REALTIME, &deadline);
  deadline.tv_sec += (timeoutMs + 999) / 1000;
  std::vector<uint8_t> bytes(1500);
  const ssize_t got =
      mq_timedreceive(mQueue, reinterpret_cast<char*>(bytes.data()), bytes.size(), nullptr, &deadline);
  if (got <= 0 || tlv_msg_check(bytes.data(), int(got)) != 0 || bytes[3] != CAT_CLIENT_EVENT) return false;
  const uint8_t* text = tlv_find(bytes.data(), TLV_RSPARG);
  if (text == nullptr || tlv_value_len(text) == 0 || tlv_value(text)[tlv_value_len(text) - 1] != '\0')
    return false;
  document.assign(reinterpret_cast<const char*>(tlv_value(text)), tlv_value_len(text) - 1u);
  return true;
}
