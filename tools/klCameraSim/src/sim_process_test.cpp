// The klCameraSim program itself: started with options, driven by "klCameraSim ctl", stopped by a signal.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <mqueue.h>
#include <signal.h>
#include <sys/wait.h>

#include <memory>

#include "kl_test_namespace.h"
#include "sim_control_socket.h"
#include "sim_simulator.h"
#include "test_process.h"
#include "wait_until.h"

namespace {

class SimProcessTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(klEnterPrivateNamespaces()); }

  // Starts the program and waits until its control socket answers.
  void start(std::vector<std::string> args) {
    args.insert(args.begin(), KL_CAMERA_SIM_PATH);
    sim = std::make_unique<TestProcess>(args);
    std::string reply;
    EXPECT_TRUE(waitUntil([&] { return simControlRequest(SIM_CONTROL_NAME, "ping", reply, 200); }));
    ASSERT_EQ(reply, "ok");
  }

  std::unique_ptr<TestProcess> sim;
};

// The program with the words, to its end.
E2eRun runSim(const std::vector<std::string>& words) {
  std::vector<std::string> argv{KL_CAMERA_SIM_PATH};
  argv.insert(argv.end(), words.begin(), words.end());
  return e2eRun(argv, 10000);
}

E2eRun runControl(std::vector<std::string> words) {
  words.insert(words.begin(), "ctl");
  return runSim(words);
}

// "klCameraSim ctl" prints the reply and exits 0 only for "ok"; a second simulator refuses to start and
// leaves the first serving.
TEST_F(SimProcessTest, ControlCommandLineAndASecondSimulator) {
  start({"--model", "55", "--fast"});
  const E2eRun set = runControl({"set", "status.busy", "1"});
  EXPECT_EQ(set.out, "ok\n");
  EXPECT_EQ(set.status, 0);
  const E2eRun bad = runControl({"launch"});
  EXPECT_EQ(bad.out, "error unknown command launch\n");
  EXPECT_EQ(bad.status, 1);
  EXPECT_EQ(runSim({}).status, 1);
  const mqd_t link = mq_open(SIM_LINK_QUEUE, O_WRONLY);
  EXPECT_NE(link, mqd_t(-1));
  mq_close(link);
  EXPECT_EQ(runControl({"get", "status.busy"}).out, "ok 1\n");
}

TEST_F(SimProcessTest, SignalEndsItCleanlyAndRemovesTheLinkQueue) {
  for (int signal : {SIGTERM, SIGINT}) {
    start({"--fast"});
    const int status = sim->stop(signal, 5000);
    EXPECT_TRUE(WIFEXITED(status)) << signal;
    EXPECT_EQ(WEXITSTATUS(status), 0) << signal;
    EXPECT_EQ(mq_open(SIM_LINK_QUEUE, O_WRONLY), mqd_t(-1)) << signal;
    EXPECT_EQ(errno, ENOENT) << signal;
  }
}

TEST_F(SimProcessTest, BadOptionsAndBadStateFilesStopTheStart) {
  const std::vector<std::string> cases[] = {
      {"--model", "0"}, {"--state", "/nonexistent/state"}, {"--colour"}, {"ctl"}};
  for (const auto& args : cases) {
    EXPECT_GT(runSim(args).status, 0) << args[0];  // ended by itself, with a failure
  }
  EXPECT_EQ(mq_open(SIM_LINK_QUEUE, O_WRONLY), mqd_t(-1));
}

}  // namespace
