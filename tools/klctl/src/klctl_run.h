// Carries out a parsed klctl command line.
#pragma once
#include <ostream>

#include "klctl_cli.h"
#include "klctl_exchange.h"

// Prints the help, or probes the queue, or watches pushed documents, or sends the steps in order and reports
// each; stops at the first failure unless keepGoing. Returns the outcome of the first failure, or Ok.
KlctlOutcome klctlRun(const KlctlPlan& plan, std::ostream& out, std::ostream& err);
