// Test access to the simulated camera's control socket, for the fixtures that start one.
#pragma once

#include <string>

class SimControlAccess {
 public:
  // One control command to the simulator; its reply line (the test fails when none comes).
  std::string control(const std::string& line);
  // Requests of group/id the simulator has seen; -1 when it does not answer.
  long requestCount(const std::string& groupId);
  // The last payload of group/id in hexadecimal, or the simulator's error line.
  std::string payload(const std::string& groupId);
};
