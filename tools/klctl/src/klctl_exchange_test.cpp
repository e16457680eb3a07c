// klctl's exchanges and watch against a fake daemon queue and notification socket, in private IPC and
// network namespaces, and how it formats a pushed document.
#include "klctl_exchange.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <mqueue.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <sstream>
#include <thread>

#include "klDebug.h"
#include "klMbox.h"
#include "klTlv.h"
#include "klUniqueFd.h"
#include "klUniqueQueue.h"
#include "kl_test_namespace.h"
#include "klcontrol_client_message.h"
#include "klcontrol_endpoints.h"
#include "klctl_document_format.h"
#include "klctl_run.h"
#include "klctl_watch.h"

namespace {

using Bytes = std::vector<uint8_t>;

std::string valueText(const Bytes& msg, uint8_t type) {
  const uint8_t* tlv = tlv_find(msg.data(), type);
  return tlv == nullptr ? "" : std::string(reinterpret_cast<const char*>(tlv_value(tlv)), tlv_value_len(tlv));
}

// A client answer: the status, and the payload when there is one.
Bytes answer(int32_t status, const Bytes& payload) {
  Bytes msg(KLMSG_MAX);
  sntlv_msg_init(msg.data(), KLMSG_MAX, CAT_CLIENT_RSP);
  sntlv_add_dat(msg.data(), KLMSG_MAX, TLV_RSPCODE, 4, static_cast<uint32_t>(status));
  if (!payload.empty()) sntlv_add_bin(msg.data(), KLMSG_MAX, TLV_RSPARG, payload.size(), payload.data());
  sntlv_add_dat(msg.data(), KLMSG_MAX, TLV_END, 0, 0);
  msg.resize(static_cast<size_t>(sntlv_msg_len(msg.data())));
  return msg;
}

// The daemon's in-place answer to "JS"/"JR": category + 1, addresses swapped, TLV_RSPARG 0 added.
Bytes inPlaceAnswer(Bytes msg) {
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
    mQueue = UniqueQueue::create(KLCONTROL_DAEMON_QUEUE, O_RDONLY | O_EXCL, 0600, attr);
    EXPECT_TRUE(mQueue.valid());
  }
  ~FakeDaemon() {
    if (mThread.joinable()) mThread.join();
  }

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
    const timespec wait{10, 0};
    const ssize_t n =
        kl_mq_timedreceive2(mQueue.get(), reinterpret_cast<char*>(msg.data()), msg.size(), nullptr, &wait);
    msg.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return msg;
  }
  static void reply(const std::string& queue, const Bytes& answer) {
    if (answer.empty()) return;
    const UniqueQueue out = UniqueQueue::open(queue.c_str(), O_WRONLY);
    ASSERT_TRUE(out.valid()) << queue;
    EXPECT_EQ(0, mq_send(out.get(), reinterpret_cast<const char*>(answer.data()), answer.size(), 0));
  }

  UniqueQueue mQueue;
  std::thread mThread;
  std::vector<Bytes> mRequests;
};

// The library's reports of missing and full queues (expected here) are kept off the output.
class KlctlExchange : public testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(klEnterPrivateNamespaces()); }
  KlctlExchange() { g_debug_level &= ~0xFFu; }
  ~KlctlExchange() override { g_debug_level = mSavedLevel; }

 private:
  uint32_t mSavedLevel = g_debug_level;
};

// Answers and refusals are the result; silence and malformed answers are no answer. The reply queue is
// the client's own and is gone afterwards.
TEST_F(KlctlExchange, CommandIsAnsweredOnItsOwnQueueWhichIsRemovedAfterwards) {
  const Bytes badLength = {0x00, 0x30, 0x00, 0x15, 0x00, 0x00, 0x00, 0xEE};
  const struct {
    Bytes answer;
    KlctlOutcome outcome;
    const char* problem;
    int32_t status = 0;
    Bytes payload = {};
    double timeout = 5;
  } cases[] = {
      {answer(0, {1, 2, 3}), KlctlOutcome::Ok, "", 0, {1, 2, 3}},
      {answer(-3, {}), KlctlOutcome::CommandFailed, "", -3},
      {{}, KlctlOutcome::NoAnswer, "no answer within 0.2 s", 0, {}, 0.2},
      {badLength, KlctlOutcome::NoAnswer, "malformed answer"},
  };
  for (const auto& c : cases) {
    FakeDaemon daemon;
    daemon.serve(1, [&c](const Bytes&) { return c.answer; });
    const Bytes argument = {7, 0, 0, 0};
    const KlctlResult result = klctlSendCommand(4, &argument, c.timeout);
    EXPECT_EQ(c.outcome, result.outcome) << result.problem;
    EXPECT_EQ(0u, result.problem.find(c.problem)) << result.problem;
    EXPECT_EQ(c.status, result.answer.status);
    EXPECT_EQ(c.payload, result.answer.payload);
    ASSERT_EQ(1u, daemon.requests().size());
    const Bytes& request = daemon.requests()[0];
    EXPECT_EQ(CAT_CLIENT_CMD, request[3]);
    EXPECT_EQ(std::string("\x04\0\0\0", 4), valueText(request, TLV_CMD));
    EXPECT_EQ(std::string("\x07\0\0\0", 4), valueText(request, TLV_CMDARG));
    const std::string reply = valueText(request, TLV_SRC);
    EXPECT_EQ(0u, reply.find("/klctl." + std::to_string(getpid()) + ".")) << reply;
    EXPECT_FALSE(klctlQueueExists(reply.c_str())) << reply;
  }
}

