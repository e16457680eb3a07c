// Camera state queries against the simulated camera, with the queues open but no worker running.
#include <gtest/gtest.h>

#include "test_server_fixture.h"

namespace {

class CameraStateTest : public ServerTest {
 protected:
  void SetUp() override {
    enterFreshNamespaces();
    startCamera();
    for (const char* preset :
         {"video_preset_id 17", "photo_preset_id 34", "timelapse_preset_id 51", "special_preset_id 68"})
      ASSERT_EQ(control(std::string("set status.") + preset), "ok");
  }
  void openOnly() {
    server = KlcontrolCommandServer::getInstance();
    ASSERT_EQ(server->interfaceOpen(), 0);
  }
  void selectGroup(uint32_t selector) {
    control("set status.active_preset_group " + std::to_string(selector));
  }
};

// The current preset is read once, from the group selected then; the active one on each call.
TEST_F(CameraStateTest, ActivePresetFollowsTheGroupSelector) {
  selectGroup(4);
  openOnly();
  EXPECT_EQ(server->GetCurrentPreset(), 34u);
  const std::pair<uint32_t, uint32_t> cases[] = {{0, 17}, {3, 17}, {8, 17},          {9, 17},
                                                 {1, 34}, {4, 34}, {2, 51},          {5, 51},
                                                 {6, 68}, {7, 68}, {12, 0xFFFFFFFFu}};
  for (const auto& c : cases) {
    selectGroup(c.first);
    EXPECT_EQ(server->GetActivePreset(), c.second) << c.first;
    EXPECT_EQ(server->GetActivePresetGroup(), c.first);
  }
}

TEST_F(CameraStateTest, CurrentPresetIsReadOnceAndSkipsSpecialGroups) {
  selectGroup(7);
  openOnly();
  EXPECT_EQ(server->GetCurrentPreset(), 0u);
  EXPECT_FALSE(server->presetsModified());
  const long reads = requestCount("8/11");
  selectGroup(1);
  EXPECT_EQ(server->GetCurrentPreset(), 0u);
  EXPECT_EQ(requestCount("8/11"), reads);
}

TEST_F(CameraStateTest, UnreadableStatusKeepsTheCache) {
  openOnly();
  control("fault 8/11 error -5 2");
  forgetLog();
  EXPECT_EQ(server->GetActivePreset(), 0xFFFFFFFFu);
  EXPECT_TRUE(loggedLine(UTIL_LOG_ERROR, "Could not get active preset, -5\n"));
  EXPECT_EQ(server->GetCurrentPreset(), 0u);
  EXPECT_TRUE(server->presetsModified());
  control("fault 8/11 nakoff 1");
  EXPECT_EQ(server->GetActivePresetGroup(), 0u);
  EXPECT_TRUE(loggedLine(UTIL_LOG_ERROR, "Response was null or size was bad for get1\n"));
}

// Bytes of the snapshot set before and expected after the adjustment, with group 2 (current preset 51)
// selected: 409 is the flat mode, 19 the group, 27 the modified preset, 611/613 auto-off and its option.
// The digital zoom (byte 5) is scaled only in zoom modes (409) and resolutions (426), up to 102.
TEST_F(CameraStateTest, SnapshotAdjustmentsAndDigitalZoom) {
  selectGroup(2);
  openOnly();
  using ByteValues = std::vector<std::pair<size_t, uint8_t>>;
  struct Case {
    ByteValues set, expected;
    bool zoom;  // GetDigitalZoom rather than modSettingsAndStatuses
  };
  const Case cases[] = {
      {{{409, 26}, {542, 7}, {544, 9}, {19, 5}, {27, 51}, {33, 3}},
       {{0, 26}, {426, 7}, {428, 9}, {613, 3}, {19, 2}, {20, 0}, {33, 1}},
       false},
      {{{409, 24}, {33, 1}, {27, 99}, {611, 1}}, {{1, 4}, {33, 0}, {613, 0}}, false},
      {{{409, 12}, {426, 1}, {5, 40}}, {{5, 100}}, true},
      {{{409, 27}, {426, 24}, {5, 102}}, {{5, 255}}, true},
      {{{409, 12}, {426, 1}, {5, 103}}, {{5, 103}}, true},
      {{{409, 16}, {426, 1}, {5, 40}}, {{5, 40}}, true},
      {{{409, 12}, {426, 2}, {5, 40}}, {{5, 40}}, true},
  };
  for (const Case& c : cases) {
    all_status_settings_t snapshot{};
    uint8_t* bytes = reinterpret_cast<uint8_t*>(&snapshot);
    for (const auto& [offset, value] : c.set) bytes[offset] = value;
    if (c.zoom) {
      server->GetDigitalZoom(snapshot);
    } else {
      server->modSettingsAndStatuses(snapshot, &KlcontrolCommandServer::m_cameraContext);
    }
    for (const auto& [offset, value] : c.expected) EXPECT_EQ(bytes[offset], value) << offset;
  }
}

TEST_F(CameraStateTest, LockedOrientationAtStartIsReset) {
  control("set system.orientation_setting 3");
  startServer();
  EXPECT_TRUE(
      loggedLine(UTIL_LOG_ERROR, "Orientation[3] was already locked, default orientation will be all"));
}

}  // namespace
