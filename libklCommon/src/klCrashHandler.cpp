#include "klCrashHandler.h"

#include <execinfo.h>
#include <unistd.h>

#include <cerrno>
#include <cfenv>
#include <cstring>
#include <memory>
#include <new>

#include "klCrashReport.h"

const char* g_crash_report_format = "/tmp/crash_report_%s.log";

namespace {

uint32_t s_options = 0;

struct HandledSignal {
  uint32_t bit;
  int number;
};

// Registration order; SIGFPE last because its exceptions are enabled just before.
constexpr HandledSignal HANDLED_SIGNALS[] = {
    {KLCH_SIGSEGV, SIGSEGV}, {KLCH_SIGILL, SIGILL},      {KLCH_SIGBUS, SIGBUS},       {KLCH_SIGTERM, SIGTERM},
    {KLCH_SIGABRT, SIGABRT}, {KLCH_SIGINT_QUIT, SIGINT}, {KLCH_SIGINT_QUIT, SIGQUIT}, {KLCH_SIGFPE, SIGFPE},
};

void print_failure(const char* what, int result) {
  printf("\033[31mklch(%s): failed %s (ret:%d)\n\033[0m", program_invocation_short_name, what, result);
}

// The handler's own stack; a crash may come at any time, even during exit, so it is never freed.
// Volatile: the optimiser drops a pointer that is only written, and the kept stack then looks leaked.
char* volatile s_alternate_stack = nullptr;

// A stack overflow leaves no stack to report on, so the handler gets its own.
int set_alternate_stack() {
  std::unique_ptr<char[]> memory(new (std::nothrow) char[KLCH_ALT_STACK_SIZE]);
  if (!memory) return ENOMEM;
  stack_t stack{};
  stack.ss_sp = memory.get();
  stack.ss_size = KLCH_ALT_STACK_SIZE;
  int result = sigaltstack(&stack, nullptr);
  if (result != 0) {
    print_failure("running sigaltstack()", result);
    return result;
  }
  s_alternate_stack = memory.release();
  return 0;
}

int register_handlers(uint32_t options, const struct sigaction& action) {
  for (const auto& handled : HANDLED_SIGNALS) {
    if (!(options & handled.bit)) continue;
    if (handled.number == SIGFPE) klch_prepare_fpe(options);
    int result = sigaction(handled.number, &action, nullptr);
    if (result != 0) {
      printf("\033[31mklch(%s): failed registering %s (ret: %d)\n\033[0m", program_invocation_short_name,
             klch_signal_name(handled.number), result);
      return result;
    }
  }
  return 0;
}

// The report file named after the program; null on failure, with errno (or ENAMETOOLONG) in error.
KlchFile open_report(char* path, size_t size, int* error) {
  int length = snprintf(path, size, g_crash_report_format, program_invocation_short_name);
  if (length < 0 || static_cast<size_t>(length) >= size) {
    *error = ENAMETOOLONG;
    return nullptr;
  }
  KlchFile file(fopen(path, "w+"));
  if (!file) *error = errno;
  return file;
}

void write_report_file_line(FILE* out, uint32_t options, const char* path, int open_error) {
  if (!(options & KLCH_TO_FILE))
    fputs("     Report file: STDOUT\n", out);
  else if (open_error)
    fprintf(out, "     Report file: STDOUT (failed to open '%s' err:%d)\n", path, open_error);
  else
    fprintf(out, "     Report file: %s\n", path);
}

void copy_to_stdout(FILE* file) {
  rewind(file);
  char chunk[128];
  size_t size;
  while ((size = fread(chunk, 1, sizeof chunk, file)) > 0) fwrite(chunk, 1, size, stdout);
  fflush(stdout);
}

// Ends the process the way the signal would have without the handler (with a core dump where due).
[[noreturn]] void reraise(int signal) {
  struct sigaction default_action {};
  default_action.sa_handler = SIG_DFL;
  sigaction(signal, &default_action, nullptr);
  // The signal is blocked while its handler runs; unblocked, raise delivers it at once.
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, signal);
  pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
  raise(signal);
  // Only for a signal whose default action leaves the process running.
  _exit(128 + signal);
}

}  // namespace

int klch_install_crash_handler(uint32_t options) {
  if (s_options) return KLCH_ALREADY_INSTALLED;
  if (options & KLCH_ALT_STACK) {
    int result = set_alternate_stack();
    if (result != 0) return result;
  }
  struct sigaction action {};
  action.sa_sigaction = klch_crash_handler;
  action.sa_flags = SA_SIGINFO | SA_ONSTACK;
  int result = sigemptyset(&action.sa_mask);
  if (result != 0) {
    print_failure("running sigemptyset()", result);
    return result;
  }
  // The first backtrace loads the unwinder; in the handler that would allocate on a possibly broken heap.
  void* frame;
  backtrace(&frame, 1);
  result = register_handlers(options, action);
  if (result != 0) return result;
  s_options = options;
  return 0;
}

uint32_t klch_get_opts() {
  return s_options;
}

int klch_prepare_fpe(uint32_t options) {
  static const struct {
    uint32_t bit;
    int exception;
  } exceptions[] = {{KLCH_FE_DIVBYZERO, FE_DIVBYZERO},
                    {KLCH_FE_OVERFLOW, FE_OVERFLOW},
                    {KLCH_FE_UNDERFLOW, FE_UNDERFLOW},
                    {KLCH_FE_INVALID, FE_INVALID},
                    {KLCH_FE_INEXACT, FE_INEXACT}};
  int enable = 0;
  for (const auto& entry : exceptions)
    if (options & entry.bit) enable |= entry.exception;
  return feenableexcept(enable);
}

void klch_crash_handler(int signal, siginfo_t* info, void* /*context*/) {
  const uint32_t options = s_options;
  char path[256] = "";
  int open_error = 0;
  KlchFile file;
  if (options & KLCH_TO_FILE) file = open_report(path, sizeof path, &open_error);
  FILE* out = file ? file.get() : stdout;
  klch_write_banner(out, options);
  write_report_file_line(out, options, path, open_error);
  klch_write_process(out);
  klch_write_signal(out, signal, info);
  klch_backtrace(out);
  klch_write_open_files(out);
  if ((options & KLCH_COPY_STDOUT) && file) copy_to_stdout(file.get());
  if (options & KLCH_STATUS_MAPS) {
    klch_write_text_file(out, "Status: ", "/proc/self/status");
    klch_write_text_file(out, "Maps: ", "/proc/self/maps");
  }
  // Buffered output would not survive the re-raised signal.
  fflush(stdout);
  file.reset();
  reraise(signal);
}
