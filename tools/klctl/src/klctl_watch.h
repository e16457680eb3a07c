// klctl watch: the documents the daemon pushes to its notification socket clients.
#pragma once
#include <cstdint>
#include <ostream>

#include "klctl_exchange.h"

// The daemon's notification port, on the local machine.
constexpr uint16_t KLCTL_NOTIFY_PORT = 8081;

// Connects to 127.0.0.1:8081 and resumes the socket clients (command 43 with "status=1"), again each
// second, since the daemon registers a connection on its own thread, until the first document comes
// (at most timeout seconds). Then prints each document as one line (its line ends removed) until count
// documents were printed (0: no limit) or the daemon closes the connection.
KlctlOutcome klctlWatch(unsigned count, double timeout, std::ostream& out, std::ostream& err);
