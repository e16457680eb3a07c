// Isolation for tests that use the daemon's fixed queue names and port.
#pragma once

// Moves the calling process into fresh IPC and network namespaces with loopback up, so that fixed
// queue names and TCP ports touch nothing outside the test. Call before any thread is started.
// Returns false (with a message on standard error) when the system refuses.
bool klEnterPrivateNamespaces();
