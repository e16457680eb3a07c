// The klCameraSim program itself: started with options, driven by "klCameraSim ctl", stopped by a signal.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <mqueue.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>

#include <chrono>

#include "child_process.h"
#include "klCtrlD.h"
#include "kl_test_emulator.h"
#include "kl_test_namespace.h"
#include "sim_control_socket.h"
#include "sim_simulator.h"

namespace {

class SimProcessTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(klEnterPrivateNamespaces()); }

  // Starts the program and waits until its control socket answers.
  void start(std::vector<std::string> args) {
    args.insert(args.begin(), KL_CAMERA_SIM_PATH);
    std::vector<std::string> command = klEmulatedCommand(args);
    std::vector<char*> argv;
    for (std::string& word : command) argv.push_back(&word[0]);
    argv.push_back(nullptr);
    ASSERT_EQ(posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ), 0);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    std::string reply;
    while (!simControlRequest(SIM_CONTROL_NAME, "ping", reply, 200) &&
           std::chrono::steady_clock::now() < deadline) {
      poll(nullptr, 0, 5);  // back off between attempts
    }
    ASSERT_EQ(reply, "ok");
  }

  // Stops the program with the signal; its exit status.
  int stop(int signal) {
    kill(pid, signal);
    int status = -1;
    waitpid(pid, &status, 0);
    pid = -1;
    return status;
  }

  void TearDown() override {
    if (pid > 0) stop(SIGKILL);
  }

  pid_t pid = -1;
};

// Runs the program with the arguments to its end.
ChildResult runSimulator(std::vector<std::string> args) {
  args.insert(args.begin(), KL_CAMERA_SIM_PATH);
  return run_in_child([&] { klExecEmulated(args); });
}

TEST_F(SimProcessTest, ServesTheModelOfItsOptionAndIsDrivenFromTheCommandLine) {
  start({"--model", "55", "--fast"});
  klc_msg_q_context_t ctx{"/to_klCtlD2", mq_open(SIM_LINK_QUEUE, O_WRONLY), mqd_t(-1), 0, 0, {}};
  mq_attr attr{};
  attr.mq_maxmsg = 5;
  attr.mq_msgsize = KLMSG_MAX;
  ctx.reply_mqd = mq_open(ctx.reply_queue_name, O_RDONLY | O_CREAT, 0664, &attr);
  uint8_t model = 0;
  EXPECT_EQ(klc_state_get_model_number(&ctx, &model), 0);
  EXPECT_EQ(model, 55);

  const ChildResult set = runSimulator({"ctl", "set", "status.busy", "1"});
  EXPECT_EQ(set.output, "ok\n");
  EXPECT_EQ(WEXITSTATUS(set.status), 0);
  const ChildResult bad = runSimulator({"ctl", "launch"});
  EXPECT_EQ(bad.output, "error unknown command launch\n");
  EXPECT_EQ(WEXITSTATUS(bad.status), 1);
  const ChildResult count = runSimulator({"ctl", "count", "0x100/1"});
  EXPECT_EQ(count.output, "ok 1\n");
  mq_close(ctx.klnet_mqd);
  mq_close(ctx.reply_mqd);
  mq_unlink(ctx.reply_queue_name);
}

TEST_F(SimProcessTest, SignalEndsItCleanlyAndRemovesTheLinkQueue) {
  for (int signal : {SIGTERM, SIGINT}) {
    start({"--fast"});
    const int status = stop(signal);
    EXPECT_TRUE(WIFEXITED(status)) << signal;
    EXPECT_EQ(WEXITSTATUS(status), 0) << signal;
    EXPECT_EQ(mq_open(SIM_LINK_QUEUE, O_WRONLY), mqd_t(-1)) << signal;
    EXPECT_EQ(errno, ENOENT) << signal;
  }
}

TEST_F(SimProcessTest, SecondSimulatorRefusesToStartAndLeavesTheFirstServing) {
  start({"--fast"});
  const ChildResult second = runSimulator({});
  EXPECT_EQ(WEXITSTATUS(second.status), 1);
  const mqd_t link = mq_open(SIM_LINK_QUEUE, O_WRONLY);
  EXPECT_NE(link, mqd_t(-1));
  mq_close(link);
  EXPECT_EQ(runSimulator({"ctl", "ping"}).output, "ok\n");
}

TEST_F(SimProcessTest, BadOptionsAndBadStateFilesStopTheStart) {
  const std::vector<std::string> cases[] = {
      {"--model", "0"}, {"--state", "/nonexistent/state"}, {"--colour"}, {"ctl"}};
  for (const auto& args : cases) {
    const ChildResult result = runSimulator(args);
    EXPECT_NE(WEXITSTATUS(result.status), 0) << args[0];
  }
  EXPECT_EQ(mq_open(SIM_LINK_QUEUE, O_WRONLY), mqd_t(-1));
}

}  // namespace
