// The simulator's log: one line per event on standard error.
#pragma once

// Writes "klCameraSim: " + the formatted text + a newline to standard error.
void simLog(const char* format, ...) __attribute__((format(printf, 1, 2)));
