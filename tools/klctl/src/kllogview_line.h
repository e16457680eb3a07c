// Turning one syslog datagram into one printable line, for kllogview.
#pragma once
#include <cstddef>
#include <string>

// The datagram's text without its "<priority>" prefix and without trailing line ends and NULs;
// other control characters become blanks so that one datagram stays one line.
std::string kllogviewLine(const char* data, size_t length);
