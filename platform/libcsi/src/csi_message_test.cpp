// Decoding CSI messages from raw bytes, including truncated and corrupt ones, and the request bytes.
#include "csi_message.h"

#include <gtest/gtest.h>

#include "klErrno.h"
#include "test_command_bytes.h"

namespace {

using namespace csi_test;

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
