// klctl watch: the documents the daemon pushes to its notification socket clients.
#pragma once
#include <ostream>

#include "klctl_exchange.h"

struct KlctlWatchOptions {
  unsigned count = 0;        // stop after so many documents; 0: no limit
  double timeout = 0;        // seconds after the start at which the watch ends; 0: no limit
  double answerTimeout = 5;  // longest wait for the answer to command 43 (within timeout)
  bool compact = false;      // one JSON line per document instead of indented JSON
};

// Connects to 127.0.0.1:8081 and resumes the socket clients (command 43 with "status=1"), again each
// second, since the daemon registers a connection on its own thread, until the first document comes.
// Prints each document as JSON (a document that is not JSON as received, with a warning on err) until
// count documents were printed, the time-out ends the watch or the daemon closes the connection.
// Ok when at least one document was printed by then; NoAnswer when none was, or a frame is broken;
// NoDaemon when nothing listens; CommandFailed when command 43 is refused.
KlctlOutcome klctlWatch(const KlctlWatchOptions& options, std::ostream& out, std::ostream& err);
