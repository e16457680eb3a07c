// Real programs for klctl's end-to-end tests (klCameraSim, klControlD, klctl), started in the test's
// namespaces, their output kept in files of their own.
#pragma once
#include <sys/types.h>

#include <string>
#include <vector>

class E2eProcess {
 public:
  // Starts argv[0] (behind the emulator, if any) with the arguments, standard output and error each into a
  // temporary file.
  explicit E2eProcess(const std::vector<std::string>& argv);
  // Kills and reaps a process that still runs, and removes the files.
  ~E2eProcess();
  E2eProcess(const E2eProcess&) = delete;
  E2eProcess& operator=(const E2eProcess&) = delete;

  // The exit status once it ended within the seconds; -1 when it could not start, still runs or was killed.
  int exitStatus(double seconds);
  // What it printed so far.
  std::string out() const;
  std::string err() const;

 private:
  pid_t mPid = -1;
  std::string mOutPath = "/tmp/klctl_e2e_out.XXXXXX";
  std::string mErrPath = "/tmp/klctl_e2e_err.XXXXXX";
};

// What a program printed and how it ended.
struct E2eRun {
  int status;  // as E2eProcess::exitStatus
  std::string out;
  std::string err;
};

// Runs argv to its end, killing it after the seconds.
E2eRun e2eRun(const std::vector<std::string>& argv, double seconds);
