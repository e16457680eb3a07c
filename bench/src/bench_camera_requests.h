// How many camera requests one command makes, read from the simulated camera's request counters.
#pragma once
#include <string>

#include "bench_latency.h"

// The requests the simulated camera answered while the exchange ran (nothing else may talk to it
// meanwhile); -1 with the reason when the counters could not be read or the exchange failed.
long benchCameraRequests(const BenchExchange& exchange, std::string& problem);
