// Writing one setting: the request the camera receives, the refusals made before it, and the
// settings block kept in step.
#include "camera_if_settings.h"

#include <gtest/gtest.h>

#include "camera_settings_table.h"
#include "fake_camera_link.h"
#include "klErrno.h"
#include "test_command_bytes.h"

namespace {

class SetValueTest : public CameraLinkFixture {
 protected:
  SetValueTest() : CameraLinkFixture(300) {}

  // Writes a setting of model 57 with the words of its id-table row.
  int write(int setting, int value) {
    unsigned count = 0;
    const camera_settings_id_row& row = camera_settings_id_table(57, &count)[setting];
    return camera_if_settings_set_value_int(&ctx, setting, row.offset, row.width, value, row.flags,
                                            &settings);
  }

  appc_setup_all_settings settings{};
};

// What the row cannot hold is refused without asking the camera; the rest is sent with the row's words.
TEST_F(SetValueTest, SendsTheSettingWithItsRowWordsAndValue) {
  startAnswering(0);
  EXPECT_EQ(write(55, 10), KL_ERR_NOT_SUPPORTED);  // model 57 has no row 55
  EXPECT_EQ(write(2, 256), KL_ERR_INVALID_PARAM);
  EXPECT_EQ(write(2, -1), KL_ERR_INVALID_PARAM);
  EXPECT_EQ(write(144, 128), KL_ERR_INVALID_PARAM);  // signed byte
  EXPECT_EQ(write(32, 70000), KL_ERR_INVALID_PARAM);
  EXPECT_EQ(camera_if_settings_set_value_int(&ctx, 2, 237, 2, 1, 0, &settings), KL_ERR_INVALID_PARAM);
  EXPECT_EQ(camera_if_settings_set_value_int(&ctx, 2, 42, 3, 1, 0, &settings), KL_ERR_INVALID_PARAM);
  EXPECT_TRUE(camera->seen().empty());
  ASSERT_EQ(write(32, 3600), 0);
  const auto seen = camera->seen();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(klc_link_key(seen[0].header.group, seen[0].header.id), uint32_t(KLC_OP_SETTINGS_SET_VALUE_INT));
  EXPECT_EQ(seen[0].payload, words({32, 124, 2, 0, 3600}));
  const uint8_t* bytes = reinterpret_cast<const uint8_t*>(&settings);
  EXPECT_EQ(bytes[124], 0x10);
  EXPECT_EQ(bytes[125], 0x0E);
  EXPECT_EQ(write(144, -1), 0);
  EXPECT_EQ(settings.flat_mode, -1);
  EXPECT_EQ(write(112, 255), 0);
}

// No camera, and a camera's refusal, are the result and leave the block alone.
TEST_F(SetValueTest, FailuresLeaveTheBlockAlone) {
  ctx.klnet_mqd = mq_open("/to_klnet", O_WRONLY);
  EXPECT_EQ(ctx.klnet_mqd, mqd_t(-1));
  EXPECT_EQ(write(2, 26), KL_ERR_MQ_FAIL);
  startAnswering(KL_ERR_NAK);
  EXPECT_EQ(write(2, 26), KL_ERR_NAK);
  EXPECT_EQ(settings.video_resolution, 0);
  ASSERT_EQ(camera->seen().size(), 1u);
}

}  // namespace
