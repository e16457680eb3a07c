// The zoom timer: its rules once each, then its life many times over (arm, then cancel, try-cancel under
// the lock its callback takes, expire, or destroy while armed). A callback after a successful cancel, a
// second call for one arming, a missing call after an expiry or a hang is a fault.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "KeltoTimer.h"
#include "load_fixture.h"
#include "wait_until.h"

namespace {

// Stands for the command server: the callback takes the mutex the owner holds while it cancels.
struct Owner {
  std::mutex command;
  std::atomic<int> calls{0};
  static void expire(void* self) {
    auto* owner = static_cast<Owner*>(self);
    owner->calls++;
    std::lock_guard<std::mutex> lock(owner->command);
  }
};

// Re-arming replaces the callback and restarts the period; a cancelled, destroyed or unarmed timer
// never calls.
TEST(KeltoTimer, ArmingAndCancellingRules) {
  Owner first;
  Owner second;
  {
    KeltoTimer timer;
    timer.arm(60000, &Owner::expire, &first);
    timer.arm(20, &Owner::expire, &second);
    ASSERT_TRUE(waitUntil([&] { return second.calls == 1 && !timer.isArmed(); }));
    timer.arm(60000, &Owner::expire, &first);
    timer.cancel();
    EXPECT_FALSE(timer.isArmed());
    timer.arm(0, &Owner::expire, &first);
    EXPECT_FALSE(timer.isArmed());
    timer.arm(60000, &Owner::expire, &first);
  }
  EXPECT_EQ(first.calls, 0);
  EXPECT_EQ(second.calls, 1);
  // While a callback runs the timer thread holds the timer's mutex: try-cancel gives up instead of
  // waiting. The callback spins rather than waiting for a lock the test holds, as arm() must not be
  // called under one.
  struct Spinner {
    std::atomic<int> calls{0};
    std::atomic<bool> release{false};
    static void fire(void* self) {
      auto* spinner = static_cast<Spinner*>(self);
      spinner->calls++;
      while (!spinner->release) std::this_thread::yield();
    }
  } spinner;
  KeltoTimer timer;
  timer.arm(10, &Spinner::fire, &spinner);
  ASSERT_TRUE(waitUntil([&] { return spinner.calls == 1; }));
  EXPECT_FALSE(timer.tryCancel());
  spinner.release = true;
  ASSERT_TRUE(waitUntil([&] { return !timer.isArmed(); }));
  EXPECT_TRUE(timer.tryCancel());
}

enum class End { Cancel, TryCancelUnderLock, Expire, Destroy };

// Runs one cycle; an empty text when the callback count is what the ending allows.
std::string cycle(int period, End end) {
  Owner owner;
  auto timer = std::make_unique<KeltoTimer>();
  timer->arm(period, &Owner::expire, &owner);
  int allowed = 1;  // an expiry that beat the cancel
  switch (end) {
    case End::Cancel:
      timer->cancel();
      allowed = owner.calls;
      break;
    case End::TryCancelUnderLock: {
      std::lock_guard<std::mutex> lock(owner.command);
      if (timer->tryCancel()) allowed = owner.calls;
      break;
    }
    case End::Expire:
      // Steps far below the period, so that ten thousand cycles stay short.
      if (!waitUntil([&] { return owner.calls != 0; }, std::chrono::seconds(5),
                     std::chrono::microseconds(100)))
        return "no expiry";
      break;
    case End::Destroy:
      break;
  }
  timer.reset();
  if (owner.calls > allowed) return "called after it was cancelled, or twice";
  return "";
}

TEST(KeltoTimerCycles, ArmCancelDestroyTenThousandTimes) {
  const End ends[] = {End::Cancel, End::TryCancelUnderLock, End::Expire, End::Destroy};
  const int cycles = scaledCount(10000);
  for (int i = 0; i < cycles; ++i) {
    const std::string fault = cycle(ends[i % 4] == End::Expire ? 1 : 1 + i % 3, ends[i % 4]);
    ASSERT_EQ(fault, "") << "cycle " << i;
  }
}

// As the zoom command does.
TEST(KeltoTimerCycles, OneTimerReArmedAndCancelledTenThousandTimes) {
  Owner owner;
  KeltoTimer timer;
  const int cycles = scaledCount(10000);
  int cancelled = 0;
  for (int i = 0; i < cycles; ++i) {
    timer.arm(1 + i % 2, &Owner::expire, &owner);
    std::lock_guard<std::mutex> lock(owner.command);
    if (i % 2 == 0 && timer.tryCancel()) ++cancelled;
  }
  ASSERT_TRUE(waitUntil([&] { return !timer.isArmed(); }));
  EXPECT_LE(owner.calls, cycles - cancelled);
}

}  // namespace
