// The daemon's process set-up, each case in a forked child: the crash handler and daemonisation.
#include "klCrashHandler.h"

#include <gtest/gtest.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <regex>
#include <string>

#include "klDaemonInit.h"
#include "temp_folder.h"
#include "test_process.h"
#include "test_sanitizers.h"

#ifdef KL_THREAD_SANITIZER
// The handler writes its report with stdio from inside the signal, knowingly: the process ends right
// after. ThreadSanitizer would report each of those calls and end the child before its report.
extern "C" const char* __tsan_default_options() {
  return "report_signal_unsafe=0";
}
#endif

namespace {

constexpr uint32_t DAEMON_OPTIONS = 0x0F0001FF;
const std::string SEPARATOR =
    " - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - - -\n";

// Hides a value from the optimiser, so that the fault below it is not folded away.
template <typename T>
T opaque(T value) {
  asm volatile("" : "+m"(value));
  return value;
}

// The faults are real ones; UBSan would otherwise report them first and end the child its own way.
__attribute__((noinline, no_sanitize("undefined"))) void write_through_null() {
  *opaque<volatile int*>(nullptr) = 1;
}
// Other processors return a value instead of trapping on divisions by zero.
#if defined(__x86_64__) || defined(__i386__)
#define KL_DIVISION_TRAPS 1
__attribute__((noinline, no_sanitize("undefined"))) void divide_integer_by_zero() {
  volatile int quotient = opaque(1) / opaque(0);
  (void)quotient;
}
__attribute__((noinline, no_sanitize("undefined"))) void divide_float_by_zero() {
  volatile double quotient = opaque(1.0) / opaque(0.0);
  (void)quotient;
}
#endif
__attribute__((noinline)) int overflow_stack(int depth) {
  volatile char frame[512] = {};
  return depth == 0 ? frame[0] : overflow_stack(depth + 1) + frame[1];
}
void terminate_self() {
  kill(getpid(), SIGTERM);
}

// The report file's name in its folder.
const std::string REPORT_NAME = std::string("crash_report_") + program_invocation_short_name + ".log";

// Installs the handler in a fresh child, reporting into the folder, runs the fault there and expects
// the child to end by the signal. Under the sanitizers the installation replaces their own SIGSEGV
// and SIGFPE handlers, as it does in the daemon, so the child needs no sanitizer options.
ChildResult crash_child(uint32_t options, const std::string& folder, void (*fault)(), int signal) {
  const std::string format = folder + "/crash_report_%s.log";
  ChildResult child = run_in_child([&] {
    // A core file per test case would pile up in the working folder.
    const rlimit no_core{0, 0};
    setrlimit(RLIMIT_CORE, &no_core);
    g_crash_report_format = format.c_str();
    if (klch_install_crash_handler(options) != 0) _exit(2);
    fault();
    _exit(3);
  });
  EXPECT_TRUE(WIFSIGNALED(child.status) && WTERMSIG(child.status) == signal)
      << "status " << child.status << "\n"
      << child.output;
  return child;
}

// Checks that the parts appear in the report in this order.
void expect_in_order(const std::string& report, std::initializer_list<std::string> parts) {
  size_t at = 0;
  for (const auto& part : parts) {
    size_t found = report.find(part, at);
    ASSERT_NE(std::string::npos, found) << "missing after offset " << at << ": [" << part << "]\n" << report;
    at = found + part.size();
  }
}

struct CrashCase {
  const char* name;
  void (*fault)();
  int signal;
  std::string signal_lines;
};

const CrashCase CRASH_CASES[] = {
    {"null write", write_through_null, SIGSEGV,
     "          Signal: SIGSEGV\n    Signal errno: 0\n     Signal code: 1 (Address not mapped to object)\n"
     "   Fault address: (nil)\n\n"},
    {"stack overflow", [] { overflow_stack(1); }, SIGSEGV, "          Signal: SIGSEGV\n"},
#ifdef KL_DIVISION_TRAPS
    {"integer division", divide_integer_by_zero, SIGFPE,
     "          Signal: SIGFPE\n    Signal errno: 0\n     Signal code: 1 (Integer divide by zero)\n"},
    {"float division", divide_float_by_zero, SIGFPE,
     "          Signal: SIGFPE\n    Signal errno: 0\n     Signal code: 3 (Floating point divide by zero)\n"},
#endif
    {"termination", terminate_self, SIGTERM,
     "          Signal: SIGTERM\n    Signal errno: 0\n     Signal code: 0 (unknown)\n"},
};

TEST(klchCrashReport, DaemonOptionsWriteTheWholeReportAndEndByTheSignal) {
  for (const auto& c : CRASH_CASES) {
    SCOPED_TRACE(c.name);
    TempFolder folder;
    const std::string path = folder.path() + "/" + REPORT_NAME;
    const ChildResult child = crash_child(DAEMON_OPTIONS, folder.path(), c.fault, c.signal);
    const std::string report = folder.read(REPORT_NAME);
    EXPECT_EQ(0u, report.find("\n" + SEPARATOR + "\tKL CRASH HANDLER (Opts: 0x0F0001FF)\n" + SEPARATOR));
    expect_in_order(report,
                    {"     Report file: " + path + "\n", "       Date/Time: ",
                     std::string("\n         Program: ") + program_invocation_short_name + "\n",
                     "      Process ID: ", " (Parent: " + std::to_string(getpid()) + ")\n\n", c.signal_lines,
                     SEPARATOR + " Backtrace (", SEPARATOR + " Open files:\n", "\tfile\t" + path + "\n",
                     "\n" + SEPARATOR + " Status: \n   Name:\t", "\n\n" + SEPARATOR + " Maps: \n   "});
    std::smatch frames;
    ASSERT_TRUE(std::regex_search(
        report, frames,
        std::regex(" Backtrace \\(([0-9]+) frames\\):\n((   #[0-9]+\t0x[0-9a-f]+\t.*\n){1,16})\n")));
    EXPECT_EQ(std::stoi(frames[1]), std::count(frames[2].first, frames[2].second, '\n'));
    // Standard output is the test's pipe.
    EXPECT_NE(std::string::npos, report.find("   #1\tfifo\tpipe:["));
    EXPECT_EQ("\n\n", report.substr(report.size() - 2));
    // The copy on standard output is the report up to its status section.
    EXPECT_EQ(report.substr(0, report.find(SEPARATOR + " Status: ")), child.output);
  }
}

// The status and maps sections follow their option.
TEST(klchCrashReport, GoesToStandardOutputWithoutAFile) {
  const struct {
    const char* folder;
    uint32_t options;
    const char* file_line;
  } cases[] = {// A missing folder rather than a read-only one: root writes into read-only folders.
               {"/missing", DAEMON_OPTIONS, "     Report file: STDOUT (failed to open '%s' err:2)\n"},
               {"", KLCH_SIGTERM, "     Report file: STDOUT\n"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.options);
    TempFolder folder;
    const ChildResult child = crash_child(c.options, folder.path() + c.folder, terminate_self, SIGTERM);
    char line[512];
    snprintf(line, sizeof line, c.file_line, (folder.path() + c.folder + "/" + REPORT_NAME).c_str());
    expect_in_order(child.output,
                    {"\tKL CRASH HANDLER", line, "          Signal: SIGTERM\n", " Open files:\n"});
    EXPECT_EQ((c.options & KLCH_STATUS_MAPS) != 0, child.output.find(" Maps: \n") != std::string::npos);
  }
}

TEST(klchInstall, SecondInstallationIsRefusedAndChangesNothing) {
  ChildResult child = run_in_child([] {
    uint32_t before = klch_get_opts();
    int first = klch_install_crash_handler(KLCH_SIGTERM | KLCH_ALT_STACK);
    int second = klch_install_crash_handler(DAEMON_OPTIONS);
    struct sigaction segv;
    sigaction(SIGSEGV, nullptr, &segv);
    stack_t stack;
    sigaltstack(nullptr, &stack);
    printf("%u %d %d 0x%08X %d %zu", before, first, second, klch_get_opts(),
           segv.sa_sigaction == klch_crash_handler, stack.ss_size);
  });
  ASSERT_TRUE(WIFEXITED(child.status));
  EXPECT_EQ("0 0 114 0x02000004 0 13120", child.output);
}

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

// Run in a grandchild of a new PID namespace, whose parent is therefore process 1 there; skipped when
// the system refuses one, even through a user namespace.
TEST(daemon_init_ext, UnderProcessOneChangesNothing) {
  const auto body = [] {
    set_distinct_state();
    const std::string before = process_state();
    const int result = daemon_init_ext(1);
    const std::string after = process_state();
    printf("ppid=%d result=%d %s", getppid(), result,
           before == after ? "same" : (before + " -> " + after).c_str());
  };
  ChildResult child = run_in_child([&] {
    if (unshare(CLONE_NEWPID) != 0 && unshare(CLONE_NEWUSER | CLONE_NEWPID) != 0)
      printf("no PID namespace (%s)", strerror(errno));
    else
      printf("%s", run_in_child([&] { printf("%s", run_in_child(body).output.c_str()); }).output.c_str());
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
