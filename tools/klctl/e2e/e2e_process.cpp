#include "e2e_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

pid_t spawn(const std::vector<std::string>& argv, posix_spawn_file_actions_t* actions) {
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  pid_t pid = -1;
  return posix_spawn(&pid, args[0], actions, nullptr, args.data(), environ) == 0 ? pid : -1;
}

// The exit status of pid once it ended before the deadline, else -1 (it still runs).
int reap(pid_t pid, Clock::time_point deadline) {
  for (;;) {
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (Clock::now() >= deadline) return -2;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

void killAndReap(pid_t pid) {
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
}

// Reads both pipes until both are closed or the deadline passes.
void drain(int outFd, int errFd, E2eRun& run, Clock::time_point deadline) {
  pollfd fds[2] = {{outFd, POLLIN, 0}, {errFd, POLLIN, 0}};
  std::string* texts[2] = {&run.out, &run.err};
  while ((fds[0].fd >= 0 || fds[1].fd >= 0) && Clock::now() < deadline) {
    if (poll(fds, 2, 100) <= 0) continue;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) continue;
      char buffer[4096];
      const ssize_t got = read(fds[i].fd, buffer, sizeof buffer);
      if (got > 0) {
        texts[i]->append(buffer, static_cast<size_t>(got));
      } else {
        close(fds[i].fd);
        fds[i].fd = -1;
      }
    }
  }
  for (const pollfd& fd : fds) {
    if (fd.fd >= 0) close(fd.fd);
  }
}

}  // namespace

E2eRun e2eRun(const std::vector<std::string>& argv, double timeoutSeconds) {
  E2eRun run;
  int outPipe[2];
  int errPipe[2];
  if (pipe2(outPipe, O_CLOEXEC) != 0) return run;
  if (pipe2(errPipe, O_CLOEXEC) != 0) {
    close(outPipe[0]);
    close(outPipe[1]);
    return run;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, outPipe[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, errPipe[1], STDERR_FILENO);
  const pid_t pid = spawn(argv, &actions);
  posix_spawn_file_actions_destroy(&actions);
  close(outPipe[1]);
  close(errPipe[1]);
  const auto deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                           std::chrono::duration<double>(timeoutSeconds));
  if (pid <= 0) {
    close(outPipe[0]);
    close(errPipe[0]);
    return run;
  }
  drain(outPipe[0], errPipe[0], run, deadline);
  run.status = reap(pid, deadline);
  if (run.status == -2) {
    killAndReap(pid);
    run.status = -1;
  }
  return run;
}

E2eProcess::E2eProcess(const std::vector<std::string>& argv, const std::string& outPath) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (!outPath.empty())
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
  mPid = spawn(argv, &actions);
  posix_spawn_file_actions_destroy(&actions);
}

E2eProcess::~E2eProcess() {
  if (mPid > 0) killAndReap(mPid);
}

int E2eProcess::exitStatus(double timeoutSeconds) {
  if (mPid <= 0) return -1;
  const int status = reap(mPid, Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                                   std::chrono::duration<double>(timeoutSeconds)));
  if (status == -2) return -1;
  mPid = -1;
  return status;
}
