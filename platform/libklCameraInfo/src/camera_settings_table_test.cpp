// The settings id table and the option/value translation of every model.
#include "camera_settings_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "CameraFactory.h"
#include "camera_blocks.h"

namespace {

InfoHandler* handlerOf(unsigned model) {
  static CameraFactory factory;
  CameraPlatform* platform = factory.setupCamera(model);
  return platform == nullptr ? nullptr : platform->getInfoHandler();
}

// Every row fits the settings block without sharing a byte, and every option of every setting comes back
// as itself within the row's range, or clients could not read back what they wrote.
TEST(SettingsIdTable, RowsFitTheBlockAndEveryOptionRoundTrips) {
  const std::pair<unsigned, unsigned> models[] = {{51, 148}, {55, 168}, {57, 168}};
  for (const auto& [model, rows] : models) {
    unsigned count = 0;
    const camera_settings_id_row* table = camera_settings_id_table(model, &count);
    ASSERT_EQ(count, rows) << model;
    const InfoHandler* handler = handlerOf(model);
    ASSERT_NE(handler, nullptr) << model;
    int owner[sizeof(appc_setup_all_settings)];
    std::fill(std::begin(owner), std::end(owner), -1);
    for (unsigned id = 0; id < count; ++id) {
      const camera_settings_id_row& row = table[id];
      EXPECT_EQ(row.id < 0 ? 0u : 1u, std::min(row.width, 1u)) << model << "/" << id;
      if (row.id < 0) continue;
      EXPECT_EQ(row.id, int(id));
      EXPECT_TRUE(row.width == 1 || row.width == 2) << model << "/" << id;
      ASSERT_LE(row.offset + row.width, sizeof(appc_setup_all_settings)) << model << "/" << id;
      EXPECT_NE(std::memchr(row.name, 0, sizeof row.name), nullptr);
      for (uint32_t b = 0; b < row.width; ++b) {
        EXPECT_EQ(owner[row.offset + b], -1) << model << ": " << id << " overlaps " << owner[row.offset + b];
        owner[row.offset + b] = int(id);
      }
      for (int option = -1; option <= 3601; ++option) {
        const int value = handler->settingOptionToValue(int(id), option);
        if (value == CAMERA_NO_OPTION) continue;
        EXPECT_GE(value, row.minimum);
        EXPECT_LE(value, row.maximum);
        EXPECT_EQ(handler->settingValueToOption(int(id), value), option) << model << "/" << id;
      }
    }
  }
  unsigned count = 99;
  EXPECT_EQ(camera_settings_id_table(77, &count), nullptr);
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(handlerOf(77), nullptr);
  EXPECT_EQ(CameraFactory::mInstance, nullptr);
}

// Options that are not their values, ranges, and what a model does not offer (refused both ways).
TEST(InfoHandler, TranslatesOptionsToValuesAndRefusesWhatTheModelLacks) {
  const struct {
    unsigned model;
    int setting, option, value;
    bool offered;
  } cases[] = {
      {57, 2, 100, 26, true},     {51, 3, 0, 9, true},     {55, 121, 9, 4, true},   {57, 30, 9, 1800, true},
      {51, 32, 1800, 1800, true}, {57, 112, 1, 255, true}, {51, 144, 24, 24, true}, {51, 2, 24, 24, false},
      {51, 149, 0, 0, false},     {55, 164, 1, 1, false},  {57, 2, 7, 7, false},    {57, 91, 101, 101, false},
      {57, 500, 0, 0, false},     {57, -1, 0, 0, false},
  };
  for (const auto& c : cases) {
    const InfoHandler* handler = handlerOf(c.model);
    EXPECT_EQ(handler->settingOptionToValue(c.setting, c.option), c.offered ? c.value : CAMERA_NO_OPTION)
        << c.model << "/" << c.setting;
    EXPECT_EQ(handler->settingValueToOption(c.setting, c.value), c.offered ? c.option : CAMERA_NO_OPTION)
        << c.model << "/" << c.setting;
  }
  // An older value reads as the option that now writes another.
  const InfoHandler* handler = handlerOf(57);
  EXPECT_EQ(handler->settingOptionToValue(2, 28), 17);
  EXPECT_EQ(handler->settingValueToOption(2, 13), 28);
  EXPECT_EQ(handler->settingValueToOption(32, 0), 3601);
}

}  // namespace
