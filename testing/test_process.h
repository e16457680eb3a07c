// A real program (klCameraSim, klControlD, klctl) started by a test in the test's namespaces.
#pragma once

#include <sys/types.h>

#include <string>
#include <utility>
#include <vector>

// KL_TEST_WRAPPER, when set, is a command (words split at spaces) put before every started program,
// e.g. a memory checker; null when it is not set.
const char* testWrapper();

// The standard output and error of a started program go to a temporary file each, read with out()
// and err().
enum class TestOutput { Captured };

class TestProcess {
 public:
  // Starts argv[0] with the arguments, its standard error on standardError when that is not -1;
  // started() tells whether the fork worked. Before the program come the words of the wrapper and
  // of KL_TEST_EMULATOR (e.g. "qemu-arm -L /usr/arm-linux-gnueabihf", for a cross-built program),
  // each when set and not empty.
  explicit TestProcess(std::vector<std::string> argv, int standardError = -1);
  TestProcess(std::vector<std::string> argv, TestOutput output);
  // Kills (SIGKILL) and reaps a process that is still running; behind a wrapper it first asks it to end
  // (SIGTERM), so that the wrapper can report. Removes the files of captured output.
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
  // What it printed so far, when its output is captured.
  std::string out() const;
  std::string err() const;

 private:
  void start(std::vector<std::string> argv, int standardOutput, int standardError);
  // The waitpid status within the time-out, or -1 while it runs.
  int reap(int timeoutMs);

  pid_t mPid = -1;
  std::string mOutPath;
  std::string mErrPath;
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
