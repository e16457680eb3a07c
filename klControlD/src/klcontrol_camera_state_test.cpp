// Camera state queries against the simulated camera, with the queues open but no worker running.
#include <gtest/gtest.h>

#include <cstring>

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

TEST_F(CameraStateTest, ActivePresetFollowsTheGroupSelector) {
  openOnly();
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

TEST_F(CameraStateTest, CurrentPresetReadFromTheSelectedGroup) {
  selectGroup(4);
  openOnly();
  EXPECT_EQ(server->GetCurrentPreset(), 34u);
}

TEST_F(CameraStateTest, UnreadableStatusKeepsTheCache) {
  openOnly();
  control("fault 8/11 error -5 2");
  EXPECT_EQ(server->GetActivePreset(), 0xFFFFFFFFu);
  EXPECT_TRUE(logged("Could not get active preset, -5"));
  EXPECT_EQ(server->GetCurrentPreset(), 0u);
  EXPECT_TRUE(server->presetsModified());
  control("fault 8/11 nakoff 1");
  EXPECT_EQ(server->GetActivePresetGroup(), 0u);
  EXPECT_TRUE(logged("Response was null or size was bad for get1"));
}

TEST_F(CameraStateTest, SnapshotAdjustments) {
  selectGroup(2);
  openOnly();
  all_status_settings_t snapshot{};
  uint8_t* bytes = reinterpret_cast<uint8_t*>(&snapshot);
  bytes[409] = 26;  // flat mode in the settings block
  bytes[542] = 7;
  bytes[544] = 9;
  const uint32_t group = 5;
  std::memcpy(bytes + 19, &group, sizeof group);
  const uint32_t modified = 51;  // the current preset of group 2
  std::memcpy(bytes + 27, &modified, sizeof modified);
  bytes[33] = 3;
  server->modSettingsAndStatuses(snapshot, &KlcontrolCommandServer::m_cameraContext);
  EXPECT_EQ(bytes[0], 26);
  EXPECT_EQ(bytes[426], 7);
  EXPECT_EQ(bytes[428], 9);
  EXPECT_EQ(bytes[613], 3);  // auto-off option while auto-off is disabled
  uint32_t remapped = 0;
  std::memcpy(&remapped, bytes + 19, sizeof remapped);
  EXPECT_EQ(remapped, 2u);
  EXPECT_EQ(bytes[33], 1);
}

TEST_F(CameraStateTest, SnapshotOfAnotherPresetIsNotModified) {
  openOnly();
  all_status_settings_t snapshot{};
  uint8_t* bytes = reinterpret_cast<uint8_t*>(&snapshot);
  bytes[409] = 24;
  bytes[33] = 1;
  bytes[27] = 99;
  bytes[611] = 1;
  server->modSettingsAndStatuses(snapshot, &KlcontrolCommandServer::m_cameraContext);
  EXPECT_EQ(bytes[1], 4);
  EXPECT_EQ(bytes[33], 0);
  EXPECT_EQ(bytes[613], 0);
}

TEST_F(CameraStateTest, DigitalZoomScaledOnlyInZoomModesAndLenses) {
  openOnly();
  struct Case {
    uint8_t flatMode, lens, zoom, expected;
  };
  const Case cases[] = {
      {12, 1, 40, 100}, {27, 24, 102, 255}, {12, 1, 103, 103}, {16, 1, 40, 40}, {12, 2, 40, 40}};
  for (const Case& c : cases) {
    all_status_settings_t snapshot{};
    uint8_t* bytes = reinterpret_cast<uint8_t*>(&snapshot);
    bytes[409] = c.flatMode;
    bytes[426] = c.lens;
    bytes[5] = c.zoom;
    server->GetDigitalZoom(snapshot);
    EXPECT_EQ(bytes[5], c.expected) << int(c.flatMode) << "/" << int(c.lens) << "/" << int(c.zoom);
  }
}

TEST_F(CameraStateTest, LockedOrientationAtStartIsReset) {
  control("set system.orientation_setting 3");
  startServer();
  EXPECT_TRUE(logged("Orientation[3] was already locked, default orientation will be all"));
}

}  // namespace
