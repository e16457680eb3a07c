// Where log lines go: the system logger's socket, and copies on standard error, standard output and
// the console. No output is ever waited for: a line an output cannot take at once is dropped and
// counted, and the output is told how many it missed with the next line it takes.
#pragma once

// Copies of a line besides the system logger's.
enum : unsigned {
  KL_LOG_COPY_STDERR = 1,   // "tag: line" on standard error
  KL_LOG_COPY_CONSOLE = 2,  // the same on the console, when no logger can be reached
};

// Sends "<priority>Mmm dd hh:mm:ss tag: line" (facility LOG_USER, the program's short name as tag)
// to the system logger, and makes the copies asked for. With a sink installed, the sink alone gets
// the line.
void klLogSend(int priority, const char* line, unsigned copies);

// Writes the text on standard output as it is.
void klLogPrint(const char* text);

// Lines dropped since the start, over every output.
unsigned long klLogDroppedLines();

// The text that follows the first line an output takes after it dropped some, with their number.
constexpr const char* KL_LOG_DROPPED_NOTE = "%lu lines dropped: the output could not take them at once\n";

// The logger's socket ("/dev/log") and the console ("/dev/console") by default; tests point them
// elsewhere. The next line connects anew.
void klSetLogPaths(const char* socket, const char* console);

// Where lines go instead of the outputs while it is set; tests install a capture.
using klSyslogSink = void (*)(int priority, const char* line);
void klSetSyslogSink(klSyslogSink sink);
