// The simulated camera's presets through its request router: list and record layouts, the edit mark
// and what a load leaves in the status block.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "klErrno.h"
#include "sim_request_router.h"

namespace {

struct Answer {
  int32_t status = 1;
  std::vector<uint8_t> bytes;
};

class SimPresetTest : public ::testing::Test {
 protected:
  Answer request(uint16_t id, const std::vector<uint8_t>& payload) {
    uint8_t msg[KLMSG_MAX];
    const int length = klc_link_encode_request(msg, sizeof msg, klc_link_header{7, 17, id}, payload.data(),
                                               uint16_t(payload.size()), "/reply");
    EXPECT_GT(length, 0);
    SimOutcome outcome;
    EXPECT_TRUE(router.handle(msg, unsigned(length), outcome));
    klc_link_reply reply{};
    EXPECT_EQ(klc_link_decode_reply(outcome.message.data(), unsigned(outcome.message.size()), &reply), 0);
    Answer answer;
    answer.status = reply.status;
    answer.bytes.assign(reply.answer, reply.answer + reply.answerLength);
    return answer;
  }

  static std::vector<uint8_t> idBytes(uint32_t id) {
    std::vector<uint8_t> bytes(sizeof id);
    std::memcpy(bytes.data(), &id, sizeof id);
    return bytes;
  }

  appc_presets_settings_info record(uint32_t id) {
    const Answer answer = request(2, idBytes(id));
    appc_presets_settings_info info{};
    EXPECT_EQ(answer.bytes.size(), sizeof info);
    if (answer.bytes.size() == sizeof info) std::memcpy(&info, answer.bytes.data(), sizeof info);
    return info;
  }

  SimCamera camera{57};
  SimRequestRouter router{camera};
};

TEST_F(SimPresetTest, GroupListsCountThenIdsAndCustomIdsFollowFactoryOnes) {
  const uint32_t custom = camera.presets().addCustom(2, 20, 25, 30, 4);
  EXPECT_EQ(custom >> 16, 2u);
  const Answer list = request(1, {2});
  ASSERT_EQ(list.status, KL_OK);
  ASSERT_EQ(list.bytes.size(), 1 + 4 * sizeof(uint32_t));
  EXPECT_EQ(list.bytes[0], 4);
  uint32_t last = 0;
  std::memcpy(&last, &list.bytes[1 + 3 * sizeof last], sizeof last);
  EXPECT_EQ(last, custom);
  EXPECT_EQ(request(1, {6}).bytes, std::vector<uint8_t>{0});
  EXPECT_EQ(request(1, {}).status, KL_ERR_INVALID_PARAM);
}

TEST_F(SimPresetTest, RecordsCarryIdentityAndTheSettingsBlockValues) {
  camera.write(SimBlock::SETTINGS, offsetof(appc_setup_all_settings, video_resolution), 1, 12);
  const appc_presets_settings_info video = record(0x00002);
  EXPECT_EQ(video.flat_mode, 12);
  EXPECT_EQ(video.preset_type, 0);
  EXPECT_EQ(uint32_t(video.user_data0), 2u);
  EXPECT_EQ(video.settings[2], 12);
  const uint32_t custom = camera.presets().addCustom(1, 18, 27, 28, 3);
  const appc_presets_settings_info photo = record(custom);
  EXPECT_EQ(photo.preset_type, 1);
  EXPECT_EQ(uint32_t(photo.user_data1), 28u);
  EXPECT_EQ(uint32_t(photo.user_data2), 3u);
  EXPECT_EQ(request(2, idBytes(0x70000)).status, KL_ERR_INVALID_PARAM);
  EXPECT_EQ(request(2, {1, 0}).status, KL_ERR_INVALID_PARAM);
}

TEST_F(SimPresetTest, ClosedEditMarksThePresetEdited) {
  EXPECT_EQ(request(8, idBytes(0x70000)).status, KL_ERR_INVALID_PARAM);
  EXPECT_EQ(request(10, {}).status, KL_OK);  // nothing open: nothing marked
  EXPECT_EQ(record(0x10001).edited, 0);
  ASSERT_EQ(request(8, idBytes(0x10001)).status, KL_OK);
  EXPECT_EQ(record(0x10001).edited, 0);
  ASSERT_EQ(request(10, {}).status, KL_OK);
  EXPECT_EQ(record(0x10001).edited, 1);
}

TEST_F(SimPresetTest, LoadSelectsTheFlatModeAndTheCurrentPresetOfTheGroup) {
  ASSERT_EQ(request(12, idBytes(0x40000)).status, KL_OK);
  EXPECT_EQ(camera.settings().flat_mode, 17);
  EXPECT_EQ(uint32_t(camera.status().photo_preset_id), 0x40000u);
  EXPECT_EQ(uint32_t(camera.status().active_preset_group), 4u);
  EXPECT_EQ(request(12, idBytes(0x12345)).status, KL_ERR_INVALID_PARAM);
  EXPECT_EQ(uint32_t(camera.status().photo_preset_id), 0x40000u);
}

TEST_F(SimPresetTest, ModelsHaveTheirOwnFactoryPresets) {
  EXPECT_EQ(request(1, {9}).bytes[0], 4);
  EXPECT_EQ(uint32_t(record(0x20001).user_data0), 8u);
  camera.switchModel(51);
  EXPECT_EQ(request(1, {9}).bytes[0], 0);
  EXPECT_EQ(uint32_t(record(0x20001).user_data0), 17u);
}

}  // namespace
