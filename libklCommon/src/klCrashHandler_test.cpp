#include "klCrashHandler.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <regex>
#include <string>

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
std::string report_name() {
  return std::string("crash_report_") + program_invocation_short_name + ".log";
}

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

int backtrace_frames(const std::string& report) {
  std::smatch match;
  if (!std::regex_search(report, match,
                         std::regex(" Backtrace \\((\\d+) frames\\):\n((   #\\d+\t0x[0-9a-f]+\t.*\n)*)\n")))
    return -1;
  int lines = static_cast<int>(std::count(match[2].first, match[2].second, '\n'));
  return lines == std::stoi(match[1]) ? lines : -1;
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
    const std::string path = folder.path() + "/" + report_name();
    const ChildResult child = crash_child(DAEMON_OPTIONS, folder.path(), c.fault, c.signal);
    const std::string report = folder.read(report_name());
    EXPECT_EQ(0u, report.find("\n" + SEPARATOR + "\tKL CRASH HANDLER (Opts: 0x0F0001FF)\n" + SEPARATOR));
    expect_in_order(report,
                    {"     Report file: " + path + "\n", "       Date/Time: ",
                     std::string("\n         Program: ") + program_invocation_short_name + "\n",
                     "      Process ID: ", " (Parent: " + std::to_string(getpid()) + ")\n\n", c.signal_lines,
                     SEPARATOR + " Backtrace (", SEPARATOR + " Open files:\n", "\tfile\t" + path + "\n",
                     "\n" + SEPARATOR + " Status: \n   Name:\t", "\n\n" + SEPARATOR + " Maps: \n   "});
    EXPECT_GE(backtrace_frames(report), 1);
    EXPECT_LE(backtrace_frames(report), 16);
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
    snprintf(line, sizeof line, c.file_line, (folder.path() + c.folder + "/" + report_name()).c_str());
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

}  // namespace
