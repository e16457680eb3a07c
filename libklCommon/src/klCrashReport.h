// The sections of a crash report, each written to the report stream in the order the reader sees them.
#pragma once
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <memory>

struct KlchFileCloser {
  void operator()(FILE* file) const { fclose(file); }
};
// A stdio file closed on every path.
using KlchFile = std::unique_ptr<FILE, KlchFileCloser>;

// "SIGSEGV" and the other names a report shows; "UNKNOWN" for any other signal.
const char* klch_signal_name(int signal);

// The text of a signal code, "unknown" where the signal has no table or the code is not in it.
const char* klch_signal_code_text(int signal, int code);

// A line of " -" repeated 40 times.
void klch_write_separator(FILE* out);

// The empty line, separator, title with the options word and the closing separator.
void klch_write_banner(FILE* out, uint32_t options);

// Date and time, program, process and parent ids, then an empty line.
void klch_write_process(FILE* out);

// Signal name, errno, code with its text and fault address; info may be null when called by hand.
void klch_write_signal(FILE* out, int signal, const siginfo_t* info);

// One line per open descriptor: number, type word and link target.
void klch_write_open_files(FILE* out);

// A titled section with every line of a text file such as "/proc/self/status".
void klch_write_text_file(FILE* out, const char* title, const char* path);
