#include "klPushClient.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "kl_test_namespace.h"
#include "klcontrol_push_frames.h"
#include "test_requester.h"
#include "wait_until.h"

namespace {

// Every test of this binary uses fixed queue names or the daemon's port: isolate the whole run.
class PrivateNamespaces : public ::testing::Environment {
 public:
  void SetUp() override { ASSERT_TRUE(klEnterPrivateNamespaces()); }
};

const ::testing::Environment* const kNamespaces = ::testing::AddGlobalTestEnvironment(new PrivateNamespaces);

bool notify(NotificationClient& client, const std::string& json) {
  std::stringstream document;
  document << json;
  return client.Notify(NotificationClient::NOTIFICATION_UPDATE, document);
}

TEST(SocketClient, FramesGoOutWholeCountingTheClosingNulAndAClosedPeerFailsWithoutSignal) {
  int pair[2];
  ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
  SocketNotificationClient client{UniqueFd(pair[0])};
  const std::string json = std::string("{}") + '\0';
  ASSERT_TRUE(notify(client, json));
  char frame[64];
  const ssize_t received = recv(pair[1], frame, sizeof frame, MSG_DONTWAIT);
  EXPECT_EQ(std::string(frame, size_t(std::max<ssize_t>(received, 0))), "LENGTH:3\n\n{}");
  EXPECT_EQ(client.bytesSent(), 12u);
  EXPECT_FALSE(client.needsFullUpdate());
  // A frame the socket takes in part keeps its tail, finished once the reader makes room; a tail
  // still waiting at the next document ends the client.
  const int small = 4096;
  ASSERT_EQ(setsockopt(pair[0], SOL_SOCKET, SO_SNDBUF, &small, sizeof small), 0);
  const std::string large(100000, 'x');
  ASSERT_TRUE(notify(client, large + '\0'));
  EXPECT_TRUE(client.HasTail());
  KlcontrolFrameReader frames;
  std::string document;
  for (int turn = 0; turn < 10000 && !frames.next(document); ++turn) {
    const ssize_t got = recv(pair[1], frame, sizeof frame, MSG_DONTWAIT);
    if (got > 0) frames.feed(frame, size_t(got));
    ASSERT_TRUE(client.SendTail());
  }
  EXPECT_EQ(document, large);
  ASSERT_TRUE(notify(client, large + '\0'));
  EXPECT_FALSE(notify(client, json));
  close(pair[1]);
  EXPECT_FALSE(notify(client, json));
}

// The queue is opened on each delivery until it exists; a document larger than one message is not
// delivered, and the next one goes out whole; an empty document has no text element. A full queue
// holds the delivery for the reader.
TEST(QueueClient, EventCarriesStatusZeroAndTheTextWithItsNulAndWaitsForRoom) {
  const char* const queue = "/kl_push_client_test";
  KlcontrolPeerQueues peers({});
  MQNotificationClient client(queue, peers);
  EXPECT_FALSE(notify(client, "{}"));
  const TestRequester reader(queue);
  EXPECT_FALSE(notify(client, std::string(2000, 'x')));
  EXPECT_EQ(reader.pending(), 0);
  ASSERT_TRUE(notify(client, std::string("{}") + '\0'));
  const std::vector<uint8_t> expected = {0x00, 0x17, 0x00, 0x16,                          // header
                                         0x00, 0x00, 0x04, 0xEC, 0x00, 0x00, 0x00, 0x00,  // status 0
                                         0x00, 0x00, 0x03, 0x45, '{',  '}',  0x00,        // text
                                         0x00, 0x00, 0x00, 0xEE};
  TestAnswer answer;
  ASSERT_TRUE(reader.receive(answer));
  EXPECT_EQ(answer.bytes, expected);
  EXPECT_FALSE(client.needsFullUpdate());
  ASSERT_TRUE(notify(client, ""));
  const std::vector<uint8_t> empty = {0x00, 0x10, 0x00, 0x16, 0x00, 0x00, 0x04, 0xEC,
                                      0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xEE};
  ASSERT_TRUE(reader.receive(answer));
  EXPECT_EQ(answer.bytes, empty);
  // Events must not be lost: a full queue holds the delivery up to 2 s.
  for (int i = 0; i < 10; ++i) ASSERT_TRUE(notify(client, std::to_string(i)));
  std::atomic<bool> done{false};
  bool delivered = false;
  std::thread worker([&] {
    delivered = notify(client, "last");
    done = true;
  });
  EXPECT_FALSE(waitUntil([&] { return done.load(); }, std::chrono::milliseconds(300)));
  ASSERT_TRUE(reader.receive(answer));
  worker.join();
  EXPECT_TRUE(delivered);
  EXPECT_EQ(answer.payload, std::vector<uint8_t>{'0'});
  for (int i = 0; i < 10; ++i) ASSERT_TRUE(reader.receive(answer));
  EXPECT_EQ(answer.payload, std::vector<uint8_t>({'l', 'a', 's', 't'}));
}

}  // namespace
