// Camera-link messages on raw bytes: what each side writes, and what each side refuses.
#include <gtest/gtest.h>

#include <vector>

#include "camera_link.h"
#include "klErrno.h"

namespace {

const klc_link_header kHeader{0x01020304, 17, 2};

std::vector<uint8_t> request(const void* payload, uint16_t length, const char* queue = "/to_klCtlD2") {
  std::vector<uint8_t> buf(KLMSG_MAX);
  const int n = klc_link_encode_request(buf.data(), unsigned(buf.size()), kHeader, payload, length, queue);
  buf.resize(n > 0 ? size_t(n) : 0);
  return buf;
}

std::vector<uint8_t> reply(int32_t status, const void* answer, uint16_t length) {
  std::vector<uint8_t> buf(KLMSG_MAX);
  const int n = klc_link_encode_reply(buf.data(), unsigned(buf.size()), kHeader, status, answer, length);
  buf.resize(n > 0 ? size_t(n) : 0);
  return buf;
}

// The request bytes; the encoders refuse what would not fit one message.
TEST(CameraLinkCodec, RequestWireBytes) {
  const std::vector<uint8_t> expected = {0x00, 0x20, 0x00, 0x30,  // length 32, CAT_CAMLINK_REQ
                                         0x00, 0x00, 0x08, 0x41, 0x04, 0x03, 0x02,
                                         0x01, 0x11, 0x00, 0x02, 0x00,             // seq, group 17, id 2
                                         0x00, 0x00, 0x01, 0x42, 0x07,             // payload
                                         0x00, 0x00, 0x03, 0x44, '/',  'q',  '2',  // reply queue
                                         0x00, 0x00, 0x00, 0xEE};
  const uint8_t payload = 7;
  EXPECT_EQ(request(&payload, 1, "/q2"), expected);
  std::vector<uint8_t> big(KLMSG_MAX, 1);
  const std::string longest(KLC_LINK_MAX_QUEUE_NAME, 'q');
  EXPECT_EQ(request(big.data(), KLC_LINK_MAX_PAYLOAD, longest.c_str()).size(), size_t(KLMSG_MAX));
  EXPECT_TRUE(request(big.data(), KLC_LINK_MAX_PAYLOAD + 1, longest.c_str()).empty());
  EXPECT_TRUE(request(nullptr, 0, "").empty());
  EXPECT_TRUE(request(nullptr, 0, (longest + "q").c_str()).empty());
  EXPECT_TRUE(reply(0, big.data(), KLC_LINK_MAX_ANSWER + 1).empty());
  EXPECT_EQ(reply(0, big.data(), KLC_LINK_MAX_ANSWER).size(), size_t(KLMSG_MAX));
}

// Rewrites one byte of a well-formed message.
std::vector<uint8_t> patched(std::vector<uint8_t> bytes, size_t at, uint8_t value) {
  bytes[at] = value;
  return bytes;
}

TEST(CameraLinkCodec, DecodersRefuseMalformedMessages) {
  const uint8_t one = 1;
  const auto rsp = reply(0, &one, 1);  // CMD at 4, RSPCODE at 16, RSPARG at 24, END at 29
  const auto req = request(&one, 1);   // CMD at 4, CMDARG at 16, SRC at 21
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
    bool isReply;
  };
  auto dup = rsp;  // a second RSPCODE in place of RSPARG
  dup[27] = TLV_RSPCODE;
  dup[26] = 4;
  dup.insert(dup.begin() + 29, {0, 0, 0});
  dup[1] = uint8_t(dup.size());
  const std::vector<Case> cases = {
      {"reply category on a request", patched(req, 3, CAT_CAMLINK_RSP), false},
      {"request category on a reply", patched(rsp, 3, CAT_CAMLINK_REQ), true},
      {"reply CMD of 7 bytes", patched(rsp, 6, 7), true},
      {"reply without RSPCODE", patched(rsp, 19, TLV_VOID), true},
      {"reply RSPCODE of 2 bytes", patched(patched(rsp, 18, 2), 3, CAT_CAMLINK_RSP), true},
      {"reply with two RSPCODE", dup, true},
      {"reply cut short", {rsp.begin(), rsp.end() - 1}, true},
      {"request without SRC", patched(req, 24, TLV_VOID), false},
      {"request without CMD", patched(req, 7, TLV_VOID), false},
      {"request SRC with a NUL", patched(req, 26, 0), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    klc_link_reply reply{};
    klc_link_request request{};
    const unsigned size = unsigned(c.bytes.size());
    EXPECT_EQ(c.isReply ? klc_link_decode_reply(c.bytes.data(), size, &reply)
                        : klc_link_decode_request(c.bytes.data(), size, &request),
              KL_ERR_INVALID_PARAM);
  }
}

}  // namespace
