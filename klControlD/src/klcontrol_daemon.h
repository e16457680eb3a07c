// The daemon's life: crash handler, command server start, the notification listener on TCP port
// 8081 and the ordered shutdown once the worker stops.
#pragma once

#include "klcontrol_endpoints.h"

// Runs the daemon until command 97 stops its worker; the process exit status (0, -1 or the
// start result). argv0 only names the program in an error line.
int klcontrol_run(const char* argv0);

// klcontrol_run without the crash handler, for callers that keep their own signal handling.
int klcontrol_serve(const char* argv0);
