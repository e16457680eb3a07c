#include "bench_daemon_costs.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include "bench_proc.h"
#include "bench_report.h"
#include "sim_control_socket.h"

namespace {

constexpr int kControlTimeoutMs = 2000;

// Makes the change while each client waits for its document in a thread of its own, there before the
// control line goes out; the times of arrival after it went.
bool arrivalsOfChange(int control, const std::vector<BenchDocumentClient*>& clients,
                      const BenchCameraChange& change, int timeoutMs, std::vector<double>& times,
                      std::string& problem) {
  std::vector<double> at(clients.size(), -1);
  std::atomic<size_t> waiting{0};
  std::vector<std::thread> readers;
  for (size_t i = 0; i < clients.size(); ++i) {
    readers.emplace_back([&, i] {
      ++waiting;
      if (clients[i]->waitFor(change.documentText, timeoutMs)) at[i] = benchNowUs();
    });
  }
  while (waiting < clients.size()) std::this_thread::yield();
  const double start = benchNowUs();
  std::string reply;
  const bool made =
      simControlExchange(control, change.controlLine, reply, kControlTimeoutMs) && reply.rfind("ok", 0) == 0;
  for (std::thread& reader : readers) reader.join();
  if (!made) problem = "the simulator refused \"" + change.controlLine + "\": " + reply;
  const bool all = std::none_of(at.begin(), at.end(), [](double time) { return time < 0; });
  if (made && !all)
    problem =
        "a client got no document with " + change.documentText + " after \"" + change.controlLine + "\"";
  for (double time : at) times.push_back(time - start);
  return made && all;
}

}  // namespace

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

bool benchChangeArrivals(const std::vector<BenchDocumentClient*>& clients,
                         const std::vector<BenchCameraChange>& changes, unsigned periodMs,
                         std::vector<std::vector<double>>& arrivals, std::string& problem) {
  UniqueFd control = simControlConnect(SIM_CONTROL_NAME);
  if (!control.valid()) {
    problem = "no simulator control socket";
    return false;
  }
  for (size_t i = 0; i < changes.size(); ++i) {
    // Documents come right after a poll, so this phase is where in the poll period the change falls.
    std::this_thread::sleep_for(std::chrono::microseconds(periodMs * 1000ull * i / changes.size()));
    arrivals.emplace_back();
    if (!arrivalsOfChange(control.get(), clients, changes[i], int(5 * periodMs), arrivals.back(), problem))
      return false;
  }
  return true;
}
