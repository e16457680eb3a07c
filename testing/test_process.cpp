#include "test_process.h"

#include <signal.h>
#include <stdlib.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <utility>

#include "kl_test_emulator.h"
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

// A new temporary file for output, opened for writing; its path is left in path.
int outputFile(std::string& path) {
  path = "/tmp/kl_test_output.XXXXXX";
  return mkstemp(&path[0]);
}

std::string readFile(const std::string& path) {
  std::ifstream in(path);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

const char* testWrapper() {
  return std::getenv("KL_TEST_WRAPPER");
}

bool klTestEmulated() {
  return !words("KL_TEST_EMULATOR").empty();
}

TestProcess::TestProcess(std::vector<std::string> argv, int standardError) {
  start(std::move(argv), -1, standardError);
}

TestProcess::TestProcess(std::vector<std::string> argv, TestOutput /*captured*/) {
  const int out = outputFile(mOutPath);
  const int err = outputFile(mErrPath);
  if (out >= 0 && err >= 0) start(std::move(argv), out, err);
  if (out >= 0) close(out);
  if (err >= 0) close(err);
}

// The child is killed with the test process, so that a test that dies leaves nothing running.
void TestProcess::start(std::vector<std::string> unwrapped, int standardOutput, int standardError) {
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
  if (!mOutPath.empty()) unlink(mOutPath.c_str());
  if (!mErrPath.empty()) unlink(mErrPath.c_str());
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

std::string TestProcess::out() const {
  return readFile(mOutPath);
}

std::string TestProcess::err() const {
  return readFile(mErrPath);
}

E2eRun e2eRun(const std::vector<std::string>& argv, int timeoutMs) {
  TestProcess process(argv, TestOutput::Captured);
  const int status = process.exitStatus(timeoutMs);
  return {status, process.out(), process.err()};
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
