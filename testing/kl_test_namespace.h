// Isolation for tests that use the daemon's fixed queue names and port.
#pragma once

#include <string>

// Moves the calling process into fresh IPC, network and mount namespaces with loopback up and the
// console replaced by the null device, so that fixed queue names and TCP ports touch nothing outside
// the test and log lines that find no logger cost nothing. Call before any thread is started.
// Returns false (with a message on standard error) when the system refuses.
bool klEnterPrivateNamespaces();

// True when a TCP socket listens on port in the network namespace of the table read (another
// process's: "/proc/PID/net/tcp").
bool klPortListens(unsigned short port, const std::string& table = "/proc/net/tcp");
