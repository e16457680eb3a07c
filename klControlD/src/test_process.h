// A real executable (klCameraSim, klControlD) started by a test in the test's namespaces.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

// KL_TEST_WRAPPER, when set, is a command (words split at spaces, the first one a full path) put before
// every started executable, e.g. a memory checker; null when it is not set.
const char* testWrapper();

class TestProcess {
 public:
  // Starts argv[0] (behind the wrapper and the emulator, if any) with the arguments, its standard error on
  // standardError when that is not -1; started() tells whether the fork worked.
  explicit TestProcess(std::vector<std::string> argv, int standardError = -1);
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
