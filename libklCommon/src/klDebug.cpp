#include "klDebug.h"

#include <syslog.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>

#include "klLogOutput.h"

uint32_t g_debug_level = 0x00285420;
uint32_t g_debug = 0x30000000;
const char* g_debug_log_path = "/tmp/fuse_d/wifi_log.txt";

namespace {

// Long enough for any library line; longer text is cut rather than split.
constexpr size_t kLineSize = 1024;

struct FileCloser {
  void operator()(FILE* f) const { fclose(f); }
};

void timestamp(char* out, size_t size) {
  time_t now = time(nullptr);
  struct tm local;
  localtime_r(&now, &local);
  if (strftime(out, size, "%b%d %H:%M:%S", &local) == 0) out[0] = '\0';
}

void appendToLogFile(const char* stamp, const char* line) {
  std::unique_ptr<FILE, FileCloser> file(fopen(g_debug_log_path, "a+"));
  // The log folder may not exist (no card): the file copy is optional.
  if (!file) return;
  fprintf(file.get(), "%s %s", stamp, line);
}

void emit(const char* line) {
  uint32_t level = g_debug_level;
  if (level & (KLDBG_TO_STDOUT | KLDBG_TO_FILE)) {
    char stamp[32];
    timestamp(stamp, sizeof stamp);
    if (level & KLDBG_TO_STDOUT) {
      char stamped[kLineSize + sizeof stamp];
      snprintf(stamped, sizeof stamped, "%s %s", stamp, line);
      klLogPrint(stamped);
    }
    if (level & KLDBG_TO_FILE) appendToLogFile(stamp, line);
  }
  klLogSend(LOG_DEBUG, line, KL_LOG_COPY_STDERR | KL_LOG_COPY_CONSOLE);
}

void emitv(char* line, size_t used, const char* format, va_list args) {
  vsnprintf(line + used, kLineSize - used, format, args);
  emit(line);
}

}  // namespace

bool kldbg_above(unsigned threshold) {
  return (g_debug_level & 0xFFu) > threshold;
}

void kldbg_printf(const char* format, ...) {
  char line[kLineSize];
  va_list args;
  va_start(args, format);
  emitv(line, 0, format, args);
  va_end(args);
}

void kldbg_trace(unsigned threshold, const char* function, int line, const char* format, ...) {
  if (!kldbg_above(threshold)) return;
  char text[kLineSize];
  int used = snprintf(text, sizeof text, "[%16s:%4d] ", function, line);
  if (used < 0 || static_cast<size_t>(used) >= sizeof text) return;
  va_list args;
  va_start(args, format);
  emitv(text, static_cast<size_t>(used), format, args);
  va_end(args);
}

void kl_assert_fail(const char* file, const char* function, int line, const char* expression) {
  if (kldbg_above(7)) kldbg_printf("\033[31mASSERT:%s/%s:%d:%s\n\033[0m", file, function, line, expression);
  exit(-1);
}
