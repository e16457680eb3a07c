#include "klLog.h"

#include <syslog.h>

#include <atomic>
#include <cstdarg>
#include <cstdio>

#include "klDebug.h"
#include "klLogOutput.h"

std::atomic<int> g_logLevel{UTIL_LOG_ERROR};

namespace {

// Padded to 14 characters so that messages line up.
const char* const kLevelNames[] = {
    "UTIL_LOG_OFF  ", "UTIL_LOG_FATAL", "UTIL_LOG_ERROR", "UTIL_LOG_WARN ",
    "UTIL_LOG_DEBUG", "UTIL_LOG_INFO ", "UTIL_LOG_TRACE",
};

constexpr int kLineSize = 441;
// The message ends before this byte; a cut message keeps its suffix from here on.
constexpr int kMessageEnd = 350;
constexpr int kCutSuffixAt = kMessageEnd - 1;

// Appends " @file:line" at suffix, or a single blank when it does not fit in room.
void writeSuffix(char* suffix, int room, const char* file, int line) {
  int n = snprintf(suffix, static_cast<size_t>(room), " @%s:%d", file, line);
  if (n < 0 || n >= room) {
    suffix[0] = ' ';
    suffix[1] = '\0';
  }
}

}  // namespace

void klUtilKlogMsgLevel(int level, int line, const char* file, const char* format, ...) {
  char text[kLineSize] = {};
  int prefix = snprintf(text, sizeof text, "%s:", klLogLevelName(level));
  va_list args;
  va_start(args, format);
  int message = vsnprintf(text + prefix, static_cast<size_t>(kMessageEnd - prefix), format, args);
  va_end(args);
  if (message >= 0 && message < kMessageEnd - prefix) {
    int end = prefix + message;
    writeSuffix(text + end, kLineSize - 1 - end, file, line);
  } else {
    writeSuffix(text + kCutSuffixAt, kLineSize - 1 - kCutSuffixAt, file, line);
  }
  // To the logger alone: no copy on standard error or the console, whatever the debug channel did.
  klLogSend(LOG_ERR, text, 0);
}

const char* klLogLevelName(int level) {
  KL_ASSERT(level >= UTIL_LOG_OFF && level <= UTIL_LOG_TRACE);
  return kLevelNames[level];
}

void klUtilSetLogLevel(unsigned level) {
  if (level <= UTIL_LOG_TRACE) g_logLevel = static_cast<int>(level);
}
