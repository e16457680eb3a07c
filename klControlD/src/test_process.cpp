#include "test_process.h"

#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <iterator>
#include <sstream>
#include <utility>

#include "kl_test_emulator.h"
#include "wait_until.h"

namespace {

// A wrapper under a memory checker starts far slower and ends only after its report.
constexpr int kWrappedStopMs = 60000;

std::vector<std::string> wrapped(std::vector<std::string> unwrapped) {
  std::vector<std::string> argv = klEmulatedCommand(std::move(unwrapped));
  if (testWrapper() == nullptr) return argv;
  std::istringstream words(testWrapper());
  std::vector<std::string> all{std::istream_iterator<std::string>(words),
                               std::istream_iterator<std::string>()};
  all.insert(all.end(), argv.begin(), argv.end());
  return all;
}

}  // namespace

const char* testWrapper() {
  return std::getenv("KL_TEST_WRAPPER");
}

// The child is killed with the test process, so that a test that dies leaves nothing running.
TestProcess::TestProcess(std::vector<std::string> unwrapped, int standardError) {
  std::vector<std::string> argv = wrapped(std::move(unwrapped));
  std::vector<char*> args;
  for (std::string& arg : argv) args.push_back(&arg[0]);
  args.push_back(nullptr);
  const pid_t parent = getpid();
  mPid = fork();
  if (mPid != 0) return;
  if (prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || getppid() != parent) _exit(127);
  if (standardError != -1 && dup2(standardError, STDERR_FILENO) == -1) _exit(127);
  execvp(args[0], args.data());
  _exit(127);
}

TestProcess::~TestProcess() {
  if (mPid <= 0) return;
  if (testWrapper() != nullptr && stop(SIGTERM, kWrappedStopMs) != -1) return;
  kill(mPid, SIGKILL);
  waitpid(mPid, nullptr, 0);
}

int TestProcess::reap(int timeoutMs) {
  int status = 0;
  if (mPid <= 0) return -1;
  if (!waitUntil([&] { return waitpid(mPid, &status, WNOHANG) == mPid; },
                 std::chrono::milliseconds(timeoutMs)))
    return -1;
  mPid = -1;
  return status;
}

int TestProcess::stop(int signal, int timeoutMs) {
  if (mPid <= 0 || kill(mPid, signal) != 0) return -1;
  return reap(timeoutMs);
}

int TestProcess::exitStatus(int timeoutMs) {
  const int status = reap(timeoutMs);
  return status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1000;
}
