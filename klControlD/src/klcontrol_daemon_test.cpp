// The daemon's entry in-process (without the crash handler), so its log lines can be checked.
#include "klcontrol_daemon.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <thread>

#include "klErrno.h"
#include "kl_test_namespace.h"
#include "test_push_clients.h"
#include "test_server_fixture.h"
#include "wait_until.h"

namespace {

class DaemonServeTest : public ServerTest {
 protected:
  void SetUp() override {
    enterFreshNamespaces();
    startCamera();
  }
};

TEST_F(DaemonServeTest, TakenPortEndsStartupAndRemovesTheQueues) {
  const int blocker = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(KLCONTROL_NOTIFICATION_PORT);
  ASSERT_EQ(bind(blocker, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(listen(blocker, 1), 0);
  EXPECT_EQ(klcontrol_serve("klControlD"), -1);
  close(blocker);
  EXPECT_TRUE(logged("bind() failed on socket, Exiting daemon"));
  for (const char* queue : {"/to_klCtlD", "/to_klCtlD2"})
    EXPECT_EQ(mq_open(queue, O_WRONLY), mqd_t(-1)) << queue;
}

TEST_F(DaemonServeTest, StopEndsTheLoopAndRemovesTheQueues) {
  std::atomic<int> result{1};
  std::thread daemon([&result] { result = klcontrol_serve("klControlD"); });
  PushSocket client;
  ASSERT_TRUE(client.connected());
  // Taken before the stop, so that the stop closes it.
  ASSERT_TRUE(loggedLine(UTIL_LOG_DEBUG, "Total PUSH_NOTIFICATION clients connected:1"));
  EXPECT_EQ(requester->call(97), KL_OK);
  daemon.join();
  EXPECT_EQ(result, 0);
  EXPECT_TRUE(logged("Exiting klControlD daemon"));
  for (const char* queue : {"/to_klCtlD", "/to_klCtlD2"})
    EXPECT_EQ(mq_open(queue, O_WRONLY), mqd_t(-1)) << queue;
  // Restarted at once, while the connections it closed still hold the port, it listens again.
  daemon = std::thread([&result] { result = klcontrol_serve("klControlD"); });
  EXPECT_TRUE(waitUntil([] { return klPortListens(KLCONTROL_NOTIFICATION_PORT); }));
  EXPECT_EQ(requester->call(97), KL_OK);
  daemon.join();
  EXPECT_EQ(result, 0);
}

}  // namespace
