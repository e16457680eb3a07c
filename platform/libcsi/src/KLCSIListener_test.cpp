// The listener as the daemon uses it: messages handed in from the daemon's queue, the observer,
// suspend and resume, and the requests the CSI service receives (private IPC namespace).
#include "KLCSIListener.h"

#include <gtest/gtest.h>
#include <mqueue.h>

#include "csi_message.h"
#include "klErrno.h"
#include "kl_test_namespace.h"
#include "test_command_bytes.h"

namespace {

using namespace csi_test;

class ListenerTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(klEnterPrivateNamespaces()); }

  void SetUp() override {
    ASSERT_EQ(listener.Init(false, "/to_klCtlD"), KL_OK);
    listener.SetNotificationObserver(
        [this](uint32_t id, const std::string& text) { seen.emplace_back(id, text); });
  }
  void TearDown() override {
    if (service != mqd_t(-1)) mq_close(service);
    mq_unlink(KLCSI_SERVICE_QUEUE);
  }

  void startService() {
    mq_attr attr{};
    attr.mq_maxmsg = 4;
    attr.mq_msgsize = KLMSG_MAX;
    service = mq_open(KLCSI_SERVICE_QUEUE, O_RDONLY | O_CREAT | O_NONBLOCK, 0664, &attr);
    ASSERT_NE(service, mqd_t(-1));
  }

  // The next request waiting on the service queue (empty when there is none).
  std::vector<uint8_t> nextRequest() {
    uint8_t buf[KLMSG_MAX];
    const ssize_t length = mq_receive(service, reinterpret_cast<char*>(buf), sizeof buf, nullptr);
    return {buf, buf + (length < 0 ? 0 : length)};
  }
  // A request of the listener with its reply queue, as the CSI encoder writes it.
  static std::vector<uint8_t> request(const char* code, const std::vector<uint32_t>& words) {
    uint8_t buf[KLMSG_MAX];
    const int length = csi_encode_request(buf, sizeof buf, code, words, "/to_klCtlD");
    return {buf, buf + (length < 0 ? 0 : length)};
  }
  // The value kept for the id, or 0xDEAD when none is.
  uint32_t valueOf(uint32_t id) {
    uint32_t value = 0;
    return listener.GetCSIValue(id, &value) ? value : 0xDEAD;
  }

  int hand(const std::vector<uint8_t>& msg) { return listener.HandleCSIMessage(msg.data(), msg.size()); }

  KLCSIListener listener;
  mqd_t service = mqd_t(-1);
  std::vector<std::pair<uint32_t, std::string>> seen;
};

// Subscribed notifications reach the observer; others, and truncated or foreign messages, do not.
TEST_F(ListenerTest, ObserverReceivesSubscribedNotificationsOnly) {
  listener.RegisterForCSINotifications({7, 151, 152, 143, 138});
  EXPECT_EQ(hand(notification(151, "status=12:1:40:C:\\DCIM\\A.MP4")), KL_OK);
  EXPECT_EQ(hand(notification(99, "not ours")), KL_OK);
  EXPECT_EQ(hand(update(7, 0x06010002)), KL_OK);
  EXPECT_EQ(hand(update(99, 1)), KL_OK);
  const auto whole = notification(151, "status=1:2:3:x");
  EXPECT_EQ(listener.HandleCSIMessage(whole.data(), whole.size() - 1), KL_ERR_INVALID_PARAM);
  EXPECT_EQ(hand(answer("CR", 0)), KL_ERR_INVALID_PARAM);
  EXPECT_EQ(listener.HandleSetResponse(whole.data(), whole.size()), KL_ERR_INVALID_PARAM);
  EXPECT_EQ(listener.HandleSubscribeResponse(whole.data(), whole.size()), KL_ERR_INVALID_PARAM);
  const decltype(seen) expected = {{151, "status=12:1:40:C:\\DCIM\\A.MP4"}, {7, "100728834"}};
  EXPECT_EQ(seen, expected);
  EXPECT_EQ(valueOf(7), 0x06010002u);
  EXPECT_EQ(valueOf(99), 0xDEADu) << "an id nobody asked for is kept";
}

