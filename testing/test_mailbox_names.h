// Queue names private to one test process, removed again when the test ends.
#pragma once
#include <mqueue.h>
#include <unistd.h>

#include <deque>
#include <string>

class TestMailboxNames {
 public:
  TestMailboxNames() = default;
  ~TestMailboxNames() {
    for (const std::string& name : mNames) mq_unlink(name.c_str());
  }
  TestMailboxNames(const TestMailboxNames&) = delete;
  TestMailboxNames& operator=(const TestMailboxNames&) = delete;

  // "/kl_test_<pid>_<tag>"; the returned string lives as long as this object.
  const char* make(const std::string& tag) {
    mNames.push_back("/kl_test_" + std::to_string(getpid()) + "_" + tag);
    return mNames.back().c_str();
  }

 private:
  std::deque<std::string> mNames;  // grows without moving the strings handed out
};
