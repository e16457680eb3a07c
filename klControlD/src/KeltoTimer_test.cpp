#include "KeltoTimer.h"

#include <gtest/gtest.h>

#include <atomic>

#include "wait_until.h"

namespace {

struct Counter {
  std::atomic<int> calls{0};
  std::atomic<bool> release{true};
  static void fire(void* self) {
    auto* counter = static_cast<Counter*>(self);
    counter->calls++;
    while (!counter->release) {
    }
  }
};

TEST(KeltoTimer, RearmingReplacesTheCallbackAndRestartsThePeriod) {
  Counter first;
  Counter second;
  KeltoTimer timer;
  timer.arm(60000, &Counter::fire, &first);
  timer.arm(20, &Counter::fire, &second);
  ASSERT_TRUE(waitUntil([&] { return second.calls == 1 && !timer.isArmed(); }));
  EXPECT_EQ(first.calls, 0);
}

// Cancelled, destroyed while armed, or given a period that is no period: never a call.
TEST(KeltoTimer, NeverCallsWhenCancelledDestroyedOrNotArmed) {
  Counter counter;
  {
    KeltoTimer timer;
    timer.arm(60000, &Counter::fire, &counter);
    timer.cancel();
    EXPECT_FALSE(timer.isArmed());
    for (int period : {0, -5}) {
      timer.arm(period, &Counter::fire, &counter);
      EXPECT_FALSE(timer.isArmed()) << period;
    }
    timer.arm(60000, &Counter::fire, &counter);
  }
  EXPECT_EQ(counter.calls, 0);
}

// The zoom timer's canceller holds the command mutex, which the callback waits for: it must give up.
TEST(KeltoTimer, TryCancelGivesUpWhileTheCallbackRuns) {
  Counter counter;
  counter.release = false;
  KeltoTimer timer;
  timer.arm(10, &Counter::fire, &counter);
  ASSERT_TRUE(waitUntil([&] { return counter.calls == 1; }));
  EXPECT_FALSE(timer.tryCancel());
  counter.release = true;
  ASSERT_TRUE(waitUntil([&] { return !timer.isArmed(); }));
  EXPECT_TRUE(timer.tryCancel());
}

}  // namespace
