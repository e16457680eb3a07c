#include "e2e_fixture.h"

#include <fstream>

#include "klErrno.h"
#include "kl_test_namespace.h"
#include "klcontrol_command_table.h"
#include "klcontrol_endpoints.h"
#include "sim_control_socket.h"
#include "wait_until.h"

void EndToEndTest::SetUp() {
  enterFreshNamespaces();
  startCamera();
  startDaemon();
}

void EndToEndTest::TearDown() {
  if (testWrapper() == nullptr || daemon == nullptr || !daemon->started()) return;
  EXPECT_EQ(requester->call(KLCONTROL_WORKER_EXIT), KL_OK);
  EXPECT_EQ(daemon->exitStatus(60000), 0);
}

void EndToEndTest::enterFreshNamespaces() {
  daemon.reset();
  camera.reset();
  requester.reset();
  ASSERT_TRUE(klEnterPrivateNamespaces());
  requester = std::make_unique<TestRequester>();
}

void EndToEndTest::startCamera(const std::vector<std::string>& options) {
  std::vector<std::string> argv{KL_CAMERA_SIM_PATH, "--fast"};
  argv.insert(argv.end(), options.begin(), options.end());
  camera = std::make_unique<TestProcess>(argv);
  ASSERT_TRUE(camera->started());
  std::string reply;
  ASSERT_TRUE(waitUntil([&] { return simControlRequest(SIM_CONTROL_NAME, "ping", reply, 1000); }));
}

// Ready once it answers a number without a handler, which needs the worker and the camera adapter,
// and listens, which its start-up wait must have passed before a stop command may come.
void EndToEndTest::startDaemon(int standardError) {
  daemon = std::make_unique<TestProcess>(std::vector<std::string>{KL_CONTROLD_PATH}, standardError);
  ASSERT_TRUE(daemon->started());
  ASSERT_TRUE(waitUntil(
      [this] {
        return requester->call(1) == KL_ERR_NOT_SUPPORTED && klPortListens(KLCONTROL_NOTIFICATION_PORT);
      },
      std::chrono::seconds(30)));
}

long EndToEndTest::daemonRssKb() const {
  std::ifstream status("/proc/" + std::to_string(daemon->pid()) + "/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  }
  return -1;
}
