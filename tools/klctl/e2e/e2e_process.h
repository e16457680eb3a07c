// Real programs for klctl's end-to-end tests: klCameraSim and klControlD in the background, klctl run to
// its end with its output captured. They inherit the test's namespaces.
#pragma once
#include <sys/types.h>

#include <string>
#include <vector>

// What a program printed and how it ended.
struct E2eRun {
  int status = -1;  // exit status; -1 when it could not start, was killed or ran past its time
  std::string out;
  std::string err;
};

// Runs argv[0] with the arguments and waits for its end, at most timeoutSeconds (then it is killed).
E2eRun e2eRun(const std::vector<std::string>& argv, double timeoutSeconds);

// A program left running; killed and reaped when the object goes.
class E2eProcess {
 public:
  // Starts argv[0] with the arguments; its standard output goes to outPath when one is given.
  explicit E2eProcess(const std::vector<std::string>& argv, const std::string& outPath = "");
  ~E2eProcess();
  E2eProcess(const E2eProcess&) = delete;
  E2eProcess& operator=(const E2eProcess&) = delete;

  bool started() const { return mPid > 0; }
  // The exit status once it ended within timeoutSeconds; -1 when it was still running (or was killed).
  int exitStatus(double timeoutSeconds);

 private:
  pid_t mPid = -1;
};
