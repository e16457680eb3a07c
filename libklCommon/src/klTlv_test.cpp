#include "klTlv.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "test_debug_fixture.h"
#include "test_tlv_bytes.h"

namespace {

const std::string kSrc = "/to_klNet";
const Bytes kJS = tlv(TLV_CMD, "JS");
const Bytes kArg = tlv(TLV_CMDARG, "\x01");
const Bytes kFrom = tlv(TLV_SRC, kSrc);
const Bytes kTo = tlv(TLV_DST, "/to_klCtlD");
const Bytes kEnd = tlv(TLV_END);

Bytes msg(const std::vector<Bytes>& tlvs, uint8_t category = CAT_SYS_CMD) {
  return tlvMessage(category, tlvs);
}

// A suspend request as a peer would send it: 46 bytes.
Bytes request(uint8_t category = CAT_SYS_CMD) {
  return msg({kJS, kArg, kFrom, kTo, kEnd}, category);
}

// A request whose argument makes the whole message total bytes long.
Bytes requestOfLength(int total) {
  return msg({kJS, tlv(TLV_CMDARG, std::string(total - 45, 'a')), kFrom, kTo, kEnd});
}

using TlvTest = DebugLevelTest;

TEST_F(TlvTest, ValidateChecksEachStepInOrderAndReportsIt) {
  const struct {
    const char* name;
    Bytes bytes;
    int result;
    const char* report;  // empty: no line
    uint32_t level = 0x10;
  } cases[] = {
      {"17 bytes", msg({kJS, tlv(TLV_CMDARG, "abc")}), -1, "TLV_ERROR: MSG len is too short (17 < 18)\n"},
      {"length < 0", withLength(request(), 0x8000), -1, "TLV_ERROR: MSG len is too short (-32768 < 18)\n"},
      {"18 bytes pass step 1", msg({kJS, tlv(TLV_CMDARG), kEnd}), -3, "TLV_ERROR: :JS MSG needs a DST\n"},
      {"1500 bytes", requestOfLength(1500), 0, ""},
      {"1501 bytes", requestOfLength(1501), -1, "TLV_ERROR: MSG len is too long (1501 > 1500)\n"},
      {"value past the end", msg({kJS, {0, 0, 100, TLV_CMDARG, 1}, kFrom, kTo, kEnd}), -1,
       "TLV_ERROR: MSG length (110) does not match internal length (420.\n"},
      {"header cut by the end", msg({kJS, kArg, kFrom, kTo, kEnd, {0, 0}}), -1,
       "TLV_ERROR: MSG length (42) does not match internal length (440.\n"},
      {"no end marker", msg({kJS, kArg, kFrom, kTo}), -1, "TLV_ERROR: MSG is missing ending TLV: 0xEE\n"},
      {"no CMD, DST, SRC", msg({tlv(TLV_CMDARG, "0123456789"), kEnd}), -3, "TLV_ERROR: MSG needs a CMD\n"},
      {"no SRC", msg({kJS, kArg, kTo, kEnd}), -3, "TLV_ERROR: :JS MSG needs a SRC\n"},
      {"command number", msg({tlv(TLV_CMD, std::string("\x04\0\0\0", 4)), kArg, kEnd}, CAT_CLIENT_CMD), -3,
       "TLV_ERROR: :\x04 MSG needs a DST\n"},
      {"earlier end marker", msg({kJS, kEnd, kArg, kFrom, kTo, kEnd}), -1,
       "TLV_ERROR: :JS MSG has too many ending TLV: 0xEE\n"},
      {"0xEE ends a value", msg({kJS, kArg, kFrom, tlv(TLV_DST, "/to_b\xEE")}), -1,
       "TLV_ERROR: :JS MSG has too many ending TLV: 0xEE\n"},
      {"category 0xF0", request(0xF0), -2, "TLV_ERROR: :JS MSG needs a known CATagory. CAT=0xf0\n"},
      {"quiet at 15", request(0xF0), -2, "", 0x0F},
      {"0xEF, no RSPARG", request(0xEF), 0, "TLV_WARNING: MSG :JS RSP needs a RSPARG fr_klNet /to_klCtlD\n"},
      {"command, no CMDARG", msg({kJS, kFrom, kTo, kEnd}), -3, "TLV_ERROR: MSG :JS CMD needs a CMDARG\n"},
      {"response, no CMDARG", msg({kJS, kFrom, kTo, tlv(TLV_RSPARG, "x"), kEnd}, CAT_SYS_RSP), -3,
       "TLV_ERROR: MSG :JS RSP needs a CMDARG\n"},
      {"response", msg({kJS, kArg, kFrom, kTo, tlv(TLV_RSPARG, "x"), kEnd}, CAT_SYS_RSP), 0, ""},
      {"two-letter source", msg({kJS, kArg, tlv(TLV_SRC, "/a"), kTo, kEnd}, CAT_SYS_RSP), 0,
       "TLV_WARNING: MSG :JS RSP needs a RSPARG fr /to_klCtlD\n"},
  };
  for (const auto& c : cases) {
    g_debug_level = c.level;
    EXPECT_EQ(c.result, tlv_validate(c.bytes.data())) << c.name;
    EXPECT_EQ(c.report[0] ? std::vector<std::string>{c.report} : std::vector<std::string>{}, mSyslog.texts())
        << c.name;
  }
}

TEST_F(TlvTest, EditsWriteTheWireBytesOrNothingPastCapacity) {
  uint8_t buf[64];
  memset(buf, 0xAA, sizeof buf);
  EXPECT_EQ(4, sntlv_msg_init(buf, sizeof buf, CAT_SYS_CMD));
  for (int type = 0; type < 256; ++type) EXPECT_EQ(nullptr, tlv_find(buf, static_cast<uint8_t>(type)));
  EXPECT_EQ(6, sntlv_add_bin(buf, sizeof buf, TLV_CMD, 2, "JS"));
  EXPECT_EQ(5, sntlv_add_dat(buf, sizeof buf, TLV_RSPARG, 1, 261));
  EXPECT_EQ(4, sntlv_add_dat(buf, sizeof buf, TLV_END, 0, 0));
  EXPECT_EQ((Bytes{0, 19, 0, 0x10, 0, 0, 2, 0x41, 'J', 'S', 0, 0, 1, 0x45, 0x05, 0, 0, 0, 0xEE, 0xAA}),
            Bytes(buf, buf + 20));
  // Past capacity nothing is written: 4 + 4 + 57 = 65 is one byte too many for the 64 bytes.
  sntlv_msg_init(buf, sizeof buf, CAT_SYS_CMD);
  const Bytes before(buf, buf + sizeof buf);
  const std::string value(sizeof buf - 7, 'v');
  EXPECT_EQ(0, sntlv_add_bin(buf, sizeof buf, TLV_CMDARG, static_cast<unsigned>(value.size()), value.data()));
  EXPECT_EQ(before, Bytes(buf, buf + sizeof buf));
  // Refused before the empty-address check, as that check needs room to matter.
  EXPECT_EQ(0, sntlv_add_bin(buf, 4, TLV_SRC, 0, ""));
  EXPECT_EQ(
      60, sntlv_add_bin(buf, sizeof buf, TLV_CMDARG, static_cast<unsigned>(value.size() - 1), value.data()));
  EXPECT_EQ(64, sntlv_msg_len(buf));
  EXPECT_EQ(0, sntlv_add_dat(buf, sizeof buf, TLV_END, 0, 0));
  for (int length : {2, -4})
    EXPECT_EQ(0, sntlv_add_dat(withLength(Bytes(16, 0), length).data(), 16, TLV_END, 0, 0));
  // Voiding keeps length and validity and uncovers the next TLV of the type; removing the end marker
  // lets an answer be appended in place.
  Bytes m = msg({kJS, tlv(TLV_CMDARG, "first"), tlv(TLV_CMDARG, "second"), kFrom, kTo, kEnd});
  sntlv_void(m.data(), TLV_CMDARG);
  EXPECT_EQ(static_cast<int>(m.size()), sntlv_msg_len(m.data()));
  EXPECT_EQ((Bytes{0, 0, 5, TLV_VOID, 0, 0, 0, 0, 0}), Bytes(m.begin() + 10, m.begin() + 19));
  EXPECT_EQ(0, tlv_validate(m.data()));
  char arg[8] = {};
  EXPECT_EQ(6, sntlv_find(arg, sizeof arg, TLV_CMDARG, m.data()));
  EXPECT_STREQ("second", arg);
  m = request();
  m.resize(64);
  EXPECT_EQ(-4, sntlv_remove(m.data(), 64, TLV_END));
  EXPECT_EQ(42, sntlv_msg_len(m.data()));
  m[3] = CAT_SYS_RSP;
  EXPECT_EQ(5, sntlv_add_dat(m.data(), 64, TLV_RSPARG, 1, 0));
  EXPECT_EQ(4, sntlv_add_dat(m.data(), 64, TLV_END, 0, 0));
  EXPECT_EQ(0, tlv_validate(m.data()));
  EXPECT_TRUE(mSyslog.texts().empty());
}

TEST(TlvConversions, WriteMostSignificantFirstAndOnlyWhatFits) {
  char out[8];
  memset(out, '#', sizeof out);
  EXPECT_EQ(2, snLoclItoI(out, sizeof out, 2, 0x11224A53));
  EXPECT_EQ(std::string("JS\0#", 4), std::string(out, 4));
  EXPECT_EQ(4, snLoclItoI(out, sizeof out, 4, 0x41424344));
  EXPECT_STREQ("ABCD", out);
  memset(out, '#', sizeof out);
  for (int n : {0, 5}) EXPECT_EQ(0, snLoclItoI(out, sizeof out, n, 0x41424344)) << n;
  EXPECT_EQ('#', out[0]);
  // Each character is bounded by the room left: only a terminator fits in one byte.
  EXPECT_EQ(2, snLoclItoI(out, 1, 2, 0x4A53));
  EXPECT_EQ(std::string("\0#", 2), std::string(out, 2));
  memset(out, '#', sizeof out);
  EXPECT_EQ(0, snLoclbin(out, 3, 0, "abcdef"));
  EXPECT_EQ(0, snLoclbin(out, 3, 4, "abcdef"));
  EXPECT_EQ('#', out[0]);
  EXPECT_EQ(3, snLoclbin(out, 3, 3, "abcdef"));
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
    const Bytes m = withLength(request(), c.length);
    EXPECT_EQ(c.result, tlv_msg_check(m.data(), c.received)) << c.length << "/" << c.received;
  }
}

