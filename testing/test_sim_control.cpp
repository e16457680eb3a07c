#include "test_sim_control.h"

#include <gtest/gtest.h>

#include "sim_control_socket.h"

std::string SimControlAccess::control(const std::string& line) {
  std::string reply;
  EXPECT_TRUE(simControlRequest(SIM_CONTROL_NAME, line, reply, 5000)) << line;
  return reply;
}

long SimControlAccess::requestCount(const std::string& groupId) {
  const std::string reply = control("count " + groupId);
  return reply.rfind("ok ", 0) == 0 ? std::stol(reply.substr(3)) : -1;
}

std::string SimControlAccess::payload(const std::string& groupId) {
  const std::string reply = control("payload " + groupId);
  return reply.rfind("ok", 0) == 0 ? reply.substr(reply.size() > 2 ? 3 : 2) : reply;
}