// The reply queue name that follows the given one.
std::string followingName(const std::string& name) {
  const size_t number = name.rfind('.') + 1;
  return name.substr(0, number) + std::to_string(std::stoul(name.substr(number)) + 1);
}

// Nothing is sent and nothing is left behind; the scripts wait for the daemon with a probe.
TEST_F(KlctlExchange, WithoutTheDaemonNothingIsSentAndTheProbeSaysSo) {
  const std::string used = followingName(klctlReplyQueueName());
  const KlctlResult result = klctlSendCommand(4, nullptr, 5);
  EXPECT_EQ(KlctlOutcome::NoDaemon, result.outcome);
  EXPECT_NE(std::string::npos, result.problem.find(KLCONTROL_DAEMON_QUEUE)) << result.problem;
  EXPECT_FALSE(klctlQueueExists(used.c_str())) << used;
  EXPECT_EQ(KlctlOutcome::NoDaemon, klctlSendSystem("JS", 1).outcome);
  KlctlPlan plan;
  plan.watch = true;
  std::ostringstream out;
  std::ostringstream err;
  EXPECT_EQ(KlctlOutcome::NoDaemon, klctlRun(plan, out, err));
  EXPECT_NE(std::string::npos, err.str().find("127.0.0.1:8081")) << err.str();
  plan.probe = true;
  EXPECT_EQ(KlctlOutcome::NoDaemon, klctlRun(plan, out, err));
  FakeDaemon daemon;
  EXPECT_EQ(KlctlOutcome::Ok, klctlRun(plan, out, err));
  EXPECT_EQ("/to_klCtlD does not exist\n/to_klCtlD exists\n", out.str());
}

TEST_F(KlctlExchange, AFullDaemonQueueIsReportedNotWaitedFor) {
  FakeDaemon daemon(1);
  ASSERT_EQ(0, mq_send(UniqueQueue::open(KLCONTROL_DAEMON_QUEUE, O_WRONLY).get(), "x", 1, 0));
  const KlctlResult result = klctlSendCommand(4, nullptr, 5);
  EXPECT_EQ(KlctlOutcome::NoAnswer, result.outcome);
  EXPECT_NE(std::string::npos, result.problem.find("full")) << result.problem;
}

TEST_F(KlctlExchange, SuspendAndResumeAreAnsweredInPlace) {
  for (const char* code : {"JS", "JR"}) {
    FakeDaemon daemon;
    daemon.serve(1, inPlaceAnswer);
    const KlctlResult result = klctlSendSystem(code, 5);
    EXPECT_EQ(KlctlOutcome::Ok, result.outcome) << result.problem;
    EXPECT_EQ(Bytes{0}, result.answer.payload);
    ASSERT_EQ(1u, daemon.requests().size());
    const Bytes& request = daemon.requests()[0];
    EXPECT_EQ(CAT_SYS_CMD, request[3]);
    EXPECT_EQ(code, valueText(request, TLV_CMD));
    EXPECT_EQ(KLCONTROL_DAEMON_QUEUE, valueText(request, TLV_DST));
    EXPECT_FALSE(klctlQueueExists(valueText(request, TLV_SRC).c_str()));
  }
}

TEST_F(KlctlExchange, TheFirstFailureStopsTheRestUnlessKeepGoing) {
  for (bool keepGoing : {false, true}) {
    FakeDaemon daemon;
    daemon.serve(keepGoing ? 2 : 1, [](const Bytes&) { return answer(-3, {}); });
    KlctlPlan plan;
    plan.keepGoing = keepGoing;
    plan.steps.resize(2);
    plan.steps[0].number = 4;
    plan.steps[1].number = 3;
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(KlctlOutcome::CommandFailed, klctlRun(plan, out, err));
    EXPECT_EQ(keepGoing ? 2u : 1u, daemon.requests().size());
    const std::string firstLine = "KLCONTROL_MODE (4): status -3 (KL_ERR_INVALID_PARAM)\n";
    EXPECT_EQ(keepGoing ? firstLine + "KLCONTROL_COMMAND_SHUTTER (3): status -3 (KL_ERR_INVALID_PARAM)\n"
                        : firstLine,
              out.str());
  }
}

