// Processes a test starts: a real program (klCameraSim, klControlD, klctl) in the test's namespaces,
// or a piece of the test itself in a forked child whose standard output comes back to the test.
#pragma once

#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

// KL_TEST_WRAPPER, when set, is a command (words split at spaces) put before every started program,
// e.g. a memory checker; null when it is not set.
const char* testWrapper();

// True when the tests run under the emulator that KL_TEST_EMULATOR names (CMake sets it in a
// cross-build): /proc then describes the emulator's process (a thread of its own besides the
// program's, the host's system-call numbers), not the program's.
bool klTestEmulated();

class TestProcess {
 public:
  // Starts argv[0] with the arguments, its standard error on standardError and its standard output
  // on standardOutput when they are not -1; started() tells whether the fork worked. Before the
  // program come the words of the wrapper and of KL_TEST_EMULATOR (e.g. "qemu-arm -L
  // /usr/arm-linux-gnueabihf", for a cross-built program), each when set and not empty.
  explicit TestProcess(std::vector<std::string> argv, int standardError = -1, int standardOutput = -1);
  // Kills (SIGKILL) and reaps a process that is still running; behind a wrapper it first asks it to end
  // (SIGTERM), so that the wrapper can report.
  ~TestProcess();
  TestProcess(const TestProcess&) = delete;
  TestProcess& operator=(const TestProcess&) = delete;

  bool started() const { return mPid > 0; }
  pid_t pid() const { return mPid; }
  // Sends the signal and reaps the process once it ended; the waitpid status, or -1 when it is
  // still running after timeoutMs.
  int stop(int signal, int timeoutMs);
  // The exit status within the time-out, or -1000 when it is still running (or ended by a signal).
  int exitStatus(int timeoutMs);

 private:
  // The waitpid status within the time-out, or -1 while it runs.
  int reap(int timeoutMs);

  pid_t mPid = -1;
};

// What a program printed and how it ended.
struct E2eRun {
  int status;  // as TestProcess::exitStatus
  std::string out;
  std::string err;
};

// Runs argv to its end with its output captured, killing it after timeoutMs.
E2eRun e2eRun(const std::vector<std::string>& argv, int timeoutMs);

// Each thread of a process with the system call it is in (-1 when that cannot be read).
std::vector<std::pair<pid_t, long>> threadSyscalls(pid_t pid);

struct ChildResult {
  int status = -1;     // as from waitpid
  std::string output;  // everything written on the child's standard output, by it and its descendants
};

// The child runs body and then _exit(0) unless body ends it; standard output is a pipe, read until
// every writer has closed it, so a grandchild that outlives the child is waited for too.
template <typename Body>
ChildResult run_in_child(Body body) {
  ChildResult result;
  int fds[2];
  if (pipe(fds) != 0) return result;
  fflush(stdout);
  pid_t pid = fork();
  if (pid == 0) {
    dup2(fds[1], STDOUT_FILENO);
    close(fds[0]);
    close(fds[1]);
    body();
    fflush(stdout);
    _exit(0);
  }
  close(fds[1]);
  char chunk[4096];
  for (ssize_t size; (size = read(fds[0], chunk, sizeof chunk)) != 0;) {
    if (size > 0)
      result.output.append(chunk, static_cast<size_t>(size));
    else if (errno != EINTR)
      break;
  }
  close(fds[0]);
  if (pid > 0) waitpid(pid, &result.status, 0);
  return result;
}
