// A notification socket client's connection to the daemon on this machine, and the argument that
// resumes it.
#pragma once
#include <cstdint>
#include <vector>

// Connects to the daemon's notification port on the loopback address. The connected socket, which the
// caller closes, or -1 with errno set. receiveBuffer > 0 sets SO_RCVBUF before connecting.
int klcontrol_connect_notifications(int receiveBuffer = 0);

// The argument of KLCONTROL_PUSH_NOTIFICATIONS that resumes every socket client: "status=1" and its NUL.
std::vector<uint8_t> klcontrol_resume_argument();
