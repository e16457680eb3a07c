// Where a client finds the daemon, and how soon it hears of a change.
#pragma once

// The daemon's queue: every client command, event and suspend/resume request goes here.
constexpr const char* KLCONTROL_DAEMON_QUEUE = "/to_klCtlD";
// The TCP port, on all addresses, of the notification socket clients.
constexpr unsigned short KLCONTROL_NOTIFICATION_PORT = 8081;
// The longest the worker waits for a command before it polls the camera for changes again.
constexpr unsigned KLCONTROL_RECEIVE_TIMEOUT_MS = 500;
// At start the daemon looks whether its worker runs, and sleeps this long before each further look;
// it listens on the notification port only after a look found it running.
constexpr unsigned KLCONTROL_STARTUP_CHECK_S = 1;
