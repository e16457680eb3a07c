#include "bench_latency.h"

#include <atomic>
#include <memory>
#include <thread>

#include "bench_report.h"

namespace {

// count timed exchanges of the request; false with the reason at the first missing or failed answer.
bool measure(BenchRequester& requester, const std::vector<uint8_t>& request, unsigned count,
             BenchSamples& samples, const char* name, std::string& problem) {
  KlctlAnswer answer;
  for (unsigned i = 0; i < count; ++i) {
    const double start = benchNowUs();
    const bool answered = requester.exchange(request, answer);
    samples.add(benchNowUs() - start);
    if (!answered || answer.status != 0) {
      problem =
          benchText("%s: %s", name, answered ? "answered with a non-zero status" : "no answer within 10 s");
      return false;
    }
  }
  return true;
}

}  // namespace

bool benchMeasureRounds(std::vector<BenchSeries>& series, unsigned rounds, std::string& problem) {
  for (unsigned round = 0; round < rounds; ++round) {
    for (BenchSeries& one : series) {
      if (!measure(*one.requester, one.request, one.perRound, one.samples, one.name.c_str(), problem))
        return false;
    }
  }
  return true;
}

double benchThroughput(unsigned requesters, uint32_t command, double seconds) {
  std::vector<std::unique_ptr<BenchRequester>> clients;
  for (unsigned i = 0; i < requesters; ++i) {
    clients.push_back(std::make_unique<BenchRequester>());
    if (!clients.back()->open()) return -1;
  }
  std::atomic<bool> running{true};
  std::atomic<bool> lost{false};
  std::atomic<unsigned long> answered{0};
  std::vector<std::thread> threads;
  const double start = benchNowUs();
  for (auto& client : clients) {
    threads.emplace_back([&, requester = client.get()] {
      const std::vector<uint8_t> request = requester->request(command, nullptr);
      KlctlAnswer answer;
      while (running) {
        if (!requester->exchange(request, answer)) {
          lost = true;
          return;
        }
        ++answered;
      }
    });
  }
  std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
  running = false;
  for (std::thread& thread : threads) thread.join();
  const double elapsed = (benchNowUs() - start) / 1e6;
  return lost ? -1 : double(answered) / elapsed;
}
