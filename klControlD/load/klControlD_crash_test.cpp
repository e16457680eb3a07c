// The daemon's crash report for each fatal signal on each of its threads (main, zoom timer, worker).
// Each daemon is a forked child in its own namespaces, its crash handler installed as klControlD does.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <mqueue.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "klCrashHandler.h"
#include "klTlv.h"
#include "kl_test_namespace.h"
#include "klcontrol_daemon.h"
#include "temp_folder.h"
#include "test_process.h"
#include "test_sanitizers.h"
#include "wait_until.h"

namespace {

// Without a camera the daemon still starts: its worker runs and its listener accepts.
[[noreturn]] void runDaemonChild(const std::string& folder) {
  const rlimit noCore{0, 0};
  setrlimit(RLIMIT_CORE, &noCore);
  const int out = open((folder + "/stdout").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  dup2(out, STDOUT_FILENO);
  close(out);
  g_crash_report_format = strdup((folder + "/crash_report_%s.log").c_str());
  mq_attr attr{};
  attr.mq_maxmsg = 10;
  attr.mq_msgsize = KLMSG_MAX;
  if (!klEnterPrivateNamespaces() || mq_open("/to_klnet", O_RDONLY | O_CREAT, 0600, &attr) == mqd_t(-1))
    _exit(2);
  _exit(klcontrol_run("klControlD") == 0 ? 3 : 4);
}

// The daemon's threads as main, timer, worker; empty until all three are there and told apart.
// Thread ids may wrap around, so roles come from what each thread does: the main thread's id is the
// process id, the idle timer waits on its condition, the worker waits on queues.
std::vector<pid_t> threadRoles(pid_t pid) {
  std::vector<std::pair<pid_t, bool>> others;  // thread id, waits on a futex
  for (const auto& thread : threadSyscalls(pid)) {
    if (thread.first != pid) others.emplace_back(thread.first, thread.second == SYS_futex);
  }
  if (others.size() != 2 || others[0].second == others[1].second) return {};
  if (!others[0].second) std::swap(others[0], others[1]);
  return {pid, others[0].first, others[1].first};
}

struct Thread {
  const char* name;
  size_t index;          // in threadRoles
  const char* function;  // a symbol that only that thread's backtrace holds
};

struct Crash {
  int signal;
  const char* name;
  const Thread* thread;
  TempFolder folder;
  pid_t pid = -1;
  int status = 0;
  bool reaped = false;
  // A daemon left running by a failed check is ended with the test.
  ~Crash() {
    if (pid <= 0 || reaped) return;
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
  }
};

const Thread kThreads[] = {
    {"main", 0, "klcontrol_serve"},
    {"timer", 1, "KeltoTimer"},
    {"worker", 2, "threadLoop"},
};

const std::pair<int, const char*> kSignals[] = {
    {SIGSEGV, "SIGSEGV"}, {SIGBUS, "SIGBUS"}, {SIGFPE, "SIGFPE"}, {SIGILL, "SIGILL"}, {SIGABRT, "SIGABRT"},
};

void expectInOrder(const std::string& report, std::initializer_list<std::string> parts) {
  size_t at = 0;
  for (const std::string& part : parts) {
    const size_t found = report.find(part, at);
    ASSERT_NE(found, std::string::npos) << "missing after offset " << at << ": [" << part << "]\n" << report;
    at = found + part.size();
  }
}

// The report's layout is the common library's; here it is whole, from the daemon, and from the thread.
void expectCompleteReport(const Crash& crash) {
  const std::string name = std::string("crash_report_") + program_invocation_short_name + ".log";
  const std::string report = crash.folder.read(name);
  expectInOrder(
      report, {"\tKL CRASH HANDLER (Opts: 0x0F0001FF)\n", "      Process ID: " + std::to_string(crash.pid),
               std::string("          Signal: ") + crash.name + "\n", " Backtrace (", crash.thread->function,
               " Open files:\n", "\tsock\tsocket:[", " Status: \n", " Maps: \n   "});
  EXPECT_EQ(report.substr(report.size() - 2), "\n\n");
  EXPECT_NE(crash.folder.read("stdout").find(" Backtrace ("), std::string::npos);
}

TEST(DaemonCrashReport, EachSignalOnEachThreadEndsTheDaemonWithACompleteReport) {
#ifdef KL_THREAD_SANITIZER
  // ThreadSanitizer adds a thread of its own and defers signals sent to a thread.
  GTEST_SKIP() << "signals on chosen threads are not testable under ThreadSanitizer";
#endif
  if (klTestEmulated()) GTEST_SKIP() << "the emulator's /proc does not tell the daemon's threads apart";
  std::vector<std::unique_ptr<Crash>> crashes;
  for (const Thread& thread : kThreads) {
    for (const auto& signal : kSignals) {
      crashes.emplace_back(new Crash{signal.first, signal.second, &thread, {}});
      Crash& crash = *crashes.back();
      fflush(stdout);
      crash.pid = fork();
      if (crash.pid == 0) runDaemonChild(crash.folder.path());
      ASSERT_GT(crash.pid, 0);
    }
  }
  for (auto& crash : crashes) {
    SCOPED_TRACE(std::string(crash->name) + " on the " + crash->thread->name + " thread");
    const pid_t pid = crash->pid;
    std::vector<pid_t> roles;
    const std::string tcpTable = "/proc/" + std::to_string(pid) + "/net/tcp";
    ASSERT_TRUE(waitUntil(
        [&] {
          return klPortListens(KLCONTROL_NOTIFICATION_PORT, tcpTable) && !(roles = threadRoles(pid)).empty();
        },
        std::chrono::seconds(30)));
    const pid_t tid = roles[crash->thread->index];
    ASSERT_EQ(syscall(SYS_tgkill, pid, tid, crash->signal), 0);
  }
  for (auto& crash : crashes) {
    SCOPED_TRACE(std::string(crash->name) + " on the " + crash->thread->name + " thread");
    Crash& c = *crash;
    c.reaped =
        waitUntil([&c] { return waitpid(c.pid, &c.status, WNOHANG) == c.pid; }, std::chrono::seconds(20));
    EXPECT_TRUE(c.reaped) << "the crash handler hung";
    if (!c.reaped) continue;
    ASSERT_TRUE(WIFSIGNALED(c.status)) << "status " << c.status;
    EXPECT_EQ(WTERMSIG(c.status), c.signal);
    expectCompleteReport(c);
  }
}

}  // namespace
