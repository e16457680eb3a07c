#include "klMbox.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "test_debug_fixture.h"
#include "wait_until.h"

namespace {

// The text of each of the function's trace lines after its "[%16s:%4d] " prefix; "" for other lines.
std::vector<std::string> traceTexts(const std::vector<std::string>& lines, const char* function) {
  char head[64];
  const size_t n = static_cast<size_t>(snprintf(head, sizeof head, "[%16s:", function));
  std::vector<std::string> texts;
  for (const std::string& line : lines) {
    const bool traced = line.compare(0, n, head) == 0 && line.find("] ", n) == n + 4;
    texts.push_back(traced ? line.substr(n + 6) : "");
  }
  return texts;
}

// Five retry lines, head + retry number + ")" counting from first, then the closing line.
std::vector<std::string> retries(const std::string& head, int first, const std::string& last) {
  std::vector<std::string> lines;
  for (int retry = first; retry < first + 5; ++retry) lines.push_back(head + std::to_string(retry) + ")");
  lines.push_back(last);
  return lines;
}

using MboxTest = MailboxTest;

// A full queue drops the message and reports success. Both timed receives take a waiting message at
// once and give up after their time-out on an empty queue; the one that waits whole seconds reports it
// (the mailbox's own timed receive is the message exchange's).
TEST_F(MboxTest, FullQueueDropsTimedReceivesGiveUpAnd1500BytesArriveWhole) {
  const char* name = mNames.make("full");
  ASSERT_EQ(0, klMbox_rxopen(name, 2, &mRx));
  ASSERT_EQ(0, klMbox_txopen(name, &mTx));
  for (const char* text : {"one", "two", "three"}) EXPECT_EQ(0, klMbox_send(text, 4, &mTx)) << text;
  EXPECT_EQ((std::vector<std::string>{"No Longer an ASSERT: Mailbox Full: mbox=\"" + std::string(name) +
                                      "\" >= 2 messages"}),
            traceTexts(mSyslog.texts(), "klMbox_send"));
  char buf[KLMSG_MAX];
  const struct timespec oneSecond = {1, 0};
  EXPECT_EQ(4, snklMbox_receive(buf, sizeof buf, &mRx));
  EXPECT_STREQ("one", buf);
  EXPECT_EQ(4, kl_mq_timedreceive(mRx.mqd, buf, sizeof buf, nullptr, &oneSecond));
  EXPECT_STREQ("two", buf);
  klMbox_send("abc", 3, &mTx);
  EXPECT_EQ(3, kl_mq_timedreceive2(mRx.mqd, buf, sizeof buf, nullptr, &oneSecond));
  EXPECT_TRUE(mSyslog.texts().empty());
  EXPECT_EQ(-1, kl_mq_timedreceive(mRx.mqd, buf, sizeof buf, nullptr, &oneSecond));
  EXPECT_EQ(ETIMEDOUT, errno);
  const struct timespec shortWait = {0, 50 * 1000 * 1000};
  EXPECT_EQ(-1, kl_mq_timedreceive2(mRx.mqd, buf, sizeof buf, nullptr, &shortWait));
  EXPECT_EQ(std::vector<std::string>{"1 seconds timeout expired"},
            traceTexts(mSyslog.texts(), "msg_available"));
  // Messages up to 1500 bytes arrive whole; larger ones end the process.
  Bytes sent(KLMSG_MAX);
  for (size_t i = 0; i < sent.size(); ++i) sent[i] = static_cast<uint8_t>(i * 7);
  EXPECT_EQ(0, klMbox_send(sent.data(), KLMSG_MAX, &mTx));
  EXPECT_EQ(sent, receive(&mRx));
  sent.push_back('x');
  expectAssertExit([&] { klMbox_send(sent.data(), KLMSG_MAX + 1, &mTx); },
                   "ASSERT:.*/klMbox_send:[0-9]+:len <= KLMSG_MAX");
  char small[16];
  expectAssertExit(
      [&] {
        klMbox_send("x", 2, &mTx);
        snklMbox_receive(small, sizeof small, &mRx);  // smaller than a queue message
      },
      "ASSERT:.*:\\(len = mq_receive\\(klattr->mqd, buf, size, NULL\\)\\) >= 0");
}

// The second open gives up after six attempts, unless the owner lets go meanwhile.
TEST_F(MboxTest, ExclusiveOpenOfANameInUseWaitsForItsOwner) {
  const char* name = mNames.make("busy");
  klMbox_t owner, second;
  ASSERT_EQ(0, klMbox_rxopen_shared(name, 2, &owner));
  EXPECT_EQ(-1, klMbox_rxopen_shared(name, 2, &second));
  EXPECT_EQ(-1, second.mqd);
  const std::string quoted = "=\"" + std::string(name) + "\" errno=";
  EXPECT_EQ(retries("Warning: Shared Mbox in use (retry) " + quoted + "\"File exists\"  retry(", 1,
                    "Error: Shared Mbox will not open " + quoted + "17\"File exists\""),
            traceTexts(mSyslog.texts(), "klMbox_rxopen_shared_ext"));
  std::thread release([&] {
    waitUntil([&] { return !mSyslog.texts().empty(); });
    klMbox_close(&owner);
    klMbox_unlink(name);
  });
  EXPECT_EQ(0, klMbox_rxopen_shared(name, 2, &mRx));
  release.join();
  EXPECT_NE(-1, mRx.mqd);
}

// Opening for reading retries five times; a missing queue is reported by name.
TEST_F(MboxTest, FailedOpensAreReported) {
  const std::string absent = mNames.make("absent");
  const std::string missing = "\"" + absent + "\" errno=\"No such file or directory\"";
  EXPECT_EQ(-1, klMbox_txopen(absent.c_str(), &mTx));
  EXPECT_EQ(-1, mTx.mqd);
  EXPECT_EQ(std::vector<std::string>{"target Mbox=" + missing}, traceTexts(mSyslog.texts(), "klMbox_txopen"));
  EXPECT_EQ(-1, klMbox_unlink(absent.c_str()));
  EXPECT_EQ(std::vector<std::string>{"Mbox unlink fail=" + missing},
            traceTexts(mSyslog.texts(), "klMbox_unlink"));
  EXPECT_EQ(0, klMbox_create(absent.c_str(), 2));
  EXPECT_EQ(0, klMbox_txopen(absent.c_str(), &mTx));
  EXPECT_EQ(0, klMbox_unlink(absent.c_str()));
  const std::string name = std::string(mNames.make("x")) + "/not/a/queue";
  EXPECT_EQ(-1, klMbox_rxopen(name.c_str(), 2, &mRx));
  EXPECT_EQ(-1, mRx.mqd);
  EXPECT_EQ(-1, mq_open(name.c_str(), O_RDONLY | O_CREAT, 0664, nullptr));
  const int error = errno;
  const std::string head = "target Mbox=\"" + name + "\" errno=\"";
  EXPECT_EQ(retries(head + std::to_string(error) + "\"  retry(", 0, head + strerror(error) + "\""),
            traceTexts(mSyslog.texts(), "klMbox_rxopen_ext"));
}

}  // namespace
