// Transcode jobs on the simulated camera: started by the transcode requests, moved on one step at a
// time (progress 25, 50, 75, then done at 100), cancelled on request, or refused with a reason byte.
// Every change is reported as a progress text that the simulator sends to the daemon.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct SimTranscodeJob {
  uint64_t id;
  uint32_t state;      // klc_transcode_state
  uint32_t progress;   // percent
  std::string output;  // the result's name as the camera reports it, with backslashes
};

class SimTranscodeJobs {
 public:
  // Refusal bytes of the camera's own refusals.
  static constexpr int8_t kRefusalBusy = -7;
  static constexpr int8_t kRefusalNoSource = -8;
  // Steps from accepted to done; the start answer's estimate in seconds.
  static constexpr uint32_t kSteps = 4;

  // Starts a job of the request id (5 video, 6 photo) on the source file: 0 with the job id and
  // estimate, or KL_ERR_NAK with the refusal byte (an armed one first, else busy or no source).
  int start(uint16_t requestId, const std::string& source, uint64_t& id, uint32_t& estimate, int8_t& refusal);
  // Ends a running job as cancelled; false for an unknown or finished job.
  bool cancel(uint64_t id);
  // Moves every running job one step on.
  void step();
  // The next count starts are refused with the reason byte.
  void refuseNext(int8_t reason, unsigned count);
  // Progress texts ("status=ID:STATE:PROGRESS:OUTPUT") not sent yet, oldest first; taken once.
  std::vector<std::string> takeProgressTexts();
  const std::vector<SimTranscodeJob>& jobs() const { return mJobs; }
  // Whether a job is running.
  bool running() const;

 private:
  void report(const SimTranscodeJob& job);

  std::vector<SimTranscodeJob> mJobs;
  std::vector<std::string> mTexts;
  uint64_t mNextId = 1001;
  int8_t mArmedRefusal = 0;
  unsigned mArmedCount = 0;
};
