#include "klDaemonInit.h"

#include <gtest/gtest.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <cstring>
#include <string>

#include "test_process.h"

namespace {

// What daemon_init_ext may change, on one line.
std::string process_state() {
  char cwd[256] = "?";
  if (!getcwd(cwd, sizeof cwd)) strcpy(cwd, "?");
  mode_t mask = umask(0);
  umask(mask);
  rlimit core{};
  getrlimit(RLIMIT_CORE, &core);
  char line[512];
  snprintf(line, sizeof line, "pid=%d sid=%d cwd=%s umask=%03o core=%s", getpid(), getsid(0), cwd, mask,
           core.rlim_cur == RLIM_INFINITY ? "unlimited" : std::to_string(core.rlim_cur).c_str());
  return line;
}

// Settings that daemon_init_ext would visibly change.
void set_distinct_state() {
  const rlimit no_core{0, RLIM_INFINITY};
  setrlimit(RLIMIT_CORE, &no_core);
  umask(027);
  if (chdir("/tmp") != 0) printf("chdir failed ");
}

// Runs body in a grandchild of a new PID namespace, whose parent is therefore process 1 there.
// Prints "no PID namespace" instead when the system refuses one, even through a user namespace.
template <typename Body>
void run_under_namespace_init(Body body) {
  if (unshare(CLONE_NEWPID) != 0 && unshare(CLONE_NEWUSER | CLONE_NEWPID) != 0) {
    printf("no PID namespace (%s)", strerror(errno));
    return;
  }
  printf("%s", run_in_child([&] { printf("%s", run_in_child(body).output.c_str()); }).output.c_str());
}

TEST(daemon_init_ext, UnderProcessOneChangesNothing) {
  ChildResult child = run_in_child([] {
    run_under_namespace_init([] {
      set_distinct_state();
      const std::string before = process_state();
      const int result = daemon_init_ext(1);
      const std::string after = process_state();
      printf("ppid=%d result=%d %s", getppid(), result,
             before == after ? "same" : (before + " -> " + after).c_str());
    });
  });
  if (child.output.rfind("no PID namespace", 0) == 0) GTEST_SKIP() << child.output;
  EXPECT_EQ("ppid=1 result=0 same", child.output);
}

TEST(daemon_init_ext, DetachesIntoANewSessionInTheRootFolder) {
  ChildResult child = run_in_child([] {
    set_distinct_state();
    const pid_t original = getpid();
    // Only the detached process returns here; the original has exited with status 0.
    int result = daemon_init_ext(0);
    const std::string state = process_state();
    printf("result=%d new_process=%d session_leader=%d %s", result, getpid() != original,
           getsid(0) == getpid(), state.substr(state.find("cwd=")).c_str());
  });
  ASSERT_TRUE(WIFEXITED(child.status));
  EXPECT_EQ(0, WEXITSTATUS(child.status));
  EXPECT_EQ("result=0 new_process=1 session_leader=1 cwd=/ umask=000 core=0", child.output);
}

}  // namespace
