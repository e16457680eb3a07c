#include "load_fixture.h"

#include <fcntl.h>
#include <mqueue.h>

#include <cstdlib>
#include <fstream>

#include "klErrno.h"
#include "klTlv.h"
#include "kl_test_namespace.h"
#include "klcontrol_command_table.h"
#include "klcontrol_endpoints.h"
#include "sim_control_socket.h"
#include "wait_until.h"

int scaledCount(int full) {
  const char* scale = std::getenv("KL_LOAD_SCALE");
  const long percent = scale != nullptr ? std::strtol(scale, nullptr, 10) : 100;
  return percent > 0 && percent < 100 ? int(full * percent / 100) + 1 : full;
}

std::string exchange(const TestRequester& requester, const CommandCase& c) {
  if (!requester.sendCommand(c.number, c.hasArg ? &c.arg : nullptr))
    return std::string("not sent: ") + c.name;
  TestAnswer answer;
  if (!requester.receive(answer)) return std::string("no answer: ") + c.name;
  if (answer.category != CAT_CLIENT_RSP || !answer.hasStatus || answer.status != c.status ||
      answer.payload.size() != c.payloadSize) {
    return std::string(c.name) + ": status " + std::to_string(answer.status) + ", payload " +
           std::to_string(answer.payload.size());
  }
  return "";
}

void EndToEndTest::SetUp() {
  ASSERT_TRUE(klEnterPrivateNamespaces());
  requester = std::make_unique<TestRequester>();
  startCamera();
  startDaemon();
}

void EndToEndTest::TearDown() {
  if (testWrapper() == nullptr || daemon == nullptr || !daemon->started()) return;
  EXPECT_EQ(requester->call(KLCONTROL_WORKER_EXIT), KL_OK);
  EXPECT_EQ(daemon->exitStatus(60000), 0);
}

void EndToEndTest::startCamera() {
  camera = std::make_unique<TestProcess>(std::vector<std::string>{KL_CAMERA_SIM_PATH, "--fast"});
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
