#include "klMbox.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "fake_syslog.h"
#include "klDebug.h"
#include "test_mailbox_names.h"
#include "wait_until.h"

namespace {

// The text of a trace line of the function after its "[%16s:%4d] " prefix, or "" for other lines.
std::string traceText(const std::string& line, const char* function) {
  char head[64];
  const int n = snprintf(head, sizeof head, "[%16s:", function);
  const size_t close = line.find("] ", static_cast<size_t>(n));
  if (line.compare(0, static_cast<size_t>(n), head) != 0 || close != static_cast<size_t>(n) + 4) return "";
  return line.substr(close + 2);
}

std::vector<std::string> traceTexts(const std::vector<std::string>& lines, const char* function) {
  std::vector<std::string> texts;
  for (const std::string& line : lines) texts.push_back(traceText(line, function));
  return texts;
}

class MboxTest : public testing::Test {
 protected:
  // Mailbox reports are written above verbosity 15.
  MboxTest() { g_debug_level = 0x10; }
  ~MboxTest() override {
    g_debug_level = mSavedLevel;
    g_timedreceive = 10;
  }

  FakeSyslog mSyslog;
  TestMailboxNames mNames;
  uint32_t mSavedLevel = g_debug_level;
};

TEST_F(MboxTest, FullQueueDropsTheMessageAndReportsSuccess) {
  const char* name = mNames.make("full");
  klMbox_t rx, tx;
  ASSERT_EQ(0, klMbox_rxopen(name, 2, &rx));
  ASSERT_EQ(0, klMbox_txopen(name, &tx));
  for (const char* text : {"one", "two", "three"}) EXPECT_EQ(0, klMbox_send(text, 4, &tx)) << text;
  EXPECT_EQ((std::vector<std::string>{"No Longer an ASSERT: Mailbox Full: mbox=\"" + std::string(name) +
                                      "\" >= 2 messages"}),
            traceTexts(mSyslog.texts(), "klMbox_send"));
  char buf[KLMSG_MAX];
  for (const char* text : {"one", "two"}) {
    EXPECT_EQ(4, snklMbox_receive(buf, sizeof buf, &rx));
    EXPECT_STREQ(text, buf);
  }
  struct mq_attr attr {};
  ASSERT_EQ(0, mq_getattr(rx.mqd, &attr));
  EXPECT_EQ(0, attr.mq_curmsgs);
  klMbox_close(&tx);
  klMbox_close(&rx);
}

TEST_F(MboxTest, MessagesUpTo1500BytesArriveWhole) {
  const char* name = mNames.make("max");
  klMbox_t rx, tx;
  ASSERT_EQ(0, klMbox_rxopen(name, 2, &rx));
  ASSERT_EQ(0, klMbox_txopen(name, &tx));
  std::vector<char> sent(KLMSG_MAX);
  for (size_t i = 0; i < sent.size(); ++i) sent[i] = static_cast<char>(i * 7);
  EXPECT_EQ(0, klMbox_send(sent.data(), KLMSG_MAX, &tx));
  std::vector<char> got(KLMSG_MAX);
  EXPECT_EQ(KLMSG_MAX, snklMbox_timedreceive(got.data(), KLMSG_MAX, &rx));
  EXPECT_EQ(sent, got);
  klMbox_close(&tx);
  klMbox_close(&rx);
}

void syslogToStderr(int, const char* line) {
  fputs(line, stderr);
}

TEST_F(MboxTest, OversizedSendAndFailedReceiveEndTheProcess) {
  const char* name = mNames.make("death");
  klMbox_t rx, tx;
  ASSERT_EQ(0, klMbox_rxopen(name, 2, &rx));
  ASSERT_EQ(0, klMbox_txopen(name, &tx));
  std::vector<char> big(KLMSG_MAX + 1);
  EXPECT_EXIT(
      {
        klSetSyslogSink(&syslogToStderr);
        klMbox_send(big.data(), KLMSG_MAX + 1, &tx);
      },
      testing::ExitedWithCode(255), "ASSERT:.*/klMbox_send:[0-9]+:len <= KLMSG_MAX");
  char small[16];
  EXPECT_EXIT(
      {
        klSetSyslogSink(&syslogToStderr);
        klMbox_send("x", 2, &tx);
        snklMbox_receive(small, sizeof small, &rx);  // smaller than a queue message
      },
      testing::ExitedWithCode(255),
      "ASSERT:.*:\\(len = mq_receive\\(klattr->mqd, buf, size, NULL\\)\\) >= 0");
  klMbox_close(&tx);
  klMbox_close(&rx);
}

TEST_F(MboxTest, ExclusiveOpenOfANameInUseGivesUpAfterSixAttempts) {
  const char* name = mNames.make("busy");
  klMbox_t owner, second;
  ASSERT_EQ(0, klMbox_rxopen_shared(name, 2, &owner));
  EXPECT_EQ(-1, klMbox_rxopen_shared(name, 2, &second));
  EXPECT_EQ(-1, second.mqd);
  std::vector<std::string> expected;
  for (int retry = 1; retry <= 5; ++retry) {
    expected.push_back("Warning: Shared Mbox in use (retry) =\"" + std::string(name) +
                       "\" errno=\"File exists\"  retry(" + std::to_string(retry) + ")");
  }
  expected.push_back("Error: Shared Mbox will not open =\"" + std::string(name) +
                     "\" errno=17\"File exists\"");
  EXPECT_EQ(expected, traceTexts(mSyslog.texts(), "klMbox_rxopen_shared_ext"));
  klMbox_close(&owner);
}

TEST_F(MboxTest, ExclusiveOpenSucceedsOnceTheOwnerLetsGo) {
  const char* name = mNames.make("handover");
  klMbox_t owner, second;
  ASSERT_EQ(0, klMbox_rxopen_shared(name, 2, &owner));
  std::thread release([&] {
    waitUntil([&] { return !mSyslog.texts().empty(); });
    klMbox_close(&owner);
    klMbox_unlink(name);
  });
  EXPECT_EQ(0, klMbox_rxopen_shared(name, 2, &second));
  release.join();
  EXPECT_NE(-1, second.mqd);
  klMbox_close(&second);
}

TEST_F(MboxTest, OpenForReadingRetriesFiveTimes) {
  klMbox_t rx;
  const std::string name = std::string(mNames.make("x")) + "/not/a/queue";
  EXPECT_EQ(-1, klMbox_rxopen(name.c_str(), 2, &rx));
  EXPECT_EQ(-1, rx.mqd);
  const std::vector<std::string> texts = traceTexts(mSyslog.texts(), "klMbox_rxopen_ext");
  ASSERT_EQ(6u, texts.size());
  EXPECT_EQ(-1, mq_open(name.c_str(), O_RDONLY | O_CREAT, 0664, nullptr));
  const int error = errno;
  const std::string head = "target Mbox=\"" + name + "\" errno=\"";
  for (int attempt = 0; attempt < 5; ++attempt) {
    EXPECT_EQ(head + std::to_string(error) + "\"  retry(" + std::to_string(attempt) + ")", texts[attempt]);
  }
  EXPECT_EQ(head + strerror(error) + "\"", texts[5]);
}

TEST_F(MboxTest, MissingQueuesAreReported) {
  const char* name = mNames.make("absent");
  klMbox_t tx;
  EXPECT_EQ(-1, klMbox_txopen(name, &tx));
  EXPECT_EQ(-1, tx.mqd);
  EXPECT_EQ(-1, klMbox_unlink(name));
  const std::vector<std::string> lines = mSyslog.texts();
  ASSERT_EQ(2u, lines.size());
  EXPECT_EQ("target Mbox=\"" + std::string(name) + "\" errno=\"No such file or directory\"",
            traceText(lines[0], "klMbox_txopen"));
  EXPECT_EQ("Mbox unlink fail=\"" + std::string(name) + "\" errno=\"No such file or directory\"",
            traceText(lines[1], "klMbox_unlink"));
  EXPECT_EQ(0, klMbox_create(name, 2));
  EXPECT_EQ(0, klMbox_txopen(name, &tx));
  klMbox_close(&tx);
  EXPECT_EQ(0, klMbox_unlink(name));
}

TEST_F(MboxTest, TimedReceivesGiveUpAfterTheirTimeOut) {
  klMbox_t rx;
  ASSERT_EQ(0, klMbox_rxopen(mNames.make("quiet"), 2, &rx));
  char buf[KLMSG_MAX];
  g_timedreceive = 1;
  EXPECT_EQ(-1, snklMbox_timedreceive(buf, sizeof buf, &rx));
  const struct timespec oneSecond = {1, 0};
  EXPECT_EQ(-1, kl_mq_timedreceive(rx.mqd, buf, sizeof buf, nullptr, &oneSecond));
  EXPECT_EQ(ETIMEDOUT, errno);
  const struct timespec short_wait = {0, 50 * 1000 * 1000};
  EXPECT_EQ(-1, kl_mq_timedreceive2(rx.mqd, buf, sizeof buf, nullptr, &short_wait));
  EXPECT_EQ((std::vector<std::string>{"1 seconds timeout expired", "1 seconds timeout expired"}),
            traceTexts(mSyslog.texts(), "msg_available"));
  klMbox_close(&rx);
}

TEST_F(MboxTest, TimedReceivesTakeAWaitingMessage) {
  const char* name = mNames.make("waiting");
  klMbox_t rx, tx;
  ASSERT_EQ(0, klMbox_rxopen(name, 3, &rx));
  ASSERT_EQ(0, klMbox_txopen(name, &tx));
  for (int i = 0; i < 3; ++i) klMbox_send("abc", 3, &tx);
  char buf[KLMSG_MAX];
  EXPECT_EQ(3, snklMbox_timedreceive(buf, sizeof buf, &rx));
  const struct timespec oneSecond = {1, 0};
  EXPECT_EQ(3, kl_mq_timedreceive(rx.mqd, buf, sizeof buf, nullptr, &oneSecond));
  EXPECT_EQ(3, kl_mq_timedreceive2(rx.mqd, buf, sizeof buf, nullptr, &oneSecond));
  EXPECT_TRUE(mSyslog.texts().empty());
  klMbox_close(&tx);
  klMbox_close(&rx);
}

}  // namespace
