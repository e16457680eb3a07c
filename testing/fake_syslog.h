// Test capture of the syslog lines of the daemon logger and the library debug channel.
#pragma once
#include <mutex>
#include <string>
#include <vector>

#include "klLogOutput.h"

// Installs itself as the syslog sink for its lifetime and records every line with its priority.
class FakeSyslog {
 public:
  struct Line {
    int priority;
    std::string text;
  };

  FakeSyslog() {
    std::lock_guard<std::mutex> lock(sMutex);
    sLines.clear();
    klSetSyslogSink(&record);
  }
  ~FakeSyslog() { klSetSyslogSink(nullptr); }
  FakeSyslog(const FakeSyslog&) = delete;
  FakeSyslog& operator=(const FakeSyslog&) = delete;

  std::vector<Line> taken() {
    std::lock_guard<std::mutex> lock(sMutex);
    std::vector<Line> result;
    result.swap(sLines);
    return result;
  }

  // The texts alone, in order.
  std::vector<std::string> texts() {
    std::vector<std::string> result;
    for (const Line& line : taken()) result.push_back(line.text);
    return result;
  }

 private:
  static inline std::mutex sMutex;
  static inline std::vector<Line> sLines;
  static void record(int priority, const char* text) {
    std::lock_guard<std::mutex> lock(sMutex);
    sLines.push_back({priority, text});
  }
};
