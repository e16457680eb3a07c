// The real executables: klCameraSim and klControlD as processes in the test's namespaces.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <mqueue.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include "e2e_fixture.h"
#include "klErrno.h"

namespace {

bool queueExists(const char* name) {
  const mqd_t mqd = mq_open(name, O_WRONLY);
  if (mqd == -1) return false;
  mq_close(mqd);
  return true;
}

// A camera, and a daemon each test starts itself.
class ProcessTest : public EndToEndTest {
 protected:
  void SetUp() override {
    enterFreshNamespaces();
    startCamera();
  }
};

TEST_F(ProcessTest, TakenPortExitsWithMinusOneAndRemovesTheQueues) {
  const int blocker = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(8081);
  ASSERT_EQ(bind(blocker, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  daemon = std::make_unique<TestProcess>(std::vector<std::string>{KL_CONTROLD_PATH});
  EXPECT_EQ(daemon->exitStatus(30000), 255);
  close(blocker);
  EXPECT_FALSE(queueExists("/to_klCtlD"));
  EXPECT_FALSE(queueExists("/to_klCtlD2"));
}

TEST_F(ProcessTest, StopCommandEndsTheProcess) {
  // Stopped only once up: a stop before the start-up wait has seen the worker run is a start-up failure.
  startDaemon();
  EXPECT_EQ(requester->call(97), KL_OK);
  EXPECT_EQ(daemon->exitStatus(30000), 0);
  EXPECT_FALSE(queueExists("/to_klCtlD"));
}

}  // namespace
