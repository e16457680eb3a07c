#include "bench_push_client.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

#include "bench_samples.h"
#include "klcontrol_command_table.h"
#include "klcontrol_notification_socket.h"

bool BenchDocumentClient::waitFor(const std::string& text, int timeoutMs) {
  const double deadline = benchNowUs() + timeoutMs * 1e3;
  std::string document;
  for (int left = timeoutMs; left > 0; left = int((deadline - benchNowUs()) / 1e3)) {
    if (!next(document, left)) return false;
    ++mDocuments;
    if (document.find(text) != std::string::npos) return true;
  }
  return false;
}

bool BenchPushClient::connectAndResume(BenchRequester& requester, int timeoutMs) {
  mFd.reset(klcontrol_connect_notifications());
  if (!mFd.valid()) return false;
  const std::vector<uint8_t> argument = klcontrol_resume_argument();
  const std::vector<uint8_t> resume = requester.request(KLCONTROL_PUSH_NOTIFICATIONS, &argument);
  const double deadline = benchNowUs() + timeoutMs * 1e3;
  std::string document;
  while (benchNowUs() < deadline) {
    klcontrol_answer_t answer;
    if (!requester.exchange(resume, answer) || answer.status != 0) return false;
    if (next(document, 1000)) return true;
  }
  return false;
}

bool BenchPushClient::next(std::string& document, int timeoutMs) {
  const double deadline = benchNowUs() + timeoutMs * 1e3;
  char buffer[4096];
  while (!mFrames.next(document)) {
    const int left = int((deadline - benchNowUs()) / 1e3);
    pollfd readable{mFd.get(), POLLIN, 0};
    if (mFrames.broken() || left <= 0 || poll(&readable, 1, left) <= 0) return false;
    const ssize_t received = recv(mFd.get(), buffer, sizeof buffer, 0);
    if (received <= 0) return false;
    mFrames.feed(buffer, size_t(received));
  }
  return true;
}

unsigned BenchPushClient::readFor(int milliseconds) {
  const double deadline = benchNowUs() + milliseconds * 1e3;
  unsigned documents = 0;
  std::string document;
  for (int left = milliseconds; left > 0; left = int((deadline - benchNowUs()) / 1e3)) {
    if (!next(document, left)) break;
    ++documents;
  }
  return documents;
}

BenchQueueClient::~BenchQueueClient() {
  if (mQueue.valid()) registration(0);
}

bool BenchQueueClient::open() {
  mQueue = benchCreateQueue(benchQueueName("notifications"));
  return mQueue.valid() && registration(1);
}

// Command 0's argument: a 32-bit enable word, then the queue's name and its NUL.
bool BenchQueueClient::registration(uint32_t enable) {
  const std::string& name = mQueue.name();
  std::vector<uint8_t> argument(sizeof enable + name.size() + 1, 0);
  std::memcpy(argument.data(), &enable, sizeof enable);
  std::memcpy(argument.data() + sizeof enable, name.data(), name.size());
  klcontrol_answer_t answer;
  return mRequester.exchange(mRequester.request(KLCONTROL_NOTIFICATION_QUEUE_REGISTER, &argument), answer) &&
         answer.status == 0;
}

bool BenchQueueClient::next(std::string& document, int timeoutMs) {
  if (!benchReceive(mQueue, mBuffer, timeoutMs)) return false;
  document.assign(mBuffer.begin(), mBuffer.end());
  return true;
}
