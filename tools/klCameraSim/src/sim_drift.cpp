#include "sim_drift.h"

#include <algorithm>
#include <cstddef>

#include "sim_camera.h"
#include "sim_family_control.h"
#include "sim_members.h"

namespace {

constexpr unsigned kIdleDrainSeconds = 60;       // one percent of battery a minute when idle
constexpr unsigned kRecordingDrainSeconds = 20;  // and three times as fast while recording
constexpr int64_t kRecordingKbPerSecond = 7500;  // a 60 Mbit/s video
constexpr unsigned kHeatingSeconds = 30;
constexpr unsigned kCoolingSeconds = 60;
constexpr int64_t kAmbientC = 31;
constexpr int64_t kHottestC = 70;
constexpr uint8_t kCharging = 4;
constexpr unsigned kMaxStep = 24 * 3600;

#define SIM_STATUS(member) offsetof(appc_system_all_status, member), sizeof(appc_system_all_status::member)

void put(SimCamera& camera, size_t offset, size_t width, int64_t value) {
  camera.write(SimBlock::STATUS, unsigned(offset), unsigned(width), value);
}

// Bars shown for a battery percentage.
int64_t batteryBars(int64_t percent) {
  if (percent > 66) return 3;
  if (percent > 33) return 2;
  return percent > 10 ? 1 : 0;
}

void drainBattery(SimCamera& camera) {
  const appc_system_all_status& status = camera.status();
  const int64_t percent = status.battery_percent;
  if (status.battery_level == kCharging || percent == 0) return;
  put(camera, SIM_STATUS(battery_percent), percent - 1);
  put(camera, SIM_STATUS(battery_level), batteryBars(percent - 1));
  // An empty battery switches the camera off.
  if (percent == 1) {
    camera.write(SimBlock::SYSTEM, offsetof(sim_system_values, power_state), 1, SIM_POWER_OFF);
  }
}

void recordOneSecond(SimCamera& camera) {
  const appc_system_all_status& status = camera.status();
  const int64_t seconds = status.recording_seconds;
  const int64_t videoLeft = status.remaining_video_seconds;
  const uint64_t spaceLeft = status.remaining_space_kb;
  put(camera, SIM_STATUS(recording_seconds), seconds + 1);
  if (videoLeft > 0) put(camera, SIM_STATUS(remaining_video_seconds), videoLeft - 1);
  const uint64_t used = uint64_t(kRecordingKbPerSecond);
  put(camera, SIM_STATUS(remaining_space_kb), int64_t(spaceLeft > used ? spaceLeft - used : 0));
}

void changeTemperature(SimCamera& camera, bool recording, uint64_t second) {
  const int64_t celsius = camera.status().internal_temperature_c;
  if (recording && second % kHeatingSeconds == 0 && celsius < kHottestC) {
    put(camera, SIM_STATUS(internal_temperature_c), celsius + 1);
  } else if (!recording && second % kCoolingSeconds == 0 && celsius > kAmbientC) {
    put(camera, SIM_STATUS(internal_temperature_c), celsius - 1);
  }
}

}  // namespace

SimDrift::SimDrift(bool running) : mRunning(running), mLast(Clock::now()) {}

void SimDrift::setRunning(bool running) {
  if (running && !mRunning) mLast = Clock::now();
  mRunning = running;
}

void SimDrift::catchUp(SimCamera& camera) {
  if (!mRunning) return;
  const auto passed = std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - mLast);
  if (passed.count() <= 0) return;
  // Only whole seconds are used up; the rest counts towards the next one.
  mLast += passed;
  advance(camera, unsigned(std::min<int64_t>(passed.count(), kMaxStep)));
}

void SimDrift::advance(SimCamera& camera, unsigned seconds) {
  for (unsigned i = 0; i < seconds; ++i) tick(camera);
}

void SimDrift::tick(SimCamera& camera) {
  ++mSeconds;
  const bool recording = camera.status().encoding != 0;
  // A time lapse takes photos; only a video fills the recording counters.
  if (recording && !camera.timeLapseRunning()) recordOneSecond(camera);
  camera.timeLapseSecond();
  // A transcode job moves one step a second.
  camera.transcodes().step();
  if (mSeconds % (recording ? kRecordingDrainSeconds : kIdleDrainSeconds) == 0) drainBattery(camera);
  changeTemperature(camera, recording, mSeconds);
}

std::string simControlDrift(SimSimulator& sim, const std::vector<std::string>& words, unsigned) {
  SimDrift& drift = sim.drift();
  if (words.size() == 1) return drift.running() ? "ok on" : "ok off";
  if (words.size() == 2 && (words[1] == "on" || words[1] == "off")) {
    drift.setRunning(words[1] == "on");
    return "ok";
  }
  int64_t seconds = 1;
  if (words[1] != "step" || words.size() > 3 || (words.size() == 3 && !simParseNumber(words[2], seconds)) ||
      seconds < 1 || seconds > kMaxStep) {
    return "error usage: drift | drift on|off | drift step [N]";
  }
  drift.advance(sim.camera(), unsigned(seconds));
  return "ok";
}
