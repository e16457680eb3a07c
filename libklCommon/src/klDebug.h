// The library debug channel of libklCommon: standard output, the log file and syslog.
#pragma once
#include <cstdint>

// Low byte: verbosity; bit 8 message trace; bit 9 full hex dumps; bit 12 crash-handler start-up line;
// bit 29 append to the log file; bit 30 print on standard output.
extern uint32_t g_debug_level;
// Trace mask: one bit per message direction.
extern uint32_t g_debug;

constexpr uint32_t KLDBG_TRACE_MSGS = 0x100;
constexpr uint32_t KLDBG_FULL_HEXDUMP = 0x200;
constexpr uint32_t KLDBG_CRASH_HANDLER_LINE = 0x1000;
constexpr uint32_t KLDBG_TO_FILE = 0x20000000;
constexpr uint32_t KLDBG_TO_STDOUT = 0x40000000;

// "/tmp/fuse_d/wifi_log.txt" by default; tests point it elsewhere.
extern const char* g_debug_log_path;

// True when the verbosity byte of g_debug_level is above the line's threshold.
bool kldbg_above(unsigned threshold);

// Emits one debug line unconditionally: timestamped on standard output and in the log file when
// their bits are set, and without the timestamp to syslog at LOG_DEBUG, copied on standard error (and
// on the console when no logger is reached). No output is waited for.
void kldbg_printf(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Emits "[%16s:%4d] " + text when the verbosity is above the threshold.
void kldbg_trace(unsigned threshold, const char* function, int line, const char* format, ...)
    __attribute__((format(printf, 4, 5)));

// Writes the assertion line (when the verbosity is above 7) and ends the process with status -1.
[[noreturn]] void kl_assert_fail(const char* file, const char* function, int line, const char* expression);

// Asserts a caller contract; the text is what the assertion line shows.
#define KL_ASSERT_TEXT(condition, text)                                     \
  do {                                                                      \
    if (!(condition)) kl_assert_fail(__FILE__, __func__, __LINE__, (text)); \
  } while (0)
#define KL_ASSERT(condition) KL_ASSERT_TEXT(condition, #condition)
