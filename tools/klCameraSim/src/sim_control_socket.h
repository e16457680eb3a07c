// The control interface's transport: one text line per command and one per reply, over a stream
// socket in the abstract namespace (bound to the network namespace, never to a file).
#pragma once
#include <string>

#include "klUniqueFd.h"

constexpr const char* SIM_CONTROL_NAME = "klCameraSim.ctl";
constexpr unsigned SIM_CONTROL_LINE_MAX = 512;    // a command line
constexpr unsigned SIM_CONTROL_REPLY_MAX = 8192;  // a reply line: a dump is long

// Listens on the abstract name; an invalid descriptor when it is taken or cannot be bound.
UniqueFd simControlListen(const std::string& name);
// Connects to a running simulator; an invalid descriptor when none listens there.
UniqueFd simControlConnect(const std::string& name);
// Sends one command line; false when the connection fails.
bool simControlSend(int fd, const std::string& command);
// Waits up to timeoutMs for one reply line (without its newline); false on failure or time-out.
bool simControlReceive(int fd, std::string& reply, int timeoutMs);
// Sends one command line and waits up to timeoutMs for the reply line (without its newline).
// False when the connection fails, closes or times out.
bool simControlExchange(int fd, const std::string& command, std::string& reply, int timeoutMs);
// Connects, exchanges one line and disconnects.
bool simControlRequest(const std::string& name, const std::string& command, std::string& reply,
                       int timeoutMs);
