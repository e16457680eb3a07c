// The transport and the klc_* calls against a fake camera over real queues in private namespaces.
#include <gtest/gtest.h>

#include <cstring>

#include "fake_camera_link.h"
#include "klErrno.h"

namespace {

std::vector<uint8_t> bytesOf(const void* data, size_t length) {
  const auto* p = static_cast<const uint8_t*>(data);
  return {p, p + length};
}

class CameraLinkTest : public CameraLinkFixture {
 protected:
  CameraLinkTest() : CameraLinkFixture(500) {}
};

// A getter sends its operation and fills its out parameter; a remote API outside its groups is refused
// without a request.
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
}

TEST_F(CameraLinkTest, GetterRefusesAnAnswerOfTheWrongSize) {
  startAnswering(0, {1, 2, 3});
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
