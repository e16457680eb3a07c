// The real executables: klCameraSim and klControlD as processes in the test's namespaces, ended by
// the stop command as a system would end the daemon.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <mqueue.h>

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

TEST_F(ProcessTest, StopCommandEndsTheProcess) {
  // Stopped only once up: a stop before the start-up wait has seen the worker run is a start-up failure.
  startDaemon();
  EXPECT_EQ(requester->call(97), KL_OK);
  EXPECT_EQ(daemon->exitStatus(30000), 0);
  EXPECT_FALSE(queueExists("/to_klCtlD"));
}

}  // namespace
