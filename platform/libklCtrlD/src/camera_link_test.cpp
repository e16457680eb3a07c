// The camera link: messages on raw bytes (what each side writes and refuses), then the transport and the
// klc_* calls against a fake camera over real queues in private namespaces.
#include "camera_link.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "fake_camera_link.h"
#include "klErrno.h"

namespace {

const klc_link_header kHeader{0x01020304, 17, 2};

std::vector<uint8_t> request(const void* payload, uint16_t length, const char* queue = "/to_klCtlD2",
                             const KlQueueIdentity& id = {}) {
  std::vector<uint8_t> buf(KLMSG_MAX);
  const int n =
      klc_link_encode_request(buf.data(), unsigned(buf.size()), kHeader, payload, length, queue, id);
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
  // With the reply queue's identity: one more record before the end.
  const KlQueueIdentity id{0x0807060504030201, 0x100F0E0D0C0B0A09};
  std::vector<uint8_t> withId = expected;
  withId[1] = 0x34;
  withId.insert(withId.end() - TLV_HDR_LEN, {0x00, 0x00, 0x10, 0x46});
  for (uint8_t byte = 1; byte <= 16; ++byte) withId.insert(withId.end() - TLV_HDR_LEN, byte);
  const std::vector<uint8_t> encoded = request(&payload, 1, "/q2", id);
  EXPECT_EQ(encoded, withId);
  klc_link_request decoded{};
  ASSERT_EQ(klc_link_decode_request(encoded.data(), unsigned(encoded.size()), &decoded), 0);
  EXPECT_TRUE(decoded.replyQueueId == id);
  std::vector<uint8_t> big(KLMSG_MAX, 1);
  const std::string longest(KLC_LINK_MAX_QUEUE_NAME, 'q');
  EXPECT_EQ(request(big.data(), KLC_LINK_MAX_PAYLOAD, longest.c_str(), id).size(), size_t(KLMSG_MAX));
  EXPECT_TRUE(request(big.data(), KLC_LINK_MAX_PAYLOAD + 1, longest.c_str(), id).empty());
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
  auto shortIdentity = request(&one, 1, "/to_klCtlD2", {1, 2});  // identity at 36, END at 56
  shortIdentity.erase(shortIdentity.begin() + 55);
  shortIdentity[38] = 15;
  shortIdentity[1] = uint8_t(shortIdentity.size());
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
      {"request identity of 15 bytes", shortIdentity, false},
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

std::vector<uint8_t> bytesOf(const void* data, size_t length) {
  const auto* p = static_cast<const uint8_t*>(data);
  return {p, p + length};
}

class CameraLinkTest : public CameraLinkFixture {
 protected:
  CameraLinkTest() : CameraLinkFixture(500) {}
};

// A getter sends its operation and fills its out parameters, or leaves them alone; a remote API outside
// its groups is refused without a request.
TEST_F(CameraLinkTest, GetterSendsItsOperationAndFillsItsOutParameter) {
  startAnswering(0, {57});
  EXPECT_EQ(klc_send_simple_remote_api(&ctx, 0x100, 1), KL_ERR_INVALID_PARAM);
  EXPECT_EQ(klc_send_simple_remote_api(&ctx, -1, 1), KL_ERR_INVALID_PARAM);
  EXPECT_EQ(klc_send_auxpod_command(&ctx, "A", nullptr, 0, nullptr, nullptr), KL_ERR_INVALID_PARAM);
  uint8_t model = 0;
  ASSERT_EQ(klc_state_get_model_number(&ctx, &model), 0);
  EXPECT_EQ(model, 57);
  const auto seen = camera->seen();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(klc_link_key(seen[0].header.group, seen[0].header.id), uint32_t(KLC_OP_STATE_GET_MODEL_NUMBER));
  EXPECT_TRUE(seen[0].payload.empty());
  // An answer of another size than the getter's is refused.
  uint8_t lensMode = 9, lens = 9;
  EXPECT_EQ(klc_system_get_lenses(&ctx, &lensMode, &lens), KL_ERR);
  EXPECT_EQ(lensMode, 9);
  EXPECT_EQ(lens, 9);
}

// A refusal is the result and leaves the caller's answer alone; a refused transcode leaves its reason in
// the context.
TEST_F(CameraLinkTest, CameraStatusIsTheResultAndLeavesTheAnswerAlone) {
  startAnswering(KL_ERR_NAK, {0xF8});
  uint8_t* answer = nullptr;
  uint16_t length = 0;
  EXPECT_EQ(klc_send_remote_api_for_response(&ctx, 8, 11, &answer, &length), KL_ERR_NAK);
  EXPECT_EQ(answer, nullptr);
  EXPECT_EQ(length, 0);
  EXPECT_EQ(klc_send_remote_api_payload_response(&ctx, 12, 5, "a", 1, nullptr, nullptr), KL_ERR_NAK);
  EXPECT_EQ(ctx.transcode_refusal, -8);
}

TEST_F(CameraLinkTest, AnswerIsCopiedIntoTheCallersBufferOnlyWhenItFits) {
  std::vector<uint8_t> record(81, 0x5A);
  startAnswering(0, record);
  uint8_t big[128] = {};
  uint8_t* answer = big;
  uint16_t length = sizeof big;
  ASSERT_EQ(klc_send_remote_api_payload_response(&ctx, 17, 2, "\1\0\0\0", 4, &answer, &length), 0);
  EXPECT_EQ(answer, big);
  EXPECT_EQ(length, 81);
  EXPECT_EQ(bytesOf(big, 81), record);
  EXPECT_EQ(big[81], 0);

  uint8_t small[80 + 4] = {};
  answer = small;
  length = 80;
  EXPECT_EQ(klc_send_remote_api_payload_response(&ctx, 17, 2, "\1\0\0\0", 4, &answer, &length),
            KL_ERR_OUTOFMEM);
  EXPECT_EQ(length, 80);
  EXPECT_EQ(bytesOf(small, sizeof small), std::vector<uint8_t>(sizeof small, 0));
}

}  // namespace
