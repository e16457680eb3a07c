#include "klTlv.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "fake_syslog.h"
#include "klDebug.h"
#include "tlv_bytes.h"

namespace {

const std::string kSrc = "/to_klNet";
const std::string kDst = "/to_klCtlD";

// A suspend request as a peer would send it: 46 bytes.
Bytes request(uint8_t category = CAT_SYS_CMD) {
  return tlvMessage(category, {tlv(TLV_CMD, "JS"), tlv(TLV_CMDARG, "\x01"), tlv(TLV_SRC, kSrc),
                               tlv(TLV_DST, kDst), tlv(TLV_END)});
}

// A request whose argument makes the whole message total bytes long.
Bytes requestOfLength(int total) {
  return tlvMessage(CAT_SYS_CMD, {tlv(TLV_CMD, "JS"), tlv(TLV_CMDARG, std::string(total - 45, 'a')),
                                  tlv(TLV_SRC, kSrc), tlv(TLV_DST, kDst), tlv(TLV_END)});
}

class TlvTest : public testing::Test {
 protected:
  // Validation reports are written above verbosity 15.
  TlvTest() { g_debug_level = 0x10; }
  ~TlvTest() override { g_debug_level = mSavedLevel; }

  FakeSyslog mSyslog;
  uint32_t mSavedLevel = g_debug_level;
};

struct ValidateCase {
  const char* name;
  Bytes msg;
  int result;
  const char* report;  // empty: no line
};

TEST_F(TlvTest, ValidateChecksEachStepInOrderAndReportsIt) {
  const ValidateCase cases[] = {
      {"valid request", request(), 0, ""},
      {"17 bytes", tlvMessage(CAT_SYS_CMD, {tlv(TLV_CMD, "JS"), tlv(TLV_CMDARG, "abc")}), -1,
       "TLV_ERROR: MSG len is too short (17 < 18)\n"},
      {"negative length", withLength(request(), 0x8000), -1,
       "TLV_ERROR: MSG len is too short (-32768 < 18)\n"},
      {"18 bytes pass step 1", tlvMessage(CAT_SYS_CMD, {tlv(TLV_CMD, "JS"), tlv(TLV_CMDARG), tlv(TLV_END)}),
       -3, "TLV_ERROR: :JS MSG needs a DST\n"},
      {"1500 bytes", requestOfLength(1500), 0, ""},
      {"1501 bytes", requestOfLength(1501), -1, "TLV_ERROR: MSG len is too long (1501 > 1500)\n"},
      {"value length runs past the end",
       tlvMessage(CAT_SYS_CMD, {tlv(TLV_CMD, "JS"),
                                {0, 0, 100, TLV_CMDARG, 1},
                                tlv(TLV_SRC, kSrc),
                                tlv(TLV_DST, kDst),
                                tlv(TLV_END)}),
       -1, "TLV_ERROR: MSG length (110) does not match internal length (420.\n"},
      {"header cut by the end",
       [] {
         Bytes m = request();
         m.insert(m.end(), {0, 0});
         return withLength(m, 48);
       }(),
       -1, "TLV_ERROR: MSG length (42) does not match internal length (440.\n"},
      {"no end marker",
       tlvMessage(CAT_SYS_CMD,
                  {tlv(TLV_CMD, "JS"), tlv(TLV_CMDARG, "\x01"), tlv(TLV_SRC, kSrc), tlv(TLV_DST, kDst)}),
       -1, "TLV_ERROR: MSG is missing ending TLV: 0xEE\n"},
      {"no CMD, DST or SRC", tlvMessage(CAT_SYS_CMD, {tlv(TLV_CMDARG, "0123456789"), tlv(TLV_END)}), -3,
       "TLV_ERROR: MSG needs a CMD\n"},
      {"no DST or SRC", tlvMessage(CAT_SYS_CMD, {tlv(TLV_CMD, "JR"), tlv(TLV_CMDARG, "1234"), tlv(TLV_END)}),
       -3, "TLV_ERROR: :JR MSG needs a DST\n"},
      {"no SRC",
       tlvMessage(CAT_SYS_CMD,
                  {tlv(TLV_CMD, "JS"), tlv(TLV_CMDARG, "\x01"), tlv(TLV_DST, kDst), tlv(TLV_END)}),
       -3, "TLV_ERROR: :JS MSG needs a SRC\n"},
      {"command number instead of a code",
       tlvMessage(CAT_CLIENT_CMD,
                  {tlv(TLV_CMD, std::string("\x04\0\0\0", 4)), tlv(TLV_CMDARG, "1234"), tlv(TLV_END)}),
       -3, "TLV_ERROR: :\x04 MSG needs a DST\n"},
      {"second, earlier end marker",
       tlvMessage(CAT_SYS_CMD, {tlv(TLV_CMD, "JS"), tlv(TLV_END), tlv(TLV_CMDARG, "\x01"), tlv(TLV_SRC, kSrc),
                                tlv(TLV_DST, kDst), tlv(TLV_END)}),
       -1, "TLV_ERROR: :JS MSG has too many ending TLV: 0xEE\n"},
      {"last byte 0xEE inside a value",
       tlvMessage(CAT_SYS_CMD, {tlv(TLV_CMD, "JS"), tlv(TLV_CMDARG, "\x01"), tlv(TLV_SRC, kSrc),
                                tlv(TLV_DST, "/to_b\xEE")}),
       -1, "TLV_ERROR: :JS MSG has too many ending TLV: 0xEE\n"},
      {"category 0xF0", request(0xF0), -2, "TLV_ERROR: :JS MSG needs a known CATagory. CAT=0xf0\n"},
      {"category 0xEF, a response without RSPARG", request(0xEF), 0,
       "TLV_WARNING: MSG :JS RSP needs a RSPARG fr_klNet /to_klCtlD\n"},
      {"command without CMDARG",
       tlvMessage(CAT_SYS_CMD, {tlv(TLV_CMD, "JS"), tlv(TLV_SRC, kSrc), tlv(TLV_DST, kDst), tlv(TLV_END)}),
       -3, "TLV_ERROR: MSG :JS CMD needs a CMDARG\n"},
      {"response without CMDARG",
       tlvMessage(CAT_SYS_RSP, {tlv(TLV_CMD, "JS"), tlv(TLV_SRC, kSrc), tlv(TLV_DST, kDst),
                                tlv(TLV_RSPARG, "x"), tlv(TLV_END)}),
       -3, "TLV_ERROR: MSG :JS RSP needs a CMDARG\n"},
      {"response with RSPARG",
       tlvMessage(CAT_SYS_RSP, {tlv(TLV_CMD, "JS"), tlv(TLV_CMDARG, "\x01"), tlv(TLV_DST, kSrc),
                                tlv(TLV_SRC, kDst), tlv(TLV_RSPARG, std::string(1, '\0')), tlv(TLV_END)}),
       0, ""},
      {"response from a two-letter source",
       tlvMessage(CAT_SYS_RSP, {tlv(TLV_CMD, "JS"), tlv(TLV_CMDARG, "\x01"), tlv(TLV_SRC, "/a"),
                                tlv(TLV_DST, kDst), tlv(TLV_END)}),
       0, "TLV_WARNING: MSG :JS RSP needs a RSPARG fr /to_klCtlD\n"},
  };
  for (const ValidateCase& c : cases) {
    const Bytes before = c.msg;
    EXPECT_EQ(c.result, tlv_validate(c.msg.data())) << c.name;
    EXPECT_EQ(before, c.msg) << c.name;
    const std::vector<std::string> lines = mSyslog.texts();
    if (c.report[0] == '\0') {
      EXPECT_TRUE(lines.empty()) << c.name;
    } else {
      EXPECT_EQ(std::vector<std::string>{c.report}, lines) << c.name;
    }
  }
}

TEST_F(TlvTest, ValidateReportsNothingAtVerbosity15) {
  g_debug_level = 0x0F;
  EXPECT_EQ(-2, tlv_validate(request(0xF0).data()));
  EXPECT_TRUE(mSyslog.texts().empty());
}

TEST_F(TlvTest, AppendsWriteTheWireBytes) {
  uint8_t buf[64];
  memset(buf, 0xAA, sizeof buf);
  EXPECT_EQ(4, sntlv_msg_init(buf, sizeof buf, CAT_SYS_CMD));
  for (int type = 0; type < 256; ++type) EXPECT_EQ(nullptr, tlv_find(buf, static_cast<uint8_t>(type)));
  EXPECT_EQ(6, sntlv_add_bin(buf, sizeof buf, TLV_CMD, 2, "JS"));
  EXPECT_EQ(5, sntlv_add_dat(buf, sizeof buf, TLV_RSPARG, 1, 261));
  EXPECT_EQ(4, sntlv_add_dat(buf, sizeof buf, TLV_END, 0, 0));
  const Bytes expected = {0, 19, 0, 0x10, 0, 0, 2, 0x41, 'J', 'S', 0, 0, 1, 0x45, 0x05, 0, 0, 0, 0xEE};
  EXPECT_EQ(expected, Bytes(buf, buf + 19));
  EXPECT_EQ(0xAA, buf[19]);
  EXPECT_EQ(19, sntlv_msg_len(buf));
}

TEST_F(TlvTest, AppendAtCapacityIsAcceptedAndPastItRefused) {
  uint8_t buf[32];
  sntlv_msg_init(buf, sizeof buf, CAT_SYS_CMD);
  const Bytes before(buf, buf + sizeof buf);
  const std::string value(sizeof buf - 7, 'v');  // 4 + 4 + 25 = 33: one byte too many
  EXPECT_EQ(0, sntlv_add_bin(buf, sizeof buf, TLV_CMDARG, static_cast<unsigned>(value.size()), value.data()));
  EXPECT_EQ(before, Bytes(buf, buf + sizeof buf));
  // Refused before the empty-address check, as that check needs room to matter.
  EXPECT_EQ(0, sntlv_add_bin(buf, 4, TLV_SRC, 0, ""));
  EXPECT_EQ(
      28, sntlv_add_bin(buf, sizeof buf, TLV_CMDARG, static_cast<unsigned>(value.size() - 1), value.data()));
  EXPECT_EQ(32, sntlv_msg_len(buf));
  EXPECT_EQ(0, sntlv_add_dat(buf, sizeof buf, TLV_END, 0, 0));
}

TEST_F(TlvTest, AppendRefusesAMessageWhoseLengthFieldIsNotAMessage) {
  Bytes buf = withLength(Bytes(16, 0), 2);
  EXPECT_EQ(0, sntlv_add_dat(buf.data(), 16, TLV_END, 0, 0));
  buf = withLength(buf, -4);
  EXPECT_EQ(0, sntlv_add_dat(buf.data(), 16, TLV_END, 0, 0));
}

TEST_F(TlvTest, FindCopiesOnlyIntoALargerDestination) {
  const Bytes msg = request();
  char dst[16];
  memset(dst, '#', sizeof dst);
  EXPECT_EQ(0, sntlv_find(dst, static_cast<int>(kSrc.size()), TLV_SRC, msg.data()));
  EXPECT_EQ('#', dst[0]);
  EXPECT_EQ(9, sntlv_find(dst, static_cast<int>(kSrc.size()) + 1, TLV_SRC, msg.data()));
  EXPECT_EQ(kSrc + "#", std::string(dst, 10));
  EXPECT_EQ(0, sntlv_find(dst, sizeof dst, TLV_RSPARG, msg.data()));
}

TEST_F(TlvTest, VoidKeepsLengthAndValidityAndUncoversTheNextOfTheType) {
  Bytes msg =
      tlvMessage(CAT_SYS_CMD, {tlv(TLV_CMD, "JS"), tlv(TLV_CMDARG, "first"), tlv(TLV_CMDARG, "second"),
                               tlv(TLV_SRC, kSrc), tlv(TLV_DST, kDst), tlv(TLV_END)});
  sntlv_void(msg.data(), TLV_CMDARG);
  EXPECT_EQ(static_cast<int>(msg.size()), sntlv_msg_len(msg.data()));
  EXPECT_EQ((Bytes{0, 0, 5, TLV_VOID, 0, 0, 0, 0, 0}), Bytes(msg.begin() + 10, msg.begin() + 19));
  EXPECT_EQ(0, tlv_validate(msg.data()));
  char arg[8] = {};
  EXPECT_EQ(6, sntlv_find(arg, sizeof arg, TLV_CMDARG, msg.data()));
  EXPECT_STREQ("second", arg);
}

TEST_F(TlvTest, RemovingTheEndLetsAnInPlaceAnswerBeAppended) {
  Bytes msg = request();
  msg.resize(64);
  EXPECT_EQ(-4, sntlv_remove(msg.data(), 64, TLV_END));
  EXPECT_EQ(42, sntlv_msg_len(msg.data()));
  msg[3] = CAT_SYS_RSP;
  EXPECT_EQ(5, sntlv_add_dat(msg.data(), 64, TLV_RSPARG, 1, 0));
  EXPECT_EQ(4, sntlv_add_dat(msg.data(), 64, TLV_END, 0, 0));
  EXPECT_EQ(0, tlv_validate(msg.data()));
  EXPECT_TRUE(mSyslog.texts().empty());
}

TEST(TlvConversions, LoclItoIWritesBytesMostSignificantFirst) {
  char out[8];
  memset(out, '#', sizeof out);
  EXPECT_EQ(2, snLoclItoI(out, sizeof out, 2, 0x11224A53));
  EXPECT_EQ(std::string("JS\0#", 4), std::string(out, 4));
  EXPECT_EQ(4, snLoclItoI(out, sizeof out, 4, 0x41424344));
  EXPECT_STREQ("ABCD", out);
  memset(out, '#', sizeof out);
  for (int n : {0, -1, 5}) EXPECT_EQ(0, snLoclItoI(out, sizeof out, n, 0x41424344)) << n;
  EXPECT_EQ('#', out[0]);
  // Each character is bounded by the room left: only a terminator fits in one byte.
  EXPECT_EQ(2, snLoclItoI(out, 1, 2, 0x4A53));
  EXPECT_EQ(std::string("\0#", 2), std::string(out, 2));
}

TEST(TlvConversions, LoclbinCopiesOnlyWhatFits) {
  const char src[] = "abcdef";
  char out[4] = {'#', '#', '#', '#'};
  EXPECT_EQ(0, snLoclbin(out, 3, 0, src));
  EXPECT_EQ(0, snLoclbin(out, 3, 4, src));
  EXPECT_EQ('#', out[0]);
  EXPECT_EQ(3, snLoclbin(out, 3, 3, src));
  EXPECT_EQ(std::string("abc#"), std::string(out, 4));
}

TEST(TlvMsgCheck, RefusesAHeaderThatLiesAboutWhatWasReceived) {
  const struct {
    int length;
    int received;
    int result;
  } cases[] = {{46, 46, 0}, {4, 4, 0},       {46, 45, -1},     {3, 46, -1},       {-1, 46, -1},
               {46, 3, -1}, {1500, 1500, 0}, {1501, 1600, -1}, {0x7FFF, 1600, -1}};
  for (const auto& c : cases) {
    const Bytes msg = withLength(request(), c.length);
    EXPECT_EQ(c.result, tlv_msg_check(msg.data(), c.received)) << c.length << "/" << c.received;
  }
}

// Corrupt messages in buffers of exactly their own size, so that a sanitizer build catches any read
// past them.
TEST_F(TlvTest, ReadersStayInsideCorruptMessages) {
  const Bytes lying = tlvMessage(CAT_SYS_CMD, {tlv(TLV_CMD, "JS"), {0, 0xFF, 0xFF, TLV_CMDARG, 1}});
  const Bytes cutHeader = withLength(Bytes{0, 0, 0, 0x10, 0, 0, 2}, 7);
  Bytes maxed(KLMSG_MAX, 0);  // zero-length TLVs up to the last header, whose value would cross 1500
  maxed = withLength(maxed, 0x7FFF);
  maxed[KLMSG_MAX - 4 + 2] = 1;
  maxed[KLMSG_MAX - 4 + 3] = TLV_RSPARG;
  for (const Bytes& msg : {lying, cutHeader, maxed}) {
    Bytes copy = msg;
    EXPECT_EQ(nullptr, tlv_find(copy.data(), TLV_CMDARG));
    EXPECT_EQ(nullptr, tlv_find(copy.data(), TLV_RSPARG));
    char dst[8];
    EXPECT_EQ(0, sntlv_find(dst, sizeof dst, TLV_CMDARG, copy.data()));
    EXPECT_EQ(-1, tlv_validate(copy.data()));
  }
  EXPECT_NE(nullptr, tlv_find(lying.data(), TLV_CMD));
}

void syslogToStderr(int, const char* line) {
  fputs(line, stderr);
}

TEST(TlvDeathTest, ContractViolationsEndTheProcess) {
  const struct {
    uint8_t type;
    const char* text;
  } empties[] = {{TLV_SRC, "\\(atype != TLV_SRC\\) \\|\\| \\(alen > 0\\)"},
                 {TLV_DST, "\\(atype != TLV_DST\\) \\|\\| \\(alen > 0\\)"}};
  for (const auto& c : empties) {
    EXPECT_EXIT(
        {
          klSetSyslogSink(&syslogToStderr);
          uint8_t buf[32];
          sntlv_msg_init(buf, sizeof buf, CAT_SYS_CMD);
          sntlv_add_bin(buf, sizeof buf, c.type, 0, "");
        },
        testing::ExitedWithCode(255), std::string("ASSERT:.*:") + c.text);
  }
  Bytes msg = request();
  EXPECT_EXIT(
      {
        klSetSyslogSink(&syslogToStderr);
        sntlv_void(msg.data(), TLV_RSPARG);
      },
      testing::ExitedWithCode(255), "ASSERT:.*/sntlv_void:[0-9]+:tlv != NULL");
  EXPECT_EXIT(
      {
        klSetSyslogSink(&syslogToStderr);
        sntlv_remove(msg.data(), 46, TLV_RSPARG);
      },
      testing::ExitedWithCode(255), "ASSERT:.*/sntlv_remove:[0-9]+:tlvend != NULL");
}

}  // namespace
