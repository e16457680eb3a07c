// Crash reports for fatal signals, and classic daemonisation.
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

// "/tmp/crash_report_%s.log" by default; tests point it elsewhere.
extern const char* g_crash_report_format;

// 0, 114 when already installed, 12 when the alternate stack cannot be allocated, else the failing call's result.
int klch_install_crash_handler(uint32_t options);
uint32_t klch_get_opts();
[[noreturn]] void klch_crash_handler(int signal, siginfo_t* info, void* context);
void klch_backtrace(FILE* stream);
int klch_prepare_fpe(uint32_t options);

int daemon_init_ext(int allowCore);
int daemon_init();
