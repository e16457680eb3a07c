#include "sim_drift.h"

#include <gtest/gtest.h>

#include "sim_camera.h"
#include "sim_simulator.h"

namespace {

struct Expected {
  int64_t batteryPercent;
  int64_t batteryLevel;
  int64_t recordingSeconds;
  int64_t videoLeft;
  uint64_t spaceLeft;
  int64_t celsius;
};

void expectStatus(const SimCamera& camera, const Expected& e, const char* what) {
  const appc_system_all_status& s = camera.status();
  EXPECT_EQ(int64_t(s.battery_percent), e.batteryPercent) << what;
  EXPECT_EQ(int64_t(s.battery_level), e.batteryLevel) << what;
  EXPECT_EQ(int64_t(s.recording_seconds), e.recordingSeconds) << what;
  EXPECT_EQ(int64_t(s.remaining_video_seconds), e.videoLeft) << what;
  EXPECT_EQ(uint64_t(s.remaining_space_kb), e.spaceLeft) << what;
  EXPECT_EQ(int64_t(s.internal_temperature_c), e.celsius) << what;
}

TEST(SimDrift, IdleCameraDrainsSlowlyAndStaysCool) {
  SimCamera camera(57);
  SimDrift drift(false);
  drift.advance(camera, 59);
  expectStatus(camera, {100, 3, 0, 7380, 61440000, 31}, "59 s");
  drift.advance(camera, 1);
  expectStatus(camera, {99, 3, 0, 7380, 61440000, 31}, "60 s");
}

TEST(SimDrift, RecordingFillsTheCardHeatsAndDrainsFaster) {
  SimCamera camera(57);
  ASSERT_EQ(camera.shutter(true), 0);
  SimDrift drift(false);
  drift.advance(camera, 30);
  expectStatus(camera, {99, 3, 30, 7350, 61440000 - 30 * 7500, 32}, "30 s recording");
  ASSERT_EQ(camera.shutter(false), 0);
  // The stop ends the recording's length; cooling goes at its own pace.
  drift.advance(camera, 30);
  expectStatus(camera, {98, 3, 0, 7350, 61440000 - 30 * 7500, 31}, "30 s idle after");
}

TEST(SimDrift, BarsFollowThePercentageAndAChargingBatteryKeepsIt) {
  SimCamera camera(57);
  SimDrift drift(false);
  camera.write(SimBlock::STATUS, offsetof(appc_system_all_status, battery_percent), 1, 67);
  drift.advance(camera, 60);
  EXPECT_EQ(camera.status().battery_percent, 66);
  EXPECT_EQ(camera.status().battery_level, 2);
  camera.write(SimBlock::STATUS, offsetof(appc_system_all_status, battery_level), 1, 4);
  drift.advance(camera, 120);
  EXPECT_EQ(camera.status().battery_percent, 66);
}

TEST(SimDrift, ControlCommandsAndTheClockFollowingDefault) {
  SimOptions fast;
  fast.replyDelayMs = 0;
  SimSimulator sim(fast);
  EXPECT_EQ(sim.execute("drift", 1), "ok off");
  EXPECT_EQ(sim.execute("drift step 60", 1), "ok");
  EXPECT_EQ(sim.camera().status().battery_percent, 99);
  EXPECT_EQ(sim.execute("drift on", 1), "ok");
  EXPECT_EQ(sim.execute("drift", 1), "ok on");
  EXPECT_EQ(sim.execute("drift off", 1), "ok");
  for (const char* bad : {"drift step 0", "drift step x", "drift up", "drift step 1 2", "drift step 86401"}) {
    EXPECT_EQ(sim.execute(bad, 1).rfind("error", 0), 0u) << bad;
  }
  EXPECT_EQ(sim.camera().status().battery_percent, 99);
  fast.drift = true;
  SimSimulator drifting(fast);
  EXPECT_EQ(drifting.execute("drift", 1), "ok on");
  SimSimulator realistic{SimOptions{}};
  EXPECT_EQ(realistic.execute("drift", 1), "ok on");
}

}  // namespace
