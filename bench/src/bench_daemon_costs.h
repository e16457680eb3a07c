// What the daemon costs beside latency: CPU share, memory under load, and how fast a change made on
// the camera reaches a notification client.
#pragma once
#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

#include "bench_push_client.h"
#include "bench_requester.h"
#include "bench_samples.h"

// A window over which a process's CPU share is measured.
class BenchCpuWindow {
 public:
  explicit BenchCpuWindow(pid_t pid);
  // Percent of one core the process used since construction; -1 when /proc could not be read.
  double percent() const;

 private:
  pid_t mPid;
  double mCpuStart;
  double mWallStartUs;
};

// Sends count commands, cycling through the numbers (no argument); false with the reason at the
// first one left unanswered (a non-zero status is an answer too).
bool benchCommandLoad(BenchRequester& requester, const std::vector<uint32_t>& cycle, unsigned long count,
                      std::string& problem);

// A change on the simulated camera: the control line that makes it, and text of the document that shows it.
struct BenchCameraChange {
  std::string controlLine;
  std::string documentText;
};

// For each change in turn (made at phases spread over one poll period after the last document), when
// each client received a document holding its text, in microseconds after the control line went to
// the simulator; every client waits in a thread of its own. False with the reason when the simulator
// refuses or a client gets no such document within 5 periods.
bool benchChangeArrivals(const std::vector<BenchDocumentClient*>& clients,
                         const std::vector<BenchCameraChange>& changes, unsigned periodMs,
                         std::vector<std::vector<double>>& arrivals, std::string& problem);
