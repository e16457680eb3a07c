// Test helper for asynchronous code: polls a condition until it holds or a time-out passes.
#pragma once

#include <chrono>
#include <thread>

// True as soon as condition() holds; false when it still does not after timeout. The condition is
// looked at every step.
template <typename Condition>
bool waitUntil(Condition condition, std::chrono::steady_clock::duration timeout = std::chrono::seconds(5),
               std::chrono::steady_clock::duration step = std::chrono::milliseconds(2)) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(step);
  }
  return true;
}
