// klctl's exchanges against a fake daemon queue, in private IPC and network namespaces.
#include "klctl_exchange.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <sstream>

#include "fake_daemon_queue.h"
#include "klctl_run.h"

namespace {

class KlctlExchange : public FakeDaemonTest {};

// Answers and refusals are the result; silence and malformed answers are no answer. The reply queue is
// the client's own and is gone afterwards.
TEST_F(KlctlExchange, CommandIsAnsweredOnItsOwnQueueWhichIsRemovedAfterwards) {
  const Bytes badLength = {0x00, 0x30, 0x00, 0x15, 0x00, 0x00, 0x00, 0xEE};
  const Bytes otherCategory = {0x00, 0x08, 0x00, 0x11, 0x00, 0x00, 0x00, 0xEE};
  const struct {
    Bytes answer;
    KlctlOutcome outcome;
    const char* problem;
    int32_t status = 0;
    Bytes payload = {};
    double timeout = 5;
  } cases[] = {
      {clientAnswer(0, {1, 2, 3}), KlctlOutcome::Ok, "", 0, {1, 2, 3}},
      {clientAnswer(-3, {}), KlctlOutcome::CommandFailed, "", -3},
      {clientAnswer(1, {}), KlctlOutcome::CommandFailed, "", 1},
      {{}, KlctlOutcome::NoAnswer, "no answer within 0.2 s", 0, {}, 0.2},
      {badLength, KlctlOutcome::NoAnswer, "malformed answer"},
      {otherCategory, KlctlOutcome::NoAnswer, "unexpected answer category"},
  };
  for (const auto& c : cases) {
    FakeDaemon daemon;
    ASSERT_TRUE(daemon.ok());
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

TEST_F(KlctlExchange, WithoutTheDaemonQueueNothingIsLeftBehind) {
  const std::string used = followingName(klctlReplyQueueName());
  const KlctlResult result = klctlSendCommand(4, nullptr, 5);
  EXPECT_EQ(KlctlOutcome::NoDaemon, result.outcome);
  EXPECT_NE(std::string::npos, result.problem.find(KLCONTROL_DAEMON_QUEUE)) << result.problem;
  EXPECT_FALSE(klctlQueueExists(used.c_str())) << used;
}

TEST_F(KlctlExchange, AFullDaemonQueueIsReportedNotWaitedFor) {
  FakeDaemon daemon(1);
  ASSERT_TRUE(daemon.ok());
  const mqd_t filler = mq_open(KLCONTROL_DAEMON_QUEUE, O_WRONLY);
  ASSERT_EQ(0, mq_send(filler, "x", 1, 0));
  mq_close(filler);
  const KlctlResult result = klctlSendCommand(4, nullptr, 5);
  EXPECT_EQ(KlctlOutcome::NoAnswer, result.outcome);
  EXPECT_NE(std::string::npos, result.problem.find("full")) << result.problem;
}

TEST_F(KlctlExchange, SuspendAndResumeAreAnsweredInPlace) {
  for (const char* code : {"JS", "JR"}) {
    FakeDaemon daemon;
    ASSERT_TRUE(daemon.ok());
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
  EXPECT_EQ(KlctlOutcome::NoDaemon, klctlSendSystem("JS", 1).outcome);
}

// The scripts wait for the daemon with a probe: whether its queue is there.
TEST_F(KlctlExchange, ProbeTellsWhetherTheQueueExists) {
  KlctlPlan plan;
  plan.probe = true;
  std::ostringstream out;
  std::ostringstream err;
  EXPECT_EQ(KlctlOutcome::NoDaemon, klctlRun(plan, out, err));
  FakeDaemon daemon;
  EXPECT_EQ(KlctlOutcome::Ok, klctlRun(plan, out, err));
  EXPECT_EQ("/to_klCtlD does not exist\n/to_klCtlD exists\n", out.str());
}

TEST_F(KlctlExchange, TheFirstFailureStopsTheRestUnlessKeepGoing) {
  for (bool keepGoing : {false, true}) {
    FakeDaemon daemon;
    ASSERT_TRUE(daemon.ok());
    daemon.serve(keepGoing ? 2 : 1, [](const Bytes&) { return clientAnswer(-3, {}); });
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

}  // namespace