// Corrupt messages are in buffers of exactly their own size, so that a sanitizer build catches any
// read past them.
TEST_F(TlvTest, FindCopiesOnlyIntoALargerDestinationAndStaysInsideCorruptMessages) {
  const Bytes valid = request();
  char dst[16];
  memset(dst, '#', sizeof dst);
  EXPECT_EQ(0, sntlv_find(dst, static_cast<int>(kSrc.size()), TLV_SRC, valid.data()));
  EXPECT_EQ('#', dst[0]);
  EXPECT_EQ(9, sntlv_find(dst, static_cast<int>(kSrc.size()) + 1, TLV_SRC, valid.data()));
  EXPECT_EQ(kSrc + "#", std::string(dst, 10));
  EXPECT_EQ(0, sntlv_find(dst, sizeof dst, TLV_RSPARG, valid.data()));
  const Bytes lying = msg({kJS, {0, 0xFF, 0xFF, TLV_CMDARG, 1}});
  const Bytes cutHeader = withLength(Bytes{0, 0, 0, 0x10, 0, 0, 2}, 7);
  Bytes maxed(KLMSG_MAX, 0);  // zero-length TLVs up to the last header, whose value would cross 1500
  maxed = withLength(maxed, 0x7FFF);
  maxed[KLMSG_MAX - 4 + 2] = 1;
  maxed[KLMSG_MAX - 4 + 3] = TLV_RSPARG;
  for (const Bytes& corrupt : {lying, cutHeader, maxed}) {
    Bytes copy = corrupt;
    EXPECT_EQ(nullptr, tlv_find(copy.data(), TLV_CMDARG));
    EXPECT_EQ(nullptr, tlv_find(copy.data(), TLV_RSPARG));
    EXPECT_EQ(0, sntlv_find(dst, sizeof dst, TLV_CMDARG, copy.data()));
    EXPECT_EQ(-1, tlv_validate(copy.data()));
  }
  EXPECT_NE(nullptr, tlv_find(lying.data(), TLV_CMD));
}

TEST(TlvDeathTest, ContractViolationsEndTheProcess) {
  uint8_t buf[32];
  sntlv_msg_init(buf, sizeof buf, CAT_SYS_CMD);
  for (const auto& [type, name] : {std::pair<uint8_t, std::string>{TLV_SRC, "SRC"}, {TLV_DST, "DST"}}) {
    expectAssertExit([&, type = type] { sntlv_add_bin(buf, sizeof buf, type, 0, ""); },
                     "ASSERT:.*:\\(atype != TLV_" + name + "\\) \\|\\| \\(alen > 0\\)");
  }
  Bytes m = request();
  expectAssertExit([&] { sntlv_void(m.data(), TLV_RSPARG); }, "ASSERT:.*/sntlv_void:[0-9]+:tlv != NULL");
  expectAssertExit([&] { sntlv_remove(m.data(), 46, TLV_RSPARG); },
                   "ASSERT:.*/sntlv_remove:[0-9]+:tlvend != NULL");
}

}  // namespace
