// Crash reports for fatal signals: one installation at start-up, one plain-text report per crash.
#pragma once
#include <csignal>
#include <cstdint>
#include <cstdio>

constexpr uint32_t KLCH_SIGSEGV = 0x1;
constexpr uint32_t KLCH_SIGILL = 0x2;
constexpr uint32_t KLCH_SIGTERM = 0x4;
constexpr uint32_t KLCH_SIGABRT = 0x8;
constexpr uint32_t KLCH_SIGINT_QUIT = 0x10;
constexpr uint32_t KLCH_SIGBUS = 0x20;
constexpr uint32_t KLCH_SIGFPE = 0x80;
constexpr uint32_t KLCH_FE_DIVBYZERO = 0x100;
constexpr uint32_t KLCH_FE_OVERFLOW = 0x200;
constexpr uint32_t KLCH_FE_UNDERFLOW = 0x400;
constexpr uint32_t KLCH_FE_INVALID = 0x800;
constexpr uint32_t KLCH_FE_INEXACT = 0x1000;
constexpr uint32_t KLCH_TO_FILE = 0x1000000;
constexpr uint32_t KLCH_ALT_STACK = 0x2000000;
constexpr uint32_t KLCH_COPY_STDOUT = 0x4000000;
constexpr uint32_t KLCH_STATUS_MAPS = 0x8000000;
constexpr int KLCH_ALT_STACK_SIZE = 13120;

// Result of a second installation.
constexpr int KLCH_ALREADY_INSTALLED = 114;

// "/tmp/crash_report_%s.log" by default (%s: the program's short name); tests point it elsewhere.
extern const char* g_crash_report_format;

// Installs the handler for the signals selected by options: 0, 114 when already installed,
// 12 when the alternate stack cannot be allocated, else the failing call's result.
int klch_install_crash_handler(uint32_t options);

// The installed options word, 0 before installation.
uint32_t klch_get_opts();

// The handler: writes the report, then re-raises the signal with its default action.
[[noreturn]] void klch_crash_handler(int signal, siginfo_t* info, void* context);

// Writes the backtrace section of the report (at most 16 frames) to stream.
void klch_backtrace(FILE* stream);

// Enables the floating-point exceptions selected by bits 8 to 12; returns the previously enabled set.
int klch_prepare_fpe(uint32_t options);
