// A fake daemon queue, and the fixture of the tests that use one.
#pragma once
#include <fcntl.h>
#include <gtest/gtest.h>
#include <mqueue.h>

#include <ctime>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "klDebug.h"
#include "klTlv.h"
#include "kl_test_namespace.h"
#include "klcontrol_client_message.h"

using Bytes = std::vector<uint8_t>;

inline std::string valueText(const Bytes& msg, uint8_t type) {
  const uint8_t* tlv = tlv_find(msg.data(), type);
  return tlv == nullptr ? "" : std::string(reinterpret_cast<const char*>(tlv_value(tlv)), tlv_value_len(tlv));
}

inline Bytes clientAnswer(int32_t status, const Bytes& payload) {
  Bytes msg(KLMSG_MAX);
  sntlv_msg_init(msg.data(), KLMSG_MAX, CAT_CLIENT_RSP);
  sntlv_add_dat(msg.data(), KLMSG_MAX, TLV_RSPCODE, 4, static_cast<uint32_t>(status));
  if (!payload.empty()) sntlv_add_bin(msg.data(), KLMSG_MAX, TLV_RSPARG, payload.size(), payload.data());
  sntlv_add_dat(msg.data(), KLMSG_MAX, TLV_END, 0, 0);
  msg.resize(static_cast<size_t>(sntlv_msg_len(msg.data())));
  return msg;
}

// The daemon's in-place answer to "JS"/"JR": category + 1, addresses swapped, TLV_RSPARG 0 added.
inline Bytes inPlaceAnswer(Bytes msg) {
  msg.resize(KLMSG_MAX);
  msg[3] = static_cast<uint8_t>(msg[3] + 1);
  uint8_t* src = tlv_find(msg.data(), TLV_SRC);
  uint8_t* dst = tlv_find(msg.data(), TLV_DST);
  src[3] = TLV_DST;
  dst[3] = TLV_SRC;
  sntlv_remove(msg.data(), KLMSG_MAX, TLV_END);
  sntlv_add_dat(msg.data(), KLMSG_MAX, TLV_RSPARG, 1, 0);
  sntlv_add_dat(msg.data(), KLMSG_MAX, TLV_END, 0, 0);
  msg.resize(static_cast<size_t>(sntlv_msg_len(msg.data())));
  return msg;
}

// Stands in for the daemon: owns /to_klCtlD and answers requests on a thread, as the answer
// function says (an empty answer: none is sent).
class FakeDaemon {
 public:
  using AnswerFor = std::function<Bytes(const Bytes& request)>;

  explicit FakeDaemon(long maxMessages = 5) {
    mq_attr attr{};
    attr.mq_maxmsg = maxMessages;
    attr.mq_msgsize = KLMSG_MAX;
    mQueue = mq_open(KLCONTROL_DAEMON_QUEUE, O_RDONLY | O_CREAT | O_EXCL, 0600, &attr);
  }
  ~FakeDaemon() {
    if (mThread.joinable()) mThread.join();
    mq_close(mQueue);
    mq_unlink(KLCONTROL_DAEMON_QUEUE);
  }
  bool ok() const { return mQueue != -1; }

  void serve(int count, AnswerFor answerFor) {
    mThread = std::thread([this, count, answerFor] {
      for (int i = 0; i < count; ++i) {
        const Bytes request = receive();
        if (request.empty()) return;
        mRequests.push_back(request);
        reply(valueText(request, TLV_SRC), answerFor(request));
      }
    });
  }
  // The requests served, once the thread is done.
  const std::vector<Bytes>& requests() {
    if (mThread.joinable()) mThread.join();
    return mRequests;
  }

 private:
  // Waits at most 10 s, so that a test fails rather than hangs when nothing comes.
  Bytes receive() {
    Bytes msg(KLMSG_MAX);
    timespec deadline{};
    clock_gettime(CLOCK_REALTIME, &deadline);
    deadline.tv_sec += 10;
    const ssize_t n =
        mq_timedreceive(mQueue, reinterpret_cast<char*>(msg.data()), msg.size(), nullptr, &deadline);
    msg.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return msg;
  }
  static void reply(const std::string& queue, const Bytes& answer) {
    if (answer.empty()) return;
    const mqd_t out = mq_open(queue.c_str(), O_WRONLY);
    ASSERT_NE(-1, out) << queue;
    EXPECT_EQ(0, mq_send(out, reinterpret_cast<const char*>(answer.data()), answer.size(), 0));
    mq_close(out);
  }

  mqd_t mQueue;
  std::thread mThread;
  std::vector<Bytes> mRequests;
};

// Tests against a FakeDaemon: private IPC and network namespaces, and the library's reports of missing
// and full queues (expected here) kept off the output.
class FakeDaemonTest : public testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(klEnterPrivateNamespaces()); }
  FakeDaemonTest() { g_debug_level &= ~0xFFu; }
  ~FakeDaemonTest() override { g_debug_level = mSavedLevel; }

 private:
  uint32_t mSavedLevel = g_debug_level;
};
