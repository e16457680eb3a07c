#include "bench_latency.h"

#include <atomic>
#include <thread>

#include "bench_report.h"

namespace {

// perRound timed exchanges; false with the reason at the first failed one.
bool measure(BenchSeries& series, std::string& problem) {
  std::string why;
  for (unsigned i = 0; i < series.perRound; ++i) {
    const double start = benchNowUs();
    const bool answered = series.exchange(why);
    series.samples.add(benchNowUs() - start);
    if (!answered) {
      problem = series.name + ": " + why;
      return false;
    }
  }
  return true;
}

}  // namespace

BenchExchange benchQueueExchange(BenchRequester& requester, std::vector<uint8_t> request) {
  return [&requester, request = std::move(request),
          answer = klcontrol_answer_t()](std::string& problem) mutable {
    if (!requester.exchange(request, answer)) {
      problem = "no answer within 10 s";
      return false;
    }
    if (answer.status != 0) problem = benchText("answered with status %d", answer.status);
    return answer.status == 0;
  };
}

bool benchMeasureRounds(std::vector<BenchSeries>& series, unsigned rounds, std::string& problem) {
  for (unsigned round = 0; round < rounds; ++round) {
    for (BenchSeries& one : series) {
      if (!measure(one, problem)) return false;
    }
  }
  return true;
}

double benchThroughput(std::vector<BenchExchange>& clients, double seconds) {
  std::atomic<bool> running{true};
  std::atomic<bool> lost{false};
  std::atomic<unsigned long> answered{0};
  std::vector<std::thread> threads;
  const double start = benchNowUs();
  for (BenchExchange& client : clients) {
    threads.emplace_back([&] {
      std::string problem;
      while (running) {
        if (!client(problem)) {
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
