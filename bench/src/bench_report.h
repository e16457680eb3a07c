// The printed table of scripts/bench: each figure, its goal and PASS or MISS.
#pragma once
#include <ostream>
#include <string>

// printf into a string.
std::string benchText(const char* format, ...) __attribute__((format(printf, 1, 2)));

class BenchReport {
 public:
  explicit BenchReport(std::ostream& out) : mOut(out) {}
  // A figure without a goal of its own (a baseline, a p99, a throughput).
  void figure(const std::string& name, const std::string& value);
  // A figure with its goal; counts a miss.
  void goal(const std::string& name, const std::string& value, const std::string& goal, bool met);
  // A measurement that could not be made; counted as a failure.
  void failed(const std::string& name, const std::string& why);
  unsigned misses() const { return mMisses; }
  unsigned failures() const { return mFailures; }

 private:
  void line(const std::string& name, const std::string& value, const std::string& goal, const char* verdict);

  std::ostream& mOut;
  unsigned mMisses = 0;
  unsigned mFailures = 0;
};
