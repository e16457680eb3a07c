// The daemon logger: one syslog line per call, "LEVELNAME:" + message + " @file:line".
#pragma once

#include <atomic>

// Levels; INFO (5) is more verbose than DEBUG (4).
enum {
  UTIL_LOG_OFF = 0,
  UTIL_LOG_FATAL = 1,
  UTIL_LOG_ERROR = 2,
  UTIL_LOG_WARN = 3,
  UTIL_LOG_DEBUG = 4,
  UTIL_LOG_INFO = 5,
  UTIL_LOG_TRACE = 6,
};

// Threshold: a message of level N is emitted when g_logLevel >= N (tested by the caller). Every
// thread tests it and a command changes it at run time, hence atomic.
extern std::atomic<int> g_logLevel;

// Formats and emits one line whatever the level; level must be 0..6.
void klUtilKlogMsgLevel(int level, int line, const char* file, const char* format, ...)
    __attribute__((format(printf, 4, 5)));

// The level's name as lines carry it, padded to 14 characters; level must be 0..6.
const char* klLogLevelName(int level);

// Stores level in g_logLevel when it is below 7; larger values are ignored.
void klUtilSetLogLevel(unsigned level);

// Logs when the threshold lets the level through, so suppressed arguments are never formatted.
#define KLOG(level, file, ...)                                                             \
  do {                                                                                     \
    if (g_logLevel >= (level)) klUtilKlogMsgLevel((level), __LINE__, (file), __VA_ARGS__); \
  } while (0)
