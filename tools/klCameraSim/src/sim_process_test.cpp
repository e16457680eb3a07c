// The klCameraSim program itself: started with options, driven by "klCameraSim ctl", stopped by a signal.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <mqueue.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>

#include <chrono>

#include "child_process.h"
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
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(&arg[0]);
    argv.push_back(nullptr);
    ASSERT_EQ(posix_spawn(&pid, KL_CAMERA_SIM_PATH, nullptr, nullptr, argv.data(), environ), 0);
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

ChildResult runControl(const char* word1, const char* word2 = nullptr, const char* word3 = nullptr) {
  return run_in_child([&] {
    execl(KL_CAMERA_SIM_PATH, KL_CAMERA_SIM_PATH, "ctl", word1, word2, word3, static_cast<char*>(nullptr));
  });
}

// "klCameraSim ctl" prints the reply and exits 0 only for "ok".
TEST_F(SimProcessTest, ControlCommandLineReportsTheReplyInItsExitStatus) {
  start({"--model", "55", "--fast"});
  const ChildResult set = runControl("set", "status.busy", "1");
  EXPECT_EQ(set.output, "ok\n");
  EXPECT_EQ(WEXITSTATUS(set.status), 0);
  const ChildResult bad = runControl("launch");
  EXPECT_EQ(bad.output, "error unknown command launch\n");
  EXPECT_EQ(WEXITSTATUS(bad.status), 1);
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
  const ChildResult second =
      run_in_child([] { execl(KL_CAMERA_SIM_PATH, KL_CAMERA_SIM_PATH, static_cast<char*>(nullptr)); });
  EXPECT_EQ(WEXITSTATUS(second.status), 1);
  const mqd_t link = mq_open(SIM_LINK_QUEUE, O_WRONLY);
  EXPECT_NE(link, mqd_t(-1));
  mq_close(link);
  EXPECT_EQ(runControl("ping").output, "ok\n");
}

TEST_F(SimProcessTest, BadOptionsAndBadStateFilesStopTheStart) {
  const char* const cases[][3] = {{"--model", "0", nullptr},
                                  {"--state", "/nonexistent/state", nullptr},
                                  {"--colour", nullptr, nullptr},
                                  {"ctl", nullptr, nullptr}};
  for (const auto& args : cases) {
    const ChildResult result = run_in_child([&] {
      execl(KL_CAMERA_SIM_PATH, KL_CAMERA_SIM_PATH, args[0], args[1], args[2], static_cast<char*>(nullptr));
    });
    EXPECT_NE(WEXITSTATUS(result.status), 0) << args[0];
  }
  EXPECT_EQ(mq_open(SIM_LINK_QUEUE, O_WRONLY), mqd_t(-1));
}

}  // namespace
