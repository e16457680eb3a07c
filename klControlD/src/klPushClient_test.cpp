#include "klPushClient.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "wait_until.h"

namespace {

std::string readAvailable(int fd) {
  std::string text;
  char chunk[4096];
  ssize_t n;
  while ((n = recv(fd, chunk, sizeof chunk, MSG_DONTWAIT)) > 0) text.append(chunk, size_t(n));
  return text;
}

bool notify(NotificationClient& client, const std::string& json) {
  std::stringstream document;
  document << json;
  return client.Notify(NotificationClient::NOTIFICATION_UPDATE, document);
}

TEST(SocketClient, FrameCountsTheClosingNulAndAClosedPeerFailsWithoutSignal) {
  int pair[2];
  ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
  SocketNotificationClient client(pair[0]);
  const std::string json = std::string("{}") + '\0';
  ASSERT_TRUE(notify(client, json));
  EXPECT_EQ(readAvailable(pair[1]), "LENGTH:3\n\n{}");
  EXPECT_EQ(client.bytesSent(), 12u);
  EXPECT_FALSE(client.needsFullUpdate());
  close(pair[1]);
  EXPECT_FALSE(notify(client, json));
}

class QueueClientTest : public ::testing::Test {
 protected:
  void TearDown() override {
    if (reader != -1) mq_close(reader);
    mq_unlink(kName);
  }
  void createQueue(long depth) {
    mq_attr attr{};
    attr.mq_maxmsg = depth;
    attr.mq_msgsize = 1500;
    reader = mq_open(kName, O_RDONLY | O_CREAT | O_NONBLOCK, 0600, &attr);
    ASSERT_NE(reader, -1);
  }
  std::vector<uint8_t> receive() {
    std::vector<uint8_t> bytes(1500);
    const ssize_t n = mq_receive(reader, reinterpret_cast<char*>(bytes.data()), bytes.size(), nullptr);
    bytes.resize(n < 0 ? 0 : size_t(n));
    return bytes;
  }

  static constexpr const char* kName = "/kl_push_client_test";
  mqd_t reader = -1;
};

// The queue is opened on each delivery until it exists; a document larger than one message is not
// delivered, and the next one goes out whole; an empty document has no text element.
TEST_F(QueueClientTest, EventCarriesStatusZeroAndTheTextWithItsNul) {
  MQNotificationClient client(kName);
  EXPECT_FALSE(notify(client, "{}"));
  createQueue(4);
  EXPECT_FALSE(notify(client, std::string(2000, 'x')));
  EXPECT_TRUE(receive().empty());
  ASSERT_TRUE(notify(client, std::string("{}", 2) + '\0'));
  const std::vector<uint8_t> expected = {0x00, 0x17, 0x00, 0x16,                          // header
                                         0x00, 0x00, 0x04, 0xEC, 0x00, 0x00, 0x00, 0x00,  // status 0
                                         0x00, 0x00, 0x03, 0x45, '{',  '}',  0x00,        // text
                                         0x00, 0x00, 0x00, 0xEE};
  EXPECT_EQ(receive(), expected);
  EXPECT_FALSE(client.needsFullUpdate());
  ASSERT_TRUE(notify(client, ""));
  const std::vector<uint8_t> empty = {0x00, 0x10, 0x00, 0x16, 0x00, 0x00, 0x04, 0xEC,
                                      0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xEE};
  EXPECT_EQ(receive(), empty);
}

// A queue client must not lose events: a full queue holds the delivery up to 2 s.
TEST_F(QueueClientTest, FullQueueMakesTheDeliveryWaitForTheReader) {
  createQueue(1);
  MQNotificationClient client(kName);
  ASSERT_TRUE(notify(client, "{1}"));
  std::atomic<bool> done{false};
  bool delivered = false;
  std::thread worker([&] {
    delivered = notify(client, "{2}");
    done = true;
  });
  EXPECT_FALSE(waitUntil([&] { return done.load(); }, std::chrono::milliseconds(300)));
  const std::vector<uint8_t> first = receive();
  worker.join();
  EXPECT_TRUE(delivered);
  ASSERT_GT(first.size(), 16u);
  EXPECT_EQ(std::string(first.begin() + 16, first.begin() + 19), "{1}");
  const std::vector<uint8_t> second = receive();
  ASSERT_GT(second.size(), 16u);
  EXPECT_EQ(std::string(second.begin() + 16, second.begin() + 19), "{2}");
}

}  // namespace
