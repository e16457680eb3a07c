#include "klMsg.h"

#include <errno.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "test_debug_fixture.h"

namespace {

class MsgTest : public MailboxTest {
 protected:
  MsgTest() {
    g_debug_level = 0x08;  // assertion lines and hex dumps, no mailbox reports
    g_timedreceive = 1;
    EXPECT_EQ(0, klMbox_rxopen(mTo, 2, &mRx));
    mIo.size = sizeof mIo.buf;
  }

  // A request as klmsg_send writes it.
  Bytes request(const char* code, const std::string& arg) {
    return tlvMessage(CAT_SYS_CMD, {tlv(TLV_CMD, code), tlv(TLV_CMDARG, arg), tlv(TLV_SRC, mFrom),
                                    tlv(TLV_DST, mTo), tlv(TLV_END)});
  }

  // The peer's side of one exchange: receives the request and answers it in place with the argument
  // (none when empty), or sends the raw bytes instead.
  void answer(const std::string& rsparg, const Bytes& raw) {
    uint8_t buf[KLMSG_MAX] = {};
    char replyTo[64] = {};
    klMbox_t tx;
    ASSERT_GT(snklMbox_timedreceive(buf, sizeof buf, &mRx), 0);
    ASSERT_GT(sntlv_find(replyTo, sizeof replyTo, TLV_SRC, buf), 0);
    ASSERT_EQ(0, klMbox_txopen(replyTo, &tx));
    if (raw.empty()) {
      sntlv_remove(buf, sizeof buf, TLV_END);
      buf[3] += 1;
      std::swap(tlv_find(buf, TLV_SRC)[3], tlv_find(buf, TLV_DST)[3]);
      if (!rsparg.empty())
        sntlv_add_bin(buf, sizeof buf, TLV_RSPARG, static_cast<unsigned>(rsparg.size()), rsparg.data());
      sntlv_add_dat(buf, sizeof buf, TLV_END, 0, 0);
    }
    const Bytes out = raw.empty() ? Bytes(buf, buf + sntlv_msg_len(buf)) : raw;
    EXPECT_EQ(0, klMbox_send(out.data(), static_cast<int>(out.size()), &tx));
    klMbox_close(&tx);
  }

  // Sends a request that a peer thread answers; returns the request's result.
  uint32_t exchange(const std::string& rsparg) {
    g_timedreceive = 10;
    std::thread peer([&] { answer(rsparg, {}); });
    klmsg_build(&mIo, "JS", "\x01", 1, CAT_SYS_CMD);
    const uint32_t result = klmsg_send_timedreceive(&mIo, mFrom, mTo, nullptr, 0);
    peer.join();
    return result;
  }

