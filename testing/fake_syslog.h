// Test capture of the lines of the daemon logger and the library debug channel.
#pragma once
#include <mutex>
#include <string>
#include <vector>

#include "klLogOutput.h"

// Installs itself as the log sink for its lifetime and records the text of every line; the priorities
// and the wire form are the outputs' own tests'.
class FakeSyslog {
 public:
  FakeSyslog() {
    std::lock_guard<std::mutex> lock(sMutex);
    sLines.clear();
    klSetSyslogSink(&record);
  }
  ~FakeSyslog() { klSetSyslogSink(nullptr); }
  FakeSyslog(const FakeSyslog&) = delete;
  FakeSyslog& operator=(const FakeSyslog&) = delete;

  // The texts recorded since the last look, in order.
  std::vector<std::string> texts() {
    std::lock_guard<std::mutex> lock(sMutex);
    std::vector<std::string> result;
    result.swap(sLines);
    return result;
  }

 private:
  static inline std::mutex sMutex;
  static inline std::vector<std::string> sLines;
  static void record(int, const char* text) {
    std::lock_guard<std::mutex> lock(sMutex);
    sLines.push_back(text);
  }
};
