// klctl's exchange of one command, timed in rounds for a measurer in another process: the figure of
// the Python module (bench/klbench_python.py) sets its round trips against these, round by round.
#pragma once
#include <cstdint>
#include <istream>
#include <ostream>

#include "bench_latency.h"
#include "klUniqueQueue.h"

// What klctl does for one command, on a reply queue kept open: send, receive, decode the payload
// and make its text.
BenchExchange benchKlctlExchange(const UniqueQueue& reply, uint32_t command);

// For each line read, perRound timed exchanges, printed as one line of microseconds. 0 at the end of
// the input; 2 at the first failed exchange, printed as "failed: <reason>".
int benchServeRounds(const BenchExchange& exchange, unsigned perRound, std::istream& in, std::ostream& out);
