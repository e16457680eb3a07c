// Status members that move on their own on a real camera, second by second: the battery drains
// (faster while recording), a recording grows while the card's remaining room and video time shrink,
// and the temperature rises while recording and falls back when idle. They are the slowly moving
// statuses that change polling compares once a second.
#pragma once
#include <chrono>
#include <cstdint>

class SimCamera;

class SimDrift {
 public:
  using Clock = std::chrono::steady_clock;

  // Drifting with the clock from now when running, else only on request.
  explicit SimDrift(bool running);

  bool running() const { return mRunning; }
  // Starts or stops following the clock; a start counts from now.
  void setRunning(bool running);
  // Applies the whole seconds that passed since the last catch-up, while running.
  void catchUp(SimCamera& camera);
  // Moves the camera on by seconds at once, running or not.
  void advance(SimCamera& camera, unsigned seconds);

 private:
  void tick(SimCamera& camera);

  bool mRunning;
  Clock::time_point mLast;
  uint64_t mSeconds = 0;  // seconds of drift applied so far; paces the slower changes
};
