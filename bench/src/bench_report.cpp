#include "bench_report.h"

#include <cstdarg>
#include <cstdio>

std::string benchText(const char* format, ...) {
  char text[256];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  return text;
}

void BenchReport::line(const std::string& name, const std::string& value, const std::string& goal,
                       const char* verdict) {
  mOut << benchText("%-50s %-32s %-22s %s\n", name.c_str(), value.c_str(), goal.c_str(), verdict)
       << std::flush;
}

void BenchReport::figure(const std::string& name, const std::string& value) {
  line(name, value, "", "");
}

void BenchReport::goal(const std::string& name, const std::string& value, const std::string& goal, bool met) {
  if (!met) ++mMisses;
  line(name, value, goal, met ? "PASS" : "MISS");
}

void BenchReport::failed(const std::string& name, const std::string& why) {
  ++mFailures;
  line(name, why, "", "FAILED");
}
