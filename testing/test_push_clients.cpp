#include "test_push_clients.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <vector>

#include "klTlv.h"
#include "klcontrol_command_table.h"
#include "klcontrol_notification_socket.h"
#include "test_command_bytes.h"
#include "wait_until.h"

PushSocket::PushSocket(int receiveBuffer) {
  waitUntil([this, receiveBuffer] {
    mFd.reset(klcontrol_connect_notifications(receiveBuffer));
    return mFd.valid();
  });
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
  keep(chunk, size_t(got));
  return true;
}

void PushSocket::keep(const char* bytes, size_t length) {
  mRaw.append(bytes, length);
  mFrames.feed(bytes, length);
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

int PushSocket::drain() {
  while (receiveSome(0)) {
  }
  int documents = 0;
  std::string document;
  while (mFrames.next(document)) ++documents;
  return mFrames.broken() ? -1 : documents;
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
    keep(chunk, size_t(got));
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

bool isFullDocument(const std::string& document) {
  return document.rfind("{\"status\":{\"", 0) == 0 &&
         document.find("},\n\"settings\":{\"") != std::string::npos && document.size() > 2 &&
         document.compare(document.size() - 2, 2, "}}") == 0;
}

int32_t switchPushing(const TestRequester& requester, const std::string& text) {
  const std::vector<uint8_t> arg = textArg(text);
  return requester.call(KLCONTROL_PUSH_NOTIFICATIONS, &arg);
}
