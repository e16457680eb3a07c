// A started command server against an in-process simulated camera, with a private reply queue.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "fake_syslog.h"
#include "klcontrol_if_server.h"
#include "sim_simulator.h"
#include "test_requester.h"

class ServerTest : public ::testing::Test, public SimControlAccess {
 protected:
  void SetUp() override;
  void TearDown() override;

  void enterFreshNamespaces();
  // Starts the simulator, prepared first by prepare when given; fails the test on error.
  void startCamera(const std::function<void(SimCamera&)>& prepare = {}, bool presetEvents = true);
  // Starts the server and, once it serves commands, waits until its start-up reads are over.
  void startServer();
  // Drops the lines captured so far, so that loggedLine sees only those of the next action.
  void forgetLog();
  // True when a whole line of the level and text ("LEVEL:text @file:N") is logged after forgetLog,
  // waiting a little for it.
  bool loggedLine(int level, const std::string& text, const std::string& file = "klcontrol_if_server");
  // The same with pattern, a regular expression, for texts that carry a source place of their own.
  bool loggedLineMatching(int level, const std::string& pattern,
                          const std::string& file = "klcontrol_if_server");
  // Registered clients would be dropped by change polling when their queues take no document: make
  // every status read fail, so that polls end before delivering and the client list only changes
  // by registration.
  void keepClientsUnserved();
  // Waits until the worker has taken everything sent before, by a round trip of command 1.
  void sync();

  // Moves the lines logged since the last look into lines; whether one of them matches.
  bool anyLine(const std::function<bool(const std::string&)>& matches);

  // Control lines SetUp gives the camera before the server starts (which reads the model then).
  std::vector<std::string> cameraSetup;
  FakeSyslog syslog;
  std::vector<std::string> lines;
  std::unique_ptr<SimSimulator> sim;
  std::thread simThread;
  KlcontrolCommandServer* server = nullptr;
  std::unique_ptr<TestRequester> requester;  // made inside the test's namespaces
};
