// Round-trip latencies of commands, measured in rounds alternating with the baselines, and the
// throughput of concurrent requesters.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "bench_requester.h"
#include "bench_samples.h"

// One measured figure: prepared request bytes exchanged through one requester, perRound times in
// each round.
struct BenchSeries {
  std::string name;
  BenchRequester* requester;
  std::vector<uint8_t> request;
  unsigned perRound;
  BenchSamples samples;
};

// Each round measures every series in turn, so that a change of the machine's load touches all
// figures alike. Every answer must carry status 0; false with the reason otherwise.
bool benchMeasureRounds(std::vector<BenchSeries>& series, unsigned rounds, std::string& problem);

// Commands per second answered to requesters concurrent requesters of the command, each with its
// own reply queue and one request outstanding, over the seconds; -1 when one went unanswered.
double benchThroughput(unsigned requesters, uint32_t command, double seconds);
