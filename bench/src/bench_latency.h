// Round-trip latencies of commands, measured in rounds alternating with the baselines, and the
// throughput of concurrent requesters.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "bench_requester.h"
#include "bench_samples.h"

// One request and its answer: true when answered with status 0; otherwise false with the reason.
using BenchExchange = std::function<bool(std::string& problem)>;

// An exchange of prepared request bytes through a requester of the daemon's queue protocol.
BenchExchange benchQueueExchange(BenchRequester& requester, std::vector<uint8_t> request);

// One measured figure: an exchange made perRound times in each round.
struct BenchSeries {
  std::string name;
  BenchExchange exchange;
  unsigned perRound;
  BenchSamples samples;
};

// Each round measures every series in turn, so that a change of the machine's load touches all
// figures alike; false with the reason at the first failed exchange.
bool benchMeasureRounds(std::vector<BenchSeries>& series, unsigned rounds, std::string& problem);

// Exchanges per second, each client in a thread of its own with one request outstanding, over the
// seconds; -1 when one failed.
double benchThroughput(std::vector<BenchExchange>& clients, double seconds);
