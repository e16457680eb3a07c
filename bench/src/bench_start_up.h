// How long the daemon takes from its start to its first answered command and to listening on its
// notification port, over several starts of the program as a child of this process.
#pragma once
#include <string>

#include "bench_report.h"

// Starts the daemon's program the given number of times (the simulated camera running, no other
// daemon) and reports the medians; each start is stopped with command 97 before the next. False,
// with the failure reported, when a start did not answer, listen or end within 10 s.
bool benchReportStartUps(BenchReport& report, const std::string& program, unsigned starts);
