// klctl watch against a fake notification socket and a fake daemon queue, in private namespaces.
#include "klctl_watch.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <sstream>

#include "fake_daemon_queue.h"
#include "klDebug.h"
#include "klUniqueFd.h"
#include "kl_test_namespace.h"
#include "klcontrol_endpoints.h"

namespace {

class KlctlWatch : public testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(klEnterPrivateNamespaces()); }
  KlctlWatch() { g_debug_level &= ~0xFFu; }
  ~KlctlWatch() override { g_debug_level = mSavedLevel; }

  bool listen() {
    mListener.reset(socket(AF_INET, SOCK_STREAM, 0));
    const int on = 1;  // the port of the test before may still be in TIME_WAIT
    setsockopt(mListener.get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(KLCONTROL_NOTIFICATION_PORT);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return bind(mListener.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
           ::listen(mListener.get(), 3) == 0;
  }

  // The fake daemon answers command 43 by sending frames on the accepted connection, then closes it
  // or leaves it open.
  void pushOnResume(FakeDaemon& daemon, const std::string& frames, bool closeAfter) {
    daemon.serve(1, [this, frames, closeAfter](const Bytes&) {
      mClient.reset(accept(mListener.get(), nullptr, nullptr));
      EXPECT_EQ(static_cast<ssize_t>(frames.size()), send(mClient.get(), frames.data(), frames.size(), 0));
      if (closeAfter) mClient.reset();
      return clientAnswer(0, {});
    });
  }

  uint32_t mSavedLevel = g_debug_level;
  UniqueFd mListener;
  UniqueFd mClient;
};

// Documents as indented JSON or one line each, members in the order sent; a document that is not JSON
// is printed as it came, with a warning. The daemon closing the connection ends the watch.
TEST_F(KlctlWatch, PrintsEachDocumentAsJson) {
  const std::string frames =
      "LENGTH:11\n\n{\"mode\":1}LENGTH:22\n\n{\"b\":1,\n\"a\":[2,true]}LENGTH:6\n\n{\"a\":";
  const struct {
    bool compact;
    const char* printed;
  } cases[] = {
      {false, "{\n  \"mode\": 1\n}\n{\n  \"b\": 1,\n  \"a\": [\n    2,\n    true\n  ]\n}\n{\"a\":\n"},
      {true, "{\"mode\":1}\n{\"b\":1,\"a\":[2,true]}\n{\"a\":\n"},
  };
  ASSERT_TRUE(listen());
  for (const auto& c : cases) {
    FakeDaemon daemon;
    ASSERT_TRUE(daemon.ok());
    pushOnResume(daemon, frames, true);
    std::ostringstream out;
    std::ostringstream err;
    KlctlWatchOptions options;
    options.compact = c.compact;
    EXPECT_EQ(KlctlOutcome::Ok, klctlWatch(options, out, err)) << err.str();
    EXPECT_EQ(c.printed, out.str());
    EXPECT_EQ("klctl: watch: document 3 is not valid JSON; printed as received\n", err.str());
    ASSERT_EQ(1u, daemon.requests().size());
    EXPECT_EQ(std::string("\x2B\0\0\0", 4), valueText(daemon.requests()[0], TLV_CMD));
    EXPECT_EQ(std::string("status=1\0", 9), valueText(daemon.requests()[0], TLV_CMDARG));
  }
}

// The time-out ends the watch while the connection stays open: Ok after a document, NoAnswer without one.
TEST_F(KlctlWatch, TimeOutEndsTheWatch) {
  const struct {
    std::string frames;
    KlctlOutcome outcome;
    const char* printed;
  } cases[] = {
      {"LENGTH:3\n\n{}", KlctlOutcome::Ok, "{}\n"},
      {"", KlctlOutcome::NoAnswer, ""},
  };
  ASSERT_TRUE(listen());
  for (const auto& c : cases) {
    FakeDaemon daemon;
    ASSERT_TRUE(daemon.ok());
    pushOnResume(daemon, c.frames, false);
    std::ostringstream out;
    std::ostringstream err;
    KlctlWatchOptions options;
    options.timeout = 1;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(c.outcome, klctlWatch(options, out, err)) << err.str();
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    EXPECT_EQ(c.printed, out.str());
    daemon.requests();
    mClient.reset();
  }
}

TEST_F(KlctlWatch, WithoutTheDaemonThereIsNothingToWatch) {
  std::ostringstream out;
  std::ostringstream err;
  EXPECT_EQ(KlctlOutcome::NoDaemon, klctlWatch(KlctlWatchOptions(), out, err));
  EXPECT_NE(std::string::npos, err.str().find("127.0.0.1:8081")) << err.str();
}

}  // namespace
