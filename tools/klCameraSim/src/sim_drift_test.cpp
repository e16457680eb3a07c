#include "sim_drift.h"

#include <gtest/gtest.h>

#include <tuple>

#include "sim_camera.h"
#include "sim_simulator.h"
#include "transcode_wire.h"

namespace {

// battery %, bars, recording s, video s left, card KiB left, temperature
using Status = std::tuple<int64_t, int64_t, int64_t, int64_t, int64_t, int64_t>;

Status statusOf(const SimCamera& camera) {
  const appc_system_all_status& s = camera.status();
  // Copies: packed members cannot be bound to references.
  return {int64_t(s.battery_percent),    int64_t(s.battery_level),
          int64_t(s.recording_seconds),  int64_t(s.remaining_video_seconds),
          int64_t(s.remaining_space_kb), int64_t(s.internal_temperature_c)};
}

TEST(SimDrift, BatteryCardAndTemperatureFollowTheSeconds) {
  SimCamera camera(57);
  SimDrift drift(false);
  drift.advance(camera, 59);
  EXPECT_EQ(statusOf(camera), Status(100, 3, 0, 7380, 61440000, 31)) << "idle 59 s";
  ASSERT_EQ(camera.shutter(true), 0);
  drift.advance(camera, 31);  // seconds 60 to 90: drains at 60 and 80, heats at 60 and 90
  EXPECT_EQ(statusOf(camera), Status(98, 3, 31, 7349, 61440000 - 31 * 7500, 33)) << "recording 31 s";
  ASSERT_EQ(camera.shutter(false), 0);
  drift.advance(camera, 30);  // drains and cools at 120
  EXPECT_EQ(statusOf(camera), Status(97, 3, 0, 7349, 61440000 - 31 * 7500, 32)) << "idle again";
  // Bars follow the percentage; a charging battery (level 4) keeps it.
  camera.write(SimBlock::STATUS, offsetof(appc_system_all_status, battery_percent), 1, 67);
  drift.advance(camera, 60);
  EXPECT_EQ(statusOf(camera), Status(66, 2, 0, 7349, 61440000 - 31 * 7500, 31));
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
  // A transcode job moves a step a second of the camera's clock, not with status reads.
  uint64_t id = 0;
  uint32_t estimate = 0;
  int8_t refusal = 0;
  ASSERT_EQ(sim.camera().transcodes().start(KLC_TRANSCODE_VIDEO_START, "VID_0001.MP4", id, estimate, refusal),
            0);
  EXPECT_EQ(sim.execute("drift step 2", 1), "ok");
  EXPECT_EQ(sim.execute("transcode", 1).rfind("ok 1001:1:50:", 0), 0u) << sim.execute("transcode", 1);
  fast.drift = true;
  EXPECT_EQ(SimSimulator(fast).execute("drift", 1), "ok on");
  EXPECT_EQ(SimSimulator(SimOptions{}).execute("drift", 1), "ok on");
}

}  // namespace
