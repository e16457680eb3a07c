// klctl watch against a fake notification socket and a fake daemon queue, in private namespaces.
#include "klctl_watch.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <sstream>

#include "fake_daemon_queue.h"
#include "klDebug.h"
#include "kl_test_namespace.h"

namespace {

class KlctlWatch : public testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(klEnterPrivateNamespaces()); }
  KlctlWatch() { g_debug_level &= ~0xFFu; }
  ~KlctlWatch() override {
    g_debug_level = mSavedLevel;
    if (mListener >= 0) close(mListener);
  }

  bool listen() {
    mListener = socket(AF_INET, SOCK_STREAM, 0);
    const int on = 1;  // the port of the test before may still be in TIME_WAIT
    setsockopt(mListener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(KLCTL_NOTIFY_PORT);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return bind(mListener, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
           ::listen(mListener, 3) == 0;
  }

  uint32_t mSavedLevel = g_debug_level;
  int mListener = -1;
};

// The fake daemon pushes two documents when notifications are resumed, then closes the connection.
// A line end between members does not split a document.
TEST_F(KlctlWatch, PrintsEachPushedDocumentOnItsLine) {
  ASSERT_TRUE(listen());
  FakeDaemon daemon;
  ASSERT_TRUE(daemon.ok());
  daemon.serve(1, [this](const Bytes&) {
    const int client = accept(mListener, nullptr, nullptr);
    const std::string frames = "LENGTH:11\n\n{\"mode\":1}LENGTH:15\n\n{\"a\":1,\n\"b\":2}";
    EXPECT_EQ(static_cast<ssize_t>(frames.size()), send(client, frames.data(), frames.size(), 0));
    close(client);
    return clientAnswer(0, {});
  });
  std::ostringstream out;
  std::ostringstream err;
  EXPECT_EQ(KlctlOutcome::Ok, klctlWatch(0, 5, out, err)) << err.str();
  EXPECT_EQ("{\"mode\":1}\n{\"a\":1,\"b\":2}\n", out.str());
  ASSERT_EQ(1u, daemon.requests().size());
  EXPECT_EQ(std::string("\x2B\0\0\0", 4), valueText(daemon.requests()[0], TLV_CMD));
  EXPECT_EQ(std::string("status=1\0", 9), valueText(daemon.requests()[0], TLV_CMDARG));
}

TEST_F(KlctlWatch, WithoutTheDaemonThereIsNothingToWatch) {
  std::ostringstream out;
  std::ostringstream err;
  EXPECT_EQ(KlctlOutcome::NoDaemon, klctlWatch(0, 1, out, err));
  EXPECT_NE(std::string::npos, err.str().find("127.0.0.1:8081")) << err.str();
}

}  // namespace
