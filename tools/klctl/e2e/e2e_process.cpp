#include "e2e_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "kl_test_emulator.h"

extern char** environ;

namespace {

// Creates the file named by the pattern (its XXXXXX replaced) and opens it as fd in the child.
void redirect(std::string& pattern, int fd, posix_spawn_file_actions_t& actions) {
  const int created = mkstemp(&pattern[0]);
  if (created >= 0) close(created);
  posix_spawn_file_actions_addopen(&actions, fd, pattern.c_str(), O_WRONLY | O_TRUNC, 0);
}

std::string readFile(const std::string& path) {
  std::ifstream in(path);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

E2eProcess::E2eProcess(const std::vector<std::string>& argv) {
  std::vector<std::string> command = klEmulatedCommand(argv);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  redirect(mOutPath, STDOUT_FILENO, actions);
  redirect(mErrPath, STDERR_FILENO, actions);
  std::vector<char*> args;
  for (std::string& word : command) args.push_back(&word[0]);
  args.push_back(nullptr);
  if (posix_spawnp(&mPid, args[0], &actions, nullptr, args.data(), environ) != 0) mPid = -1;
  posix_spawn_file_actions_destroy(&actions);
}

E2eProcess::~E2eProcess() {
  if (mPid > 0) {
    kill(mPid, SIGKILL);
    waitpid(mPid, nullptr, 0);
  }
  unlink(mOutPath.c_str());
  unlink(mErrPath.c_str());
}

int E2eProcess::exitStatus(double seconds) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  int status = 0;
  while (mPid > 0 && waitpid(mPid, &status, WNOHANG) != mPid) {
    if (std::chrono::steady_clock::now() > deadline) return -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  if (mPid <= 0) return -1;
  mPid = -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string E2eProcess::out() const {
  return readFile(mOutPath);
}
std::string E2eProcess::err() const {
  return readFile(mErrPath);
}

E2eRun e2eRun(const std::vector<std::string>& argv, double seconds) {
  E2eProcess process(argv);
  const int status = process.exitStatus(seconds);
  return {status, process.out(), process.err()};
}
