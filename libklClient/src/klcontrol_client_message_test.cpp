#include "klcontrol_client_message.h"

#include <gtest/gtest.h>

#include "klTlv.h"

// Words on the wire are in host byte order; the bytes below are those of a little-endian host.
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__,
              "expected bytes are written for a little-endian host");

namespace {

using Bytes = std::vector<uint8_t>;

Bytes build(uint32_t command, const Bytes* argument, const std::string& reply,
            unsigned capacity = KLMSG_MAX) {
  Bytes msg(capacity);
  const int length = klcontrol_build_command(msg.data(), capacity, command, argument, reply);
  msg.resize(static_cast<size_t>(length));
  return msg;
}

TEST(ClientRequest, BuildsExactBytes) {
  const Bytes one = {1, 0, 0, 0}, empty;
  const struct {
    uint32_t command;
    const Bytes* argument;  // none: no TLV_CMDARG; empty: an empty one
    const char* reply;
    Bytes expected;
  } cases[] = {
      {4, &one, "/q.1", {0x00, 0x20, 0x00, 0x14,                       // 32 bytes, CAT_CLIENT_CMD
                         0x00, 0x00, 0x04, 0x41, 0x04, 0,   0,   0,    // TLV_CMD 4
                         0x00, 0x00, 0x04, 0x42, 0x01, 0,   0,   0,    // TLV_CMDARG u32:1
                         0x00, 0x00, 0x04, 0x44, '/',  'q', '.', '1',  // TLV_SRC, no terminator
                         0x00, 0x00, 0x00, 0xEE}},                     // TLV_END
      {97, nullptr, "/q", {0x00, 0x16, 0x00, 0x14, 0x00, 0x00, 0x04, 0x41, 0x61, 0,    0,
                           0,    0x00, 0x00, 0x02, 0x44, '/',  'q',  0x00, 0x00, 0x00, 0xEE}},
      {0xFFFFFFFF, &empty, "/q", {0x00, 0x1A, 0x00, 0x14, 0x00, 0x00, 0x04, 0x41, 0xFF,
                                  0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x42, 0x00, 0x00,
                                  0x02, 0x44, '/',  'q',  0x00, 0x00, 0x00, 0xEE}},
  };
  for (const auto& c : cases) EXPECT_EQ(c.expected, build(c.command, c.argument, c.reply)) << c.command;
  EXPECT_TRUE(build(4, nullptr, "/q", 21).empty());  // one byte short
  EXPECT_EQ(22u, build(4, nullptr, "/q", 22).size());
}

struct Decoded {
  bool ok;
  klcontrol_answer_t answer;
  std::string problem;
};

// The received bytes are passed in a buffer of exactly their size, so reading past them is caught.
Decoded decode(const Bytes& received) {
  Decoded d{};
  d.ok = klcontrol_decode_answer(received.data(), static_cast<int>(received.size()), d.answer, d.problem);
  return d;
}

const Bytes kAnswerWithPayload = {0x00, 0x17, 0x00, 0x15, 0x00, 0x00, 0x04, 0xEC, 0x98, 0xFF, 0xFF, 0xFF,
                                  0x00, 0x00, 0x03, 0x45, 0x01, 0x02, 0x03, 0x00, 0x00, 0x00, 0xEE};

TEST(ClientAnswer, StatusAndPayload) {
  const struct {
    Bytes received;
    int32_t status;
    Bytes payload;
  } cases[] = {
      {kAnswerWithPayload, -104, {1, 2, 3}},
      {{0x00, 0x10, 0x00, 0x15, 0x00, 0x00, 0x04, 0xEC, 0, 0, 0, 0, 0x00, 0x00, 0x00, 0xEE}, 0, {}},
  };
  for (const auto& c : cases) {
    const Decoded d = decode(c.received);
    ASSERT_TRUE(d.ok) << d.problem;
    EXPECT_EQ(c.status, d.answer.status);
    EXPECT_EQ(c.payload, d.answer.payload);
  }
}

TEST(ClientAnswer, BrokenAnswersAreRefused) {
  Bytes truncated = kAnswerWithPayload;
  truncated.resize(20);
  Bytes lyingTlv = kAnswerWithPayload;  // TLV_RSPARG claims 0x103 bytes
  lyingTlv[14] = 0x01;
  Bytes shortLengthField = kAnswerWithPayload;  // stops inside TLV_RSPARG
  shortLengthField[1] = 0x12;
  Bytes lyingLengthField = kAnswerWithPayload;
  lyingLengthField[1] = 0x18;
  Bytes wrongCategory = kAnswerWithPayload;
  wrongCategory[3] = CAT_SYS_RSP;
  const Bytes shortStatus = {0x00, 0x0E, 0x00, 0x15, 0x00, 0x00, 0x02, 0xEC, 0, 0, 0x00, 0x00, 0x00, 0xEE};
  const Bytes noStatus = {0x00, 0x0F, 0x00, 0x15, 0x00, 0x00, 0x03, 0x45, 1, 2, 3, 0x00, 0x00, 0x00, 0xEE};
  const Bytes cases[] = {{},          {0x00},           {0x00, 0x04, 0x00}, truncated,
                         lyingTlv,    shortLengthField, lyingLengthField,   wrongCategory,
                         shortStatus, noStatus};
  for (const Bytes& received : cases) {
    const Decoded d = decode(received);
    EXPECT_FALSE(d.ok) << received.size() << " bytes";
    EXPECT_FALSE(d.problem.empty());
  }
}

TEST(ClientAnswer, SystemAnswerInPlace) {
  // "JS" answered in place: category + 1, source and destination swapped, TLV_RSPARG 0 appended.
  const Bytes answer = {0x00, 0x24, 0x00, 0x11, 0x00, 0x00, 0x02, 0x41, 'J',  'S',  0x00, 0x00,
                        0x00, 0x42, 0x00, 0x00, 0x03, 0x43, '/',  'r',  '1',  0x00, 0x00, 0x02,
                        0x44, '/',  'd',  0x00, 0x00, 0x01, 0x45, 0x00, 0x00, 0x00, 0x00, 0xEE};
  klcontrol_answer_t decoded;
  std::string problem;
  ASSERT_TRUE(
      klcontrol_decode_system_answer(answer.data(), static_cast<int>(answer.size()), decoded, problem))
      << problem;
  EXPECT_EQ(0, decoded.status);
  EXPECT_EQ(Bytes{0}, decoded.payload);
  const Bytes withoutRsparg = {0x00, 0x0E, 0x00, 0x11, 0x00, 0x00, 0x02,
                               0x41, 'J',  'S',  0x00, 0x00, 0x00, 0xEE};
  EXPECT_FALSE(klcontrol_decode_system_answer(withoutRsparg.data(), 14, decoded, problem));
  EXPECT_FALSE(
      klcontrol_decode_system_answer(kAnswerWithPayload.data(), 23, decoded, problem));  // a client answer
}

}  // namespace
