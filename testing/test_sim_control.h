// Test access to the simulated camera's control socket, for the fixtures that start one.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "sim_control_socket.h"

class SimControlAccess {
 public:
  // One control command to the simulator; its reply line (the test fails when none comes).
  std::string control(const std::string& line) {
    std::string reply;
    EXPECT_TRUE(simControlRequest(SIM_CONTROL_NAME, line, reply, 5000)) << line;
    return reply;
  }

  // Requests of group/id the simulator has seen; -1 when it does not answer.
  long requestCount(const std::string& groupId) {
    const std::string reply = control("count " + groupId);
    return reply.rfind("ok ", 0) == 0 ? std::stol(reply.substr(3)) : -1;
  }

  // The last payload of group/id in hexadecimal, or the simulator's error line.
  std::string payload(const std::string& groupId) {
    const std::string reply = control("payload " + groupId);
    return reply.rfind("ok", 0) == 0 ? reply.substr(reply.size() > 2 ? 3 : 2) : reply;
  }
};