  const char* mFrom = mNames.make("reply");
  const char* mTo = mNames.make("server");
  klmsg_iobuf_t mIo{};
};

// An empty argument still makes a valid message; "via" redirects it to another mailbox.
TEST_F(MsgTest, SendWritesTheAddressedMessageAndAnUnansweredOneTimesOut) {
  const char* relay = mNames.make("relay");
  klMbox_t relayBox;
  ASSERT_EQ(0, klMbox_rxopen(relay, 2, &relayBox));
  EXPECT_EQ(5, klmsg_build(&mIo, "JS", "\x01", 1, CAT_SYS_CMD));
  EXPECT_EQ(15u, mIo.len);
  EXPECT_EQ(0, klmsg_send(&mIo, mFrom, mTo, nullptr, 0));
  EXPECT_EQ(request("JS", "\x01").size(), mIo.len);
  EXPECT_EQ(request("JS", "\x01"), receive(&mRx));
  EXPECT_EQ(4, klmsg_build(&mIo, "JR", nullptr, 0, CAT_SYS_CMD));
  EXPECT_EQ(0, klmsg_send(&mIo, mFrom, mTo, relay, 0));
  EXPECT_EQ(request("JR", ""), receive(&relayBox));
  EXPECT_TRUE(mSyslog.texts().empty());
  klMbox_close(&relayBox);
  // Unanswered, the request times out and leaves no reply mailbox.
  klmsg_build(&mIo, "JS", "\x01", 1, CAT_SYS_CMD);
  EXPECT_EQ(static_cast<uint32_t>(-1), klmsg_send_timedreceive(&mIo, mFrom, mTo, nullptr, 0));
  EXPECT_EQ(static_cast<uint32_t>(-1), mIo.len);
  EXPECT_EQ(0, tlv_validate(mIo.buf));
  EXPECT_EQ(static_cast<int>(receive(&mRx).size()), sntlv_msg_len(mIo.buf));
  EXPECT_EQ(static_cast<mqd_t>(-1), mq_open(mFrom, O_RDONLY));
  EXPECT_EQ(ENOENT, errno);
  uint8_t* arg = reinterpret_cast<uint8_t*>(&mIo);
  uint16_t length = 77;
  EXPECT_EQ(nullptr, klmsg_response(&mIo, &arg, &length));
  EXPECT_EQ(reinterpret_cast<uint8_t*>(&mIo), arg);
  EXPECT_EQ(77, length);
}

TEST_F(MsgTest, TraceFollowsBit8AndTheDirectionMask) {
  g_debug = 0x1 | 0x10000;
  const struct {
    int direction;
    const char* label;  // null: not traced
    uint32_t level = 0x108;
  } cases[] = {{0, nullptr},         {1, ">Hb         "}, {2, nullptr},
               {13, "    >NW     "}, {29, nullptr},       {1, nullptr, 0x8}};
  for (const auto& c : cases) {
    g_debug_level = c.level;
    klmsg_build(&mIo, "JS", "\x01", 1, CAT_SYS_CMD);
    klmsg_send(&mIo, mFrom, mTo, nullptr, c.direction);
    receive(&mRx);
    const std::vector<std::string> lines = mSyslog.texts();
    if (c.label == nullptr) {
      EXPECT_TRUE(lines.empty()) << c.direction;
    } else {
      ASSERT_EQ(1 + (mIo.len + 15) / 16, lines.size()) << c.direction;  // an empty line, then the dump
      char lengthField[8];
      snprintf(lengthField, sizeof lengthField, "%02x%02x", mIo.buf[0], mIo.buf[1]);
      EXPECT_EQ(std::string(c.label) + "00000000  " + lengthField, lines[1].substr(0, 26)) << c.direction;
    }
  }
}

// Without RSPARG the answer is accepted but has no argument, and is as long as the request.
TEST_F(MsgTest, AnswerCarriesItsArgument) {
  for (const std::string rsparg : {"ok!", ""}) {
    const uint32_t len = exchange(rsparg);
    EXPECT_EQ(static_cast<uint32_t>(sntlv_msg_len(mIo.buf)), len);
    EXPECT_EQ(request("JS", "\x01").size() + (rsparg.empty() ? 0 : 4 + rsparg.size()), len);
    EXPECT_EQ(CAT_SYS_RSP, mIo.buf[3]);
    uint8_t* arg = nullptr;
    uint16_t length = 5;
    EXPECT_EQ(rsparg.empty() ? nullptr : tlv_value(tlv_find(mIo.buf, TLV_RSPARG)),
              klmsg_response(&mIo, &arg, &length));
    // Without an argument, arg and length are left alone.
    const std::string got = arg ? std::string(reinterpret_cast<char*>(arg), length) : std::to_string(length);
    EXPECT_EQ(rsparg.empty() ? "5" : rsparg, got);
  }
}

TEST_F(MsgTest, MalformedAnswersAndCallerErrorsEndTheProcess) {
  // The header claims more bytes than the peer sent.
  const Bytes lying = withLength(tlvMessage(CAT_SYS_RSP, {tlv(TLV_CMD, "JS"), tlv(TLV_END)}), 200);
  expectAssertExit(
      [&] {
        std::thread([&] { answer("", lying); }).detach();  // the process ends before a join
        klmsg_build(&mIo, "JS", "\x01", 1, CAT_SYS_CMD);
        klmsg_send_timedreceive(&mIo, mFrom, mTo, nullptr, 0);
      },
      "(^|\n)\\[         DMSGERR: 260\\] klmsg_send_timedreceive:\n\n.*"
      "ASSERT:.*:0 == tlv_validate\\(iobuf->buf\\)");
  std::vector<uint8_t> tooBig(KLMSG_MAX - 10);
  expectAssertExit(
      [&] {
        klmsg_build(&mIo, "JS", tooBig.data(), static_cast<int>(tooBig.size()), CAT_SYS_CMD);
        klmsg_send(&mIo, mFrom, mTo, nullptr, 0);
      },
      "ASSERT:.*:0 == tlv_validate\\(iobuf->buf\\)");
  const char* nobody = mNames.make("nobody");
  expectAssertExit(
      [&] {
        klmsg_build(&mIo, "JS", "\x01", 1, CAT_SYS_CMD);
        klmsg_send(&mIo, mFrom, nobody, nullptr, 0);
      },
      "ASSERT:.*:klMbox_txopen\\(via, &txq\\) == 0");
}

}  // namespace
