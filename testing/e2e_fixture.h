// End to end: the real klCameraSim and klControlD processes in the test's private namespaces,
// driven over their queues, the daemon's TCP port and the simulator's control socket.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "test_process.h"
#include "test_requester.h"

class EndToEndTest : public ::testing::Test, public SimControlAccess {
 protected:
  // Private namespaces, a requester, the camera and the daemon.
  void SetUp() override;
  // Behind a test wrapper the daemon is stopped by its command, so that it ends normally and the
  // wrapper (a memory checker) reports on a whole run.
  void TearDown() override;

  // Fresh private namespaces (whatever ran in the ones before is gone) with a requester in them.
  void enterFreshNamespaces();
  // The simulator with --fast and the options, once its control socket answers.
  void startCamera(const std::vector<std::string>& options = {});
  // The daemon's standard error goes to standardError when that is not -1.
  void startDaemon(int standardError = -1);
  // The daemon's resident memory in KiB (VmRSS), or -1.
  long daemonRssKb() const;

  std::unique_ptr<TestProcess> camera;
  std::unique_ptr<TestProcess> daemon;
  std::unique_ptr<TestRequester> requester;  // made inside the test's namespaces
};
