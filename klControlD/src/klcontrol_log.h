// LOG(level, format, ...): one daemon log line, under the source name of the file that logs it. Each
// file that logs names its source once, after its includes:
//   constexpr const char* LOG_SOURCE = "klcontrol_if_server";
// The name ends every line it logs (" @klcontrol_if_server:123"); docs/daemon.md lists who logs under
// which name.
#pragma once

#include "klLog.h"

#define LOG(level, ...) KLOG(level, LOG_SOURCE, __VA_ARGS__)

// The command server's source path, for the lines that name where they were logged in their text.
constexpr const char* KLCONTROL_SERVER_SOURCE_PATH = "klControlD/src/klcontrol_if_server";
