// The real executables: klCameraSim and klControlD as processes in the test's namespaces, ended by
// the stop command as a system would end the daemon.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <mqueue.h>

#include <memory>
#include <string>
#include <vector>

#include "klErrno.h"
#include "kl_test_namespace.h"
#include "test_process.h"
#include "test_requester.h"
#include "wait_until.h"

namespace {

bool queueExists(const char* name) {
  const mqd_t mqd = mq_open(name, O_WRONLY);
  if (mqd == -1) return false;
  mq_close(mqd);
  return true;
}

class ProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(klEnterPrivateNamespaces());
    camera = std::make_unique<TestProcess>(std::vector<std::string>{KL_CAMERA_SIM_PATH, "--fast"});
    ASSERT_TRUE(camera->started());
    ASSERT_TRUE(waitUntil([] { return queueExists("/to_klnet"); }));
  }
  std::unique_ptr<TestProcess> camera;
};

TEST_F(ProcessTest, StopCommandEndsTheProcess) {
  TestProcess daemon({KL_CONTROLD_PATH});
  TestRequester requester;
  // Stopped only once up: a stop before the start-up wait has seen the worker run is a start-up failure.
  ASSERT_TRUE(waitUntil([&] { return requester.call(1) == KL_ERR_NOT_SUPPORTED && klPortListens(8081); },
                        std::chrono::seconds(20)));
  EXPECT_EQ(requester.call(97), KL_OK);
  EXPECT_EQ(daemon.exitStatus(30000), 0);
  EXPECT_FALSE(queueExists("/to_klCtlD"));
}

}  // namespace
