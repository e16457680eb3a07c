#include "bench_daemon_costs.h"

#include <chrono>
#include <thread>

#include "bench_proc.h"
#include "bench_report.h"
#include "sim_control_socket.h"

BenchCpuWindow::BenchCpuWindow(pid_t pid)
    : mPid(pid), mCpuStart(benchCpuSeconds(pid)), mWallStartUs(benchNowUs()) {}

double BenchCpuWindow::percent() const {
  const double cpu = benchCpuSeconds(mPid);
  if (cpu < 0 || mCpuStart < 0) return -1;
  return 100.0 * (cpu - mCpuStart) / ((benchNowUs() - mWallStartUs) / 1e6);
}

bool benchCommandLoad(BenchRequester& requester, const std::vector<uint32_t>& cycle, unsigned long count,
                      std::string& problem) {
  std::vector<std::vector<uint8_t>> requests;
  for (uint32_t number : cycle) requests.push_back(requester.request(number, nullptr));
  klcontrol_answer_t answer;
  for (unsigned long i = 0; i < count; ++i) {
    if (!requester.exchange(requests[i % requests.size()], answer)) {
      problem = benchText("command %u (number %lu of the load) unanswered", cycle[i % cycle.size()], i + 1);
      return false;
    }
  }
  return true;
}

bool benchChangeLatency(BenchPushClient& client, const std::vector<BenchCameraChange>& changes,
                        unsigned periodMs, BenchSamples& out, std::string& problem) {
  UniqueFd control = simControlConnect(SIM_CONTROL_NAME);
  if (!control.valid()) {
    problem = "no simulator control socket";
    return false;
  }
  for (size_t i = 0; i < changes.size(); ++i) {
    // Documents come right after a poll, so this phase is where in the poll period the change falls.
    std::this_thread::sleep_for(std::chrono::microseconds(periodMs * 1000ull * i / changes.size()));
    const double start = benchNowUs();
    std::string reply;
    if (!simControlExchange(control.get(), changes[i].controlLine, reply, 2000) ||
        reply.rfind("ok", 0) != 0) {
      problem = "the simulator refused \"" + changes[i].controlLine + "\": " + reply;
      return false;
    }
    if (!client.waitFor(changes[i].documentText, int(5 * periodMs))) {
      problem = "no document with " + changes[i].documentText + " after \"" + changes[i].controlLine + "\"";
      return false;
    }
    out.add(benchNowUs() - start);
  }
  return true;
}
