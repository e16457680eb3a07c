#include "sim_log.h"

#include <cstdarg>
#include <cstdio>

void simLog(const char* format, ...) {
  char line[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(line, sizeof line, format, args);
  va_end(args);
  std::fprintf(stderr, "klCameraSim: %s\n", line);
}
