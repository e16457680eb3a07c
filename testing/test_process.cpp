#include "test_process.h"

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/prctl.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <utility>

#include "klUniqueFd.h"
#include "temp_folder.h"
#include "wait_until.h"

namespace {

// A wrapper under a memory checker starts far slower and ends only after its report.
constexpr int kWrappedStopMs = 60000;

// The words of an environment variable, split at spaces; none when it is not set.
std::vector<std::string> words(const char* variable) {
  const char* text = std::getenv(variable);
  std::istringstream split(text != nullptr ? text : "");
  return {std::istream_iterator<std::string>(split), std::istream_iterator<std::string>()};
}

// The wrapper (a memory checker) runs the emulator, which runs the program; the first word is found
// on PATH.
std::vector<std::string> wrapped(const std::vector<std::string>& argv) {
  std::vector<std::string> all = words("KL_TEST_WRAPPER");
  const std::vector<std::string> emulator = words("KL_TEST_EMULATOR");
  all.insert(all.end(), emulator.begin(), emulator.end());
  all.insert(all.end(), argv.begin(), argv.end());
  return all;
}

}  // namespace

const char* testWrapper() {
  return std::getenv("KL_TEST_WRAPPER");
}

bool klTestEmulated() {
  return !words("KL_TEST_EMULATOR").empty();
}

// The child is killed with the test process, so that a test that dies leaves nothing running.
TestProcess::TestProcess(std::vector<std::string> unwrapped, int standardError, int standardOutput) {
  std::vector<std::string> argv = wrapped(unwrapped);
  std::vector<char*> args;
  for (std::string& arg : argv) args.push_back(&arg[0]);
  args.push_back(nullptr);
  const pid_t parent = getpid();
  mPid = fork();
  if (mPid != 0) return;
  if (prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || getppid() != parent) _exit(127);
  if (standardOutput != -1 && dup2(standardOutput, STDOUT_FILENO) == -1) _exit(127);
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

E2eRun e2eRun(const std::vector<std::string>& argv, int timeoutMs) {
  const TempFolder folder;
  const auto create = [&folder](const char* name) {
    return UniqueFd(open((folder.path() + "/" + name).c_str(), O_WRONLY | O_CREAT, 0600));
  };
  const UniqueFd out = create("out"), err = create("err");
  int status = -1000;
  if (out.valid() && err.valid()) status = TestProcess(argv, err.get(), out.get()).exitStatus(timeoutMs);
  return {status, folder.read("out"), folder.read("err")};
}

std::vector<std::pair<pid_t, long>> threadSyscalls(pid_t pid) {
  std::vector<std::pair<pid_t, long>> threads;
  std::error_code error;
  for (const auto& task :
       std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/task", error)) {
    long call = -1;
    if (!(std::ifstream(task.path() / "syscall") >> call)) call = -1;  // "running" has no number
    threads.emplace_back(pid_t(std::stol(task.path().filename().string())), call);
  }
  return threads;
}
