// The transport and the klc_* calls against a fake camera over real queues in private namespaces.
#include <gtest/gtest.h>

#include <cstring>

#include "camera_link_fixture.h"
#include "klErrno.h"

namespace {

std::vector<uint8_t> bytesOf(const void* data, size_t length) {
  const auto* p = static_cast<const uint8_t*>(data);
  return {p, p + length};
}

class CameraLinkTest : public CameraLinkFixture {
 protected:
  CameraLinkTest() : CameraLinkFixture(500) {}

  // A camera that answers every request with status and answer.
  void startAnswering(int32_t status, std::vector<uint8_t> answer) {
    startCamera([status, answer](const klc_link_request& request) {
      return std::vector<FakeReply>{FakeCameraLink::answer(request, status, answer)};
    });
  }
};

TEST_F(CameraLinkTest, GetterSendsItsOperationAndFillsItsOutParameter) {
  startAnswering(0, {57});
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
  int mode = 0, flatMode = -1;
  EXPECT_EQ(klc_app_get_mode_flat_mode(&ctx, &mode, &flatMode), KL_ERR);
  EXPECT_EQ(flatMode, -1);
}

TEST_F(CameraLinkTest, CameraStatusIsTheResultAndLeavesTheAnswerAlone) {
  startAnswering(KL_ERR_NOT_SUPPORTED, {7});
  uint8_t* answer = nullptr;
  uint16_t length = 0;
  EXPECT_EQ(klc_send_remote_api_for_response(&ctx, 8, 11, &answer, &length), KL_ERR_NOT_SUPPORTED);
  EXPECT_EQ(answer, nullptr);
  EXPECT_EQ(length, 0);
}

TEST_F(CameraLinkTest, CallWithoutReplyTimesOutAndTheNextCallWorks) {
  int calls = 0;
  startCamera([&calls](const klc_link_request& request) {
    if (++calls == 1) return std::vector<FakeReply>{};
    return std::vector<FakeReply>{FakeCameraLink::answer(request, 0)};
  });
  EXPECT_EQ(klc_send_simple_remote_api(&ctx, 9, 12), KL_ERR_MQ_FAIL);
  EXPECT_EQ(klc_send_simple_remote_api(&ctx, 9, 12), 0);
}

TEST_F(CameraLinkTest, LateReplyToATimedOutRequestIsDiscarded) {
  klc_link_header first{};
  startCamera([&first](const klc_link_request& request) {
    if (first.seq == 0) {
      first = request.header;  // hold the first reply back until the next request
      return std::vector<FakeReply>{};
    }
    return std::vector<FakeReply>{{first, 0, {0xAA, 0xAA}}, FakeCameraLink::answer(request, 0, {0x42})};
  });
  uint8_t* answer = nullptr;
  uint16_t length = 0;
  EXPECT_EQ(klc_send_remote_api_for_response(&ctx, 8, 11, &answer, &length), KL_ERR_MQ_FAIL);
  ASSERT_EQ(klc_send_remote_api_for_response(&ctx, 8, 11, &answer, &length), 0);
  EXPECT_EQ(bytesOf(answer, length), std::vector<uint8_t>{0x42});
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

// Taken as an answer by a caller that reads it, as the refusal by one that does not.
TEST_F(CameraLinkTest, NakOffReplyPassesThroughAsAOneByteAnswer) {
  startAnswering(0, {2});
  uint8_t* answer = nullptr;
  uint16_t length = 0;
  ASSERT_EQ(klc_send_remote_api_for_response(&ctx, 8, 11, &answer, &length), 0);
  EXPECT_EQ(bytesOf(answer, length), std::vector<uint8_t>{2});
  EXPECT_EQ(klc_send_simple_remote_api(&ctx, 8, 13), KL_ERR_NAK_OFF);
}

TEST_F(CameraLinkTest, RefusedTranscodeLeavesItsReasonInTheContext) {
  startAnswering(KL_ERR_NAK, {0xF8});
  EXPECT_EQ(klc_send_remote_api_payload_response(&ctx, 12, 5, "a", 1, nullptr, nullptr), KL_ERR_NAK);
  EXPECT_EQ(ctx.transcode_refusal, -8);
}

TEST_F(CameraLinkTest, RemoteApiOutsideItsGroupsIsRefusedWithoutARequest) {
  startAnswering(0, {});
  EXPECT_EQ(klc_send_simple_remote_api(&ctx, 0x100, 1), KL_ERR_INVALID_PARAM);
  EXPECT_EQ(klc_send_simple_remote_api(&ctx, -1, 1), KL_ERR_INVALID_PARAM);
  EXPECT_EQ(klc_send_auxpod_command(&ctx, "A", nullptr, 0, nullptr, nullptr), KL_ERR_INVALID_PARAM);
  EXPECT_TRUE(camera->seen().empty());
}

struct WireCase {
  const char* name;
  std::function<int(klc_msg_q_context_t*)> call;
  uint32_t key;
  std::vector<uint8_t> payload;
};

TEST_F(CameraLinkTest, CallsSendTheirOperationAndPayloadBytes) {
  const file_list_item_t items[2] = {{1, "GX01.MP4"}, {2, "GX02.MP4"}};
  const std::vector<WireCase> cases = {
      {"mode and sub-mode",
       [](auto* c) { return klc_app_set_mode_sub_mode(c, 12, 3); },
       uint32_t(KLC_OP_APP_SET_MODE_SUB_MODE),
       {12, 0, 0, 0, 3, 0, 0, 0}},
      {"button",
       [](auto* c) { return klc_system_set_button(c, 1, 3); },
       uint32_t(KLC_OP_SYSTEM_SET_BUTTON),
       {1, 3}},
      {"tag file",
       [](auto* c) { return klc_storage_tag_file(c, "ab", 2, 7, 9); },
       uint32_t(KLC_OP_STORAGE_TAG_FILE),
       {7, 0, 0, 0, 9, 0, 0, 0, 'a', 'b'}},
      {"delete list", [&items](auto* c) { return klc_storage_delete_list(c, items, 2); },
       uint32_t(KLC_OP_STORAGE_DELETE_LIST), bytesOf(items, sizeof items)},
      {"set setting",
       [](auto* c) { return klc_settings_set_value_int(c, 145, 1, 2, 3, -1); },
       uint32_t(KLC_OP_SETTINGS_SET_VALUE_INT),
       {145, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}},
      {"firmware done",
       [](auto* c) { return klc_fwupdate_download_done(c, true); },
       uint32_t(KLC_OP_FWUPDATE_DOWNLOAD_DONE),
       {1}},
      {"remote payload",
       [](auto* c) { return klc_send_remote_api_payload(c, 8, 2, "\1", 1); },
       klc_link_key(8, 2),
       {1}},
      {"auxpod",
       [](auto* c) { return klc_send_auxpod_command(c, "PD", "\1\2", 2, nullptr, nullptr); },
       klc_link_key(KLC_LINK_GROUP_AUXPOD, klc_auxpod_id('P', 'D')),
       {1, 2}},
  };
  startAnswering(0, {});
  for (size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(cases[i].name);
    ASSERT_EQ(cases[i].call(&ctx), 0);
    const auto seen = camera->seen();
    ASSERT_EQ(seen.size(), i + 1);
    EXPECT_EQ(klc_link_key(seen[i].header.group, seen[i].header.id), cases[i].key);
    EXPECT_EQ(seen[i].payload, cases[i].payload);
  }
}

}  // namespace
