// The daemon's life: crash handler, command server start, the notification listener on TCP port
// 8081 and the ordered shutdown once the worker stops.
#pragma once

#include "klcontrol_endpoints.h"

// A notification connection that stays silent is probed after KLCONTROL_KEEPALIVE_IDLE_S, then every
// KLCONTROL_KEEPALIVE_INTERVAL_S; one that answers no probe, or leaves what it was sent
// unacknowledged, for the idle time plus KLCONTROL_KEEPALIVE_PROBES intervals has failed.
constexpr int KLCONTROL_KEEPALIVE_IDLE_S = 5;
constexpr int KLCONTROL_KEEPALIVE_INTERVAL_S = 2;
constexpr int KLCONTROL_KEEPALIVE_PROBES = 3;

// Runs the daemon until command 97 stops its worker; the process exit status (0, -1 or the
// start result). argv0 only names the program in an error line.
int klcontrol_run(const char* argv0);

// klcontrol_run without the crash handler, for callers that keep their own signal handling.
int klcontrol_serve(const char* argv0);
