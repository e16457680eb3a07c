#include "klCrashReport.h"

#include <dirent.h>
#include <execinfo.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>

#include "klCrashHandler.h"

namespace {

constexpr int MAX_FRAMES = 16;

struct SignalCodeTexts {
  int signal;
  const char* const* texts;
  int count;
};

const char* const SEGV_CODES[] = {"Address not mapped to object", "Invalid permissions for mapped object"};
const char* const ILL_CODES[] = {"Illegal opcode",    "Illegal operand",     "Illegal addressing mode",
                                 "Illegal trap",      "Privileged opcode",   "Privileged register",
                                 "Coprocessor error", "Internal stack error"};
const char* const FPE_CODES[] = {"Integer divide by zero",           "Integer overlow",
                                 "Floating point divide by zero",    "Floating point overflow",
                                 "Floating point underflow",         "Floating point inexact result",
                                 "Floating point invalid operation", "Subscript out of range"};
const SignalCodeTexts CODE_TABLES[] = {
    {SIGSEGV, SEGV_CODES, 2}, {SIGILL, ILL_CODES, 8}, {SIGFPE, FPE_CODES, 8}};

struct DirCloser {
  void operator()(DIR* dir) const { closedir(dir); }
};

// stat follows the descriptor's link to the object itself, so a pipe shows as a pipe.
const char* file_type_word(const char* fd_path) {
  struct stat st;
  if (stat(fd_path, &st) != 0) return "unkn";
  switch (st.st_mode & S_IFMT) {
    case S_IFREG:
      return "file";
    case S_IFDIR:
      return "dir";
    case S_IFCHR:
      return "devc";
    case S_IFBLK:
      return "devb";
    case S_IFIFO:
      return "fifo";
    case S_IFLNK:
      return "sym";
    case S_IFSOCK:
      return "sock";
    default:
      return "?";
  }
}

void write_descriptor(FILE* out, const char* name) {
  char fd_path[32];
  int length = snprintf(fd_path, sizeof fd_path, "/proc/self/fd/%s", name);
  if (length < 0 || length >= static_cast<int>(sizeof fd_path)) {
    fprintf(out, "   #%s\t???\n", name);
    return;
  }
  // Longer targets are cut: the stack may be the small alternate one.
  char target[512];
  ssize_t size = readlink(fd_path, target, sizeof target - 1);
  if (size < 0) {
    fprintf(out, "   #%s\treadlink failed %d\n", name, errno);
    return;
  }
  target[size] = '\0';
  fprintf(out, "   #%s\t%s\t%s\n", name, file_type_word(fd_path), target);
}

}  // namespace

const char* klch_signal_name(int signal) {
  static const struct {
    int number;
    const char* name;
  } names[] = {{SIGSEGV, "SIGSEGV"}, {SIGILL, "SIGILL"},   {SIGBUS, "SIGBUS"},
               {SIGFPE, "SIGFPE"},   {SIGTERM, "SIGTERM"}, {SIGABRT, "SIGABRT"},
               {SIGINT, "SIGINT"},   {SIGQUIT, "SIGQUIT"}, {SIGKILL, "SIGKILL"}};
  for (const auto& entry : names)
    if (entry.number == signal) return entry.name;
  return "UNKNOWN";
}

const char* klch_signal_code_text(int signal, int code) {
  for (const auto& table : CODE_TABLES)
    if (table.signal == signal && code >= 1 && code <= table.count) return table.texts[code - 1];
  return "unknown";
}

void klch_write_separator(FILE* out) {
  for (int i = 0; i < 40; ++i) fputs(" -", out);
  fputc('\n', out);
}

void klch_write_banner(FILE* out, uint32_t options) {
  fputc('\n', out);
  klch_write_separator(out);
  fprintf(out, "\tKL CRASH HANDLER (Opts: 0x%.8X)\n", options);
  klch_write_separator(out);
}

void klch_write_process(FILE* out) {
  char date[64] = "";
  time_t now = time(nullptr);
  struct tm local;
  if (localtime_r(&now, &local)) strftime(date, sizeof date, "%x %H:%M:%S", &local);
  fprintf(out, "       Date/Time: %s\n", date);
  fprintf(out, "         Program: %s\n", program_invocation_short_name);
  fprintf(out, "      Process ID: %d (Parent: %d)\n", getpid(), getppid());
  fputc('\n', out);
}

void klch_write_signal(FILE* out, int signal, const siginfo_t* info) {
  const siginfo_t none{};
  if (!info) info = &none;
  fprintf(out, "          Signal: %s\n", klch_signal_name(signal));
  fprintf(out, "    Signal errno: %d\n", info->si_errno);
  fprintf(out, "     Signal code: %d (%s)\n", info->si_code, klch_signal_code_text(signal, info->si_code));
  fprintf(out, "   Fault address: %p\n", info->si_addr);
  fputc('\n', out);
}

void klch_backtrace(FILE* stream) {
  void* frames[MAX_FRAMES];
  int count = backtrace(frames, MAX_FRAMES);
  char** symbols = backtrace_symbols(frames, count);
  klch_write_separator(stream);
  fputs(" Backtrace ", stream);
  fprintf(stream, "(%d frames):\n", count);
  for (int i = 0; i < count; ++i) {
    fprintf(stream, "   #%d\t%p\t%s\n", i, frames[i], symbols ? symbols[i] : "?");
    // Each frame reaches the file even if a later step faults again.
    fflush(stream);
  }
  fputc('\n', stream);
  free(symbols);
}

void klch_write_open_files(FILE* out) {
  static const char DIR_PATH[] = "/proc/self/fd";
  klch_write_separator(out);
  fputs(" Open files:\n", out);
  std::unique_ptr<DIR, DirCloser> dir(opendir(DIR_PATH));
  if (!dir) {
    fprintf(out, "   ! Could not open %s (%d)\n", DIR_PATH, errno);
  } else {
    // procfs fills d_type, so the links are known without another call.
    while (dirent* entry = readdir(dir.get()))
      if (entry->d_type == DT_LNK) write_descriptor(out, entry->d_name);
  }
  fputc('\n', out);
  fflush(out);
}

void klch_write_text_file(FILE* out, const char* title, const char* path) {
  klch_write_separator(out);
  fprintf(out, " %s\n", title);
  KlchFile in(fopen(path, "r"));
  if (!in) fprintf(out, "   -> could not open '%s' (%d)\n", path, errno);
  char chunk[256];
  bool line_start = true;
  // A line longer than the chunk keeps a single indent.
  while (in && fgets(chunk, sizeof chunk, in.get())) {
    if (line_start) fputs("   ", out);
    fputs(chunk, out);
    line_start = strchr(chunk, '\n') != nullptr;
  }
  fputc('\n', out);
}
