// Test side of the daemon queue (a private reply queue, hand-built requests, parsed answers and events) and
// of the simulated camera's control socket.
#pragma once

#include <gtest/gtest.h>
#include <mqueue.h>

#include <cstdint>
#include <string>
#include <vector>

#include "klUniqueQueue.h"
#include "sim_control_socket.h"

// One parsed CAT_CLIENT_RSP (or any message received on the reply queue).
struct TestAnswer {
  std::vector<uint8_t> bytes;
  uint8_t category = 0;
  bool hasStatus = false;
  int32_t status = 0;
  std::vector<uint8_t> payload;
};

class TestRequester {
 public:
  // Creates (and later removes) the reply queue name.
  explicit TestRequester(const std::string& name = "/kl_test_requester");
  ~TestRequester();
  TestRequester(const TestRequester&) = delete;
  TestRequester& operator=(const TestRequester&) = delete;

  const std::string& name() const { return mName; }
  // The CAT_CLIENT_CMD a client sends: the number, an optional argument and the reply queue source.
  static std::vector<uint8_t> command(uint32_t number, const std::vector<uint8_t>* arg,
                                      const std::string& source);
  // A message of the category with TLV_CMD holding the two-character code and TLV_SRC = source.
  static std::vector<uint8_t> coded(uint8_t category, const char* code, const std::vector<uint8_t>* arg,
                                    const std::string& source);
  // Sends raw bytes to the daemon queue; false when it cannot be opened or is full for 2 s.
  static bool sendToDaemon(const std::vector<uint8_t>& bytes, unsigned priority = 0);
  // Sends command number with the optional argument, answered on this requester's queue.
  bool sendCommand(uint32_t number, const std::vector<uint8_t>* arg = nullptr) const;
  // The next message on the reply queue within timeoutMs; false when none came.
  bool receive(TestAnswer& answer, int timeoutMs = 5000) const;
  // Sends a command and waits for its answer; status INT32_MIN when none came.
  TestAnswer ask(uint32_t number, const std::vector<uint8_t>* arg = nullptr) const;
  // The status of ask.
  int32_t call(uint32_t number, const std::vector<uint8_t>* arg = nullptr) const {
    return ask(number, arg).status;
  }
  // The text of the next CAT_CLIENT_EVENT (its closing NUL checked and removed) within timeoutMs: the
  // queue as a notification client registered with command 0.
  bool next(std::string& document, int timeoutMs = 5000) const;
  // Messages waiting on the reply queue.
  long pending() const;

 private:
  std::string mName;
  UniqueQueue mQueue;
};

// Fills the queue with one-byte messages, as a process that never reads would leave it.
void fillQueue(const std::string& name);

// The argument of command 0: enable flag, then the NUL-terminated queue name.
std::vector<uint8_t> queueRegistration(uint32_t enable, const std::string& name);

// Access to the simulated camera's control socket, for the fixtures that start one.
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
