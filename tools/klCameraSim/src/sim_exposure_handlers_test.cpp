// The exposure requests on a camera in the test's own process: ISO limits by family, their
// resets, and settings forwarded as pairs.
#include <gtest/gtest.h>

#include "klErrno.h"
#include "sim_handlers.h"
#include "test_command_bytes.h"

namespace {

class SimExposureTest : public ::testing::Test {
 protected:
  SimReply run(uint32_t key, const std::vector<uint8_t>& payload = {}) {
    klc_link_request request{};
    request.header.group = klc_link_group(key);
    request.header.id = klc_link_id(key);
    request.payload = payload.data();
    request.payloadLength = uint16_t(payload.size());
    SimReply reply;
    const SimHandler handler = table.find(key);
    EXPECT_NE(handler, nullptr) << key;
    if (handler != nullptr) handler(camera, request, reply);
    return reply;
  }
  SimReply set(uint32_t key, int32_t value) { return run(key, words({uint32_t(value)})); }
  int32_t get(uint32_t key) {
    const SimReply reply = run(key);
    return reply.answer.size() == 4 ? int32_t(wordAt(reply.answer, 0)) : -99;
  }
  int setting(unsigned offset) { return int8_t(camera.bytes(SimBlock::SETTINGS)[offset]); }

  SimHandlerTable table;
  SimCamera camera{57};
};

TEST_F(SimExposureTest, IsoLimitsTakeOnlyTheirFamilysValuesAndResetsRestoreThem) {
  struct Case {
    uint32_t maxGet, maxSet, minGet, minSet, reset, remoteReset;
    unsigned maxPlace;
    int32_t valid, unknown;
  };
  const Case cases[] = {
      {KLC_OP_VIDEO_VANTIX_ISO_GET, KLC_OP_VIDEO_VANTIX_ISO_SET, KLC_OP_VIDEO_VANTIX_ISO_MIN_GET,
       KLC_OP_VIDEO_VANTIX_ISO_MIN_SET, KLC_OP_VIDEO_VANTIX_RESET, klc_link_key(2, 26), 48, 0, 5},
      {KLC_OP_PHOTO_VANTIX_ISO_GET, KLC_OP_PHOTO_VANTIX_ISO_SET, KLC_OP_PHOTO_VANTIX_ISO_MIN_GET,
       KLC_OP_PHOTO_VANTIX_ISO_MIN_SET, KLC_OP_PHOTO_VANTIX_RESET, klc_link_key(3, 22), 83, 6, 7},
      {KLC_OP_MULTISHOT_VANTIX_ISO_GET, KLC_OP_MULTISHOT_VANTIX_ISO_SET, KLC_OP_MULTISHOT_VANTIX_ISO_MIN_GET,
       KLC_OP_MULTISHOT_VANTIX_ISO_MIN_SET, KLC_OP_MULTISHOT_VANTIX_RESET, klc_link_key(4, 26), 127, 5, 8},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(set(c.maxSet, c.valid).status, KL_OK);
    EXPECT_EQ(set(c.minSet, c.valid).status, KL_OK);
    EXPECT_EQ(set(c.maxSet, c.unknown).status, KL_ERR_INVALID_PARAM);
    EXPECT_EQ(get(c.maxGet), c.valid);
    EXPECT_EQ(setting(c.maxPlace), c.valid);
    EXPECT_EQ(run(c.reset).status, KL_OK);
    const int32_t resetMax = get(c.maxGet), resetMin = get(c.minGet);
    EXPECT_NE(resetMax, c.valid);
    set(c.maxSet, c.valid);
    run(c.remoteReset);
    EXPECT_EQ(get(c.maxGet), resetMax);
    EXPECT_EQ(get(c.minGet), resetMin);
  }
}

TEST_F(SimExposureTest, ForwardedPairsAreWrittenOnlyWhenAllAreValid) {
  const uint32_t forward = klc_link_key(7, 27);
  EXPECT_EQ(run(forward, {56, 1, 25, 17}).status, KL_OK);
  EXPECT_EQ(setting(56), 1);
  EXPECT_EQ(camera.status().photo_selected_flatmode, 17);
  for (const std::vector<uint8_t>& refused : {std::vector<uint8_t>{}, {57, 1, 58}, {57, 1, 238, 1}}) {
    EXPECT_EQ(run(forward, refused).status, KL_ERR_INVALID_PARAM);
    EXPECT_EQ(setting(57), 0);
  }
}

}  // namespace
