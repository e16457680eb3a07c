// CSI messages decoded from raw bytes (truncated and corrupt ones too) and the request bytes; the listener
// as the daemon uses it: messages handed in from the daemon's queue, the observer, suspend and resume, and
// the requests the CSI service receives (private IPC namespace).
#include "KLCSIListener.h"

#include <gtest/gtest.h>
#include <mqueue.h>

#include "csi_message.h"
#include "klErrno.h"
#include "klUniqueQueue.h"
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
  void startService() {
    mq_attr attr{};
    attr.mq_maxmsg = 4;
    attr.mq_msgsize = KLMSG_MAX;
    service = UniqueQueue::create(KLCSI_SERVICE_QUEUE, O_RDONLY | O_NONBLOCK, 0664, attr);
    ASSERT_TRUE(service.valid());
  }

  // The next request waiting on the service queue (empty when there is none).
  std::vector<uint8_t> nextRequest() {
    uint8_t buf[KLMSG_MAX];
    const ssize_t length = mq_receive(service.get(), reinterpret_cast<char*>(buf), sizeof buf, nullptr);
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
  UniqueQueue service;
  std::vector<std::pair<uint32_t, std::string>> seen;
};

// Without the service, requests fail but a written value is kept, and subscribed notifications reach the
// observer; others, and truncated or foreign messages, do not.
TEST_F(ListenerTest, ObserverReceivesSubscribedNotificationsOnly) {
  EXPECT_EQ(listener.RegisterForCSINotifications({7, 151, 152, 143, 138}), KL_ERR_MQ_FAIL);
  EXPECT_EQ(listener.SetCSIValue(7, 0), KL_ERR_MQ_FAIL);
  EXPECT_EQ(valueOf(7), 0u);
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

// A subscription and a written value reach the service; its answers are kept. A suspension holds
// notifications back but keeps values; the resume subscribes again.
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

  EXPECT_EQ(listener.Suspend(), KL_OK);
  EXPECT_EQ(hand(notification(151, "status=1:2:3:x")), KL_OK);
  EXPECT_EQ(hand(update(7, 5)), KL_OK);
  EXPECT_TRUE(seen.empty());
  EXPECT_EQ(valueOf(7), 5u);
  EXPECT_EQ(listener.Resume(), KL_OK);
  EXPECT_EQ(nextRequest(), request(CSI_CODE_SUBSCRIBE, {7, 138, 143, 151, 152}));  // in order of id
  EXPECT_EQ(hand(notification(151, "status=1:3:100:x")), KL_OK);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].second, "status=1:3:100:x");
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

// A notification's text ends at a NUL or with its record; the first record of a type counts.
TEST(CsiDecode, TextAndFirstRecords) {
  csi_message m;
  const auto withNul = notification(143, std::string("abc\0def", 7));
  ASSERT_EQ(csi_decode(withNul.data(), withNul.size(), &m), KL_OK);
  EXPECT_EQ(m.text, "abc");
  const auto empty = notification(143, "");
  ASSERT_EQ(csi_decode(empty.data(), empty.size(), &m), KL_OK);
  EXPECT_EQ(m.text, "");
  const auto twice = message(
      CAT_CLIENT_EVENT, {{TLV_CMD, bytes("CU")}, {TLV_CMDARG, words({7, 1})}, {TLV_CMDARG, words({8, 2})}});
  ASSERT_EQ(csi_decode(twice.data(), twice.size(), &m), KL_OK);
  EXPECT_EQ(m.id, 7u);
  EXPECT_EQ(m.value, 1u);
}

// Every truncation (an exact-size copy each), and every corrupt message, is refused.
TEST(CsiDecode, RefusesTruncatedAndCorruptMessages) {
  auto shortLength = notification(151, "text");
  shortLength[1] = 12;  // the length ends inside the argument record
  auto longRecord = update(7, 1);
  longRecord[11] = 0x40;  // the argument record claims more bytes than the message has
  const std::vector<uint8_t> cases[] = {
      shortLength,
      longRecord,
      message(CAT_CLIENT_EVENT, {{TLV_CMD, bytes("CX")}, {TLV_CMDARG, words({1, 2})}}),
      message(CAT_CLIENT_EVENT, {{TLV_CMD, bytes("C")}}),
      message(CAT_CLIENT_EVENT, {{TLV_CMDARG, words({1, 2})}}),
      message(CAT_CLIENT_EVENT, {{TLV_CMD, bytes("CN")}, {TLV_CMDARG, {1, 2, 3}}}),
      message(CAT_CLIENT_EVENT, {{TLV_CMD, bytes("CU")}, {TLV_CMDARG, {1, 2, 3, 4, 5, 6, 7}}}),
      message(CAT_SYS_RSP, {{TLV_CMD, bytes("CR")}}),
      message(CAT_SYS_RSP, {{TLV_CMD, bytes("CR")}, {TLV_RSPCODE, {0, 0, 0}}}),
      message(CAT_SYS_RSP, {{TLV_CMD, bytes("CI")}, {TLV_RSPCODE, words({0})}}),
      {0x00, 0x02, 0x00, 0x16},
  };
  for (const auto& bytesIn : cases) {
    csi_message m;
    EXPECT_EQ(csi_decode(bytesIn.data(), bytesIn.size(), &m), KL_ERR_INVALID_PARAM);
  }
  const auto whole = notification(151, "status=1:2:3:x");
  for (size_t size = 0; size < whole.size(); ++size) {
    std::vector<uint8_t> cut(whole.begin(), whole.begin() + long(size));
    csi_message m;
    EXPECT_EQ(csi_decode(cut.data(), cut.size(), &m), KL_ERR_INVALID_PARAM) << size;
  }
}

// The request bytes; what does not fit the buffer is refused.
TEST(CsiRequest, WireBytes) {
  uint8_t buf[KLMSG_MAX];
  const int length = csi_encode_request(buf, sizeof buf, CSI_CODE_SUBSCRIBE, {7}, "/q");
  const std::vector<uint8_t> expected = {0x00, 0x1D, 0x00, 0x10,                          // header
                                         0x00, 0x00, 0x02, 0x41, 'C',  'S',               // TLV_CMD
                                         0x00, 0x00, 0x04, 0x42, 0x07, 0x00, 0x00, 0x00,  // TLV_CMDARG
                                         0x00, 0x00, 0x03, 0x44, '/',  'q',  0x00,        // TLV_SRC
                                         0x00, 0x00, 0x00, 0xEE};                         // TLV_END
  ASSERT_EQ(length, int(expected.size()));
  EXPECT_EQ(std::vector<uint8_t>(buf, buf + length), expected);
  EXPECT_EQ(csi_encode_request(buf, 40, CSI_CODE_WRITE, std::vector<uint32_t>(10, 1), "/q"),
            KL_ERR_INVALID_PARAM);
}

}  // namespace
