// Round-trip latencies of commands, measured in rounds alternating with the raw queue round trip,
// and the throughput of concurrent requesters.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "bench_requester.h"
#include "bench_samples.h"

struct BenchCommandPlan {
  const char* name;
  uint32_t number;
  unsigned perRound;  // exchanges in each round
};

struct BenchLatencies {
  BenchSamples baseline;
  std::vector<BenchSamples> commands;  // in the order of the plans
};

// Each round measures baselinePerRound raw round trips through echo, then every command in turn
// through daemon, so that a change of the machine's load touches all figures alike. Every answer
// must carry status 0; false with the reason otherwise.
bool benchMeasureLatencies(BenchRequester& echo, BenchRequester& daemon, const std::vector<BenchCommandPlan>& plans,
                           unsigned rounds, unsigned baselinePerRound, BenchLatencies& out, std::string& problem);

// Commands per second answered to requesters concurrent requesters of the command, each with its
// own reply queue and one request outstanding, over the seconds; -1 when one went unanswered.
double benchThroughput(unsigned requesters, uint32_t command, double seconds);