TEST_F(ListenerTest, SuspendHoldsNotificationsBackButKeepsValues) {
  startService();
  listener.RegisterForCSINotifications({7, 151});
  EXPECT_EQ(nextRequest(), request(CSI_CODE_SUBSCRIBE, {7, 151}));
  EXPECT_EQ(listener.Suspend(), KL_OK);
  EXPECT_EQ(hand(notification(151, "status=1:2:3:x")), KL_OK);
  EXPECT_EQ(hand(update(7, 5)), KL_OK);
  EXPECT_TRUE(seen.empty());
  EXPECT_EQ(valueOf(7), 5u);

  EXPECT_EQ(listener.Resume(), KL_OK);
  EXPECT_EQ(nextRequest(), request(CSI_CODE_SUBSCRIBE, {7, 151}));
  EXPECT_EQ(hand(notification(151, "status=1:3:100:x")), KL_OK);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].second, "status=1:3:100:x");
}

// A subscription and a written value reach the service; its answers are kept.
TEST_F(ListenerTest, RequestsReachTheServiceAndItsAnswersAreKept) {
  startService();
  EXPECT_EQ(listener.RegisterForCSINotifications({7, 151, 152, 143, 138}), KL_OK);
  EXPECT_EQ(nextRequest(), request(CSI_CODE_SUBSCRIBE, {7, 151, 152, 143, 138}));
  EXPECT_FALSE(listener.IsSubscribed());
  const auto accepted = answer("CR", 0);
  EXPECT_EQ(listener.HandleSubscribeResponse(accepted.data(), accepted.size()), KL_OK);
  EXPECT_TRUE(listener.IsSubscribed());
  const auto refused = answer("CR", KL_ERR_NOT_SUPPORTED);
  EXPECT_EQ(listener.HandleSubscribeResponse(refused.data(), refused.size()), KL_ERR_NOT_SUPPORTED);
  EXPECT_FALSE(listener.IsSubscribed());

  EXPECT_EQ(listener.SetCSIValue(7, 0x03000005), KL_OK);
  EXPECT_EQ(nextRequest(), request(CSI_CODE_WRITE, {7, 0x03000005}));
  EXPECT_EQ(valueOf(7), 0x03000005u);
  const auto nak = answer("CI", KL_ERR_NAK, words({7}));
  EXPECT_EQ(listener.HandleSetResponse(nak.data(), nak.size()), KL_ERR_NAK);
}

TEST_F(ListenerTest, WithoutTheServiceRequestsFailButValuesAreKept) {
  EXPECT_EQ(listener.RegisterForCSINotifications({7}), KL_ERR_MQ_FAIL);
  EXPECT_EQ(listener.SetCSIValue(7, 0), KL_ERR_MQ_FAIL);
  EXPECT_EQ(valueOf(7), 0u);
  EXPECT_EQ(hand(update(7, 9)), KL_OK);
  EXPECT_EQ(seen.size(), 1u);
}

TEST(ListenerInit, RefusesWhatItCannotServe) {
  KLCSIListener listener;
  EXPECT_EQ(listener.RegisterForCSINotifications({7}), KL_ERR_INVALID_PARAM);
  EXPECT_EQ(listener.Init(true, "/to_klCtlD"), KL_ERR_NOT_SUPPORTED);
  EXPECT_EQ(listener.Init(false, ""), KL_ERR_INVALID_PARAM);
  EXPECT_EQ(listener.Init(false, "to_klCtlD"), KL_ERR_INVALID_PARAM);
  EXPECT_EQ(listener.Init(false, "/" + std::string(63, 'q')), KL_ERR_INVALID_PARAM);
  EXPECT_EQ(KLCSIListener::GetInstance(), KLCSIListener::GetInstance());
}

}  // namespace