class KlctlWatch : public KlctlExchange {
 protected:
  bool listen() {
    mListener.reset(socket(AF_INET, SOCK_STREAM, 0));
    const int on = 1;  // the port of the test before may still be in TIME_WAIT
    setsockopt(mListener.get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(KLCONTROL_NOTIFICATION_PORT);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return bind(mListener.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
           ::listen(mListener.get(), 3) == 0;
  }

  // The fake daemon answers command 43 quiet + 1 times: it accepts the connection the first time and
  // sends frames on it the last time, then closes it or leaves it open.
  void pushOnResume(FakeDaemon& daemon, const std::string& frames, bool closeAfter, int quiet) {
    daemon.serve(quiet + 1, [this, frames, closeAfter, quiet, answered = 0](const Bytes&) mutable {
      if (answered == 0) mClient.reset(accept(mListener.get(), nullptr, nullptr));
      if (answered++ < quiet) return answer(0, {});
      EXPECT_EQ(static_cast<ssize_t>(frames.size()), send(mClient.get(), frames.data(), frames.size(), 0));
      if (closeAfter) mClient.reset();
      return answer(0, {});
    });
  }

  UniqueFd mListener;
  UniqueFd mClient;
};

// Documents as formatted JSON, members in the order sent; a document that is not JSON is printed as it
// came, with a warning. The daemon closing the connection ends the watch, and so does the time-out while
// it stays open: Ok after a document, NoAnswer without one.
TEST_F(KlctlWatch, PrintsEachDocumentAsJsonUntilTheEnd) {
  const struct {
    std::string frames;
    double timeout;  // 0: the daemon closes the connection after the frames
    KlctlOutcome outcome;
    std::string printed, err;
    int quiet = 0;  // resumes answered before the frames come
  } cases[] = {
      {"LENGTH:11\n\n{\"mode\":1}LENGTH:22\n\n{\"b\":1,\n\"a\":[2,true]}LENGTH:6\n\n{\"a\":", 0,
       KlctlOutcome::Ok,
       "{\n  \"mode\": 1\n}\n{\n  \"b\": 1,\n  \"a\": [\n    2,\n    true\n  ]\n}\n{\"a\":\n",
       "klctl: watch: document 3 is not valid JSON; printed as received\n"},
      {"LENGTH:3\n\n{}", 3, KlctlOutcome::Ok, "{}\n", "", 1},  // resumed again after a second
      {"", 1, KlctlOutcome::NoAnswer, "", "klctl: watch: no document within the time-out\n"},
  };
  ASSERT_TRUE(listen());
  for (const auto& c : cases) {
    FakeDaemon daemon;
    pushOnResume(daemon, c.frames, c.timeout == 0, c.quiet);
    std::ostringstream out;
    std::ostringstream err;
    KlctlWatchOptions options;
    options.timeout = c.timeout;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(c.outcome, klctlWatch(options, out, err)) << err.str();
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::duration<double>(c.timeout));
    EXPECT_EQ(c.printed, out.str());
    EXPECT_EQ(c.err, err.str());
    ASSERT_EQ(size_t(1 + c.quiet), daemon.requests().size());
    for (const Bytes& request : daemon.requests()) {
      EXPECT_EQ(std::string("\x2B\0\0\0", 4), valueText(request, TLV_CMD));
      EXPECT_EQ(std::string("status=1\0", 9), valueText(request, TLV_CMDARG));
    }
    mClient.reset();
  }
}

TEST(KlctlDocumentFormat, MembersKeepTheirOrderAndBadTextIsRefused) {
  const std::string deep =
      std::string(KLCTL_MAX_DOCUMENT_DEPTH + 1, '[') + std::string(KLCTL_MAX_DOCUMENT_DEPTH + 1, ']');
  const std::string deepest =
      std::string(KLCTL_MAX_DOCUMENT_DEPTH, '[') + std::string(KLCTL_MAX_DOCUMENT_DEPTH, ']');
  const struct {
    std::string text;
    bool compact;
    bool ok;
    std::string formatted;
  } cases[] = {
      {"{\"status\":{\"70\":50,\"2\":1},\n\"settings\":{\"144\":17}\n}", true, true,
       "{\"status\":{\"70\":50,\"2\":1},\"settings\":{\"144\":17}}"},
      {"{\"z\":[1,{\"a\":null}]}", false, true,
       "{\n  \"z\": [\n    1,\n    {\n      \"a\": null\n    }\n  ]\n}"},
      {deepest, true, true, deepest},
      {deep, true, false, ""},
      {"{\"a\":1}{}", true, false, ""},
  };
  for (const auto& c : cases) {
    std::string formatted;
    EXPECT_EQ(c.ok, klctlFormatDocument(c.text, c.compact, formatted)) << c.text.substr(0, 40);
    EXPECT_EQ(c.formatted, formatted) << c.text.substr(0, 40);
  }
}

}  // namespace
