// The settings id table and the option/value translation of every model.
#include "camera_settings_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "CameraFactory.h"
#include "camera_blocks.h"

namespace {

const unsigned kModels[] = {51, 55, 57};

uint32_t wordAt(const camera_settings_id_row* table, int setting, size_t offset) {
  uint32_t word = 0;
  std::memcpy(&word, reinterpret_cast<const uint8_t*>(table + setting) + offset, sizeof word);
  return word;
}

struct RowCase {
  unsigned model;
  int setting;
  uint32_t offset, width, flags;  // the three words the daemon reads
};

TEST(SettingsIdTable, RowWordsAtTheOffsetsTheDaemonReads) {
  const RowCase cases[] = {
      {57, 2, 42, 1, 0},    {57, 3, 44, 1, 0},
      {57, 121, 43, 1, 0},  {51, 144, 25, 1, CAMERA_SETTING_SIGNED},
      {55, 32, 124, 2, 0},  {51, 30, 122, 2, 0},
      {57, 145, 50, 1, 0},  {55, 59, 229, 1, 0},
      {57, 112, 161, 1, 0}, {57, 167, 175, 1, 0},
      {51, 55, 0, 0, 0},    {55, 164, 0, 0, 0},
  };
  for (const RowCase& c : cases) {
    unsigned count = 0;
    const camera_settings_id_row* table = camera_settings_id_table(c.model, &count);
    ASSERT_NE(table, nullptr);
    ASSERT_LT(unsigned(c.setting), count) << c.model << "/" << c.setting;
    EXPECT_EQ(wordAt(table, c.setting, 16), c.offset) << c.model << "/" << c.setting;
    EXPECT_EQ(wordAt(table, c.setting, 20), c.width) << c.model << "/" << c.setting;
    EXPECT_EQ(wordAt(table, c.setting, 24), c.flags) << c.model << "/" << c.setting;
  }
}

TEST(SettingsIdTable, RowCountCoversTheHighestSettingOfTheModel) {
  const std::pair<unsigned, unsigned> counts[] = {{51, 148}, {55, 168}, {57, 168}};
  for (const auto& [model, expected] : counts) {
    unsigned count = 0;
    ASSERT_NE(camera_settings_id_table(model, &count), nullptr);
    EXPECT_EQ(count, expected) << model;
  }
  unsigned count = 99;
  EXPECT_EQ(camera_settings_id_table(77, &count), nullptr);
  EXPECT_EQ(count, 0u);
}

TEST(SettingsIdTable, EveryRowIsIndexedByItsIdAndFitsTheSettingsBlock) {
  for (unsigned model : kModels) {
    unsigned count = 0;
    const camera_settings_id_row* table = camera_settings_id_table(model, &count);
    for (unsigned i = 0; i < count; ++i) {
      const camera_settings_id_row& row = table[i];
      if (row.id < 0) {
        EXPECT_EQ(row.width, 0u);
        continue;
      }
      EXPECT_EQ(row.id, int(i));
      EXPECT_TRUE(row.width == 1 || row.width == 2) << model << "/" << i;
      EXPECT_LE(row.offset + row.width, sizeof(appc_setup_all_settings)) << model << "/" << i;
      EXPECT_LE(row.minimum, row.maximum) << model << "/" << i;
      EXPECT_NE(std::memchr(row.name, 0, sizeof row.name), nullptr);
    }
  }
}

TEST(SettingsIdTable, NoTwoSettingsOfAModelShareABlockByte) {
  for (unsigned model : kModels) {
    unsigned count = 0;
    const camera_settings_id_row* table = camera_settings_id_table(model, &count);
    int owner[sizeof(appc_setup_all_settings)];
    std::fill(std::begin(owner), std::end(owner), -1);
    for (unsigned i = 0; i < count; ++i) {
      for (uint32_t b = 0; b < table[i].width; ++b) {
        EXPECT_EQ(owner[table[i].offset + b], -1)
            << model << ": " << i << " overlaps " << owner[table[i].offset + b];
        owner[table[i].offset + b] = int(i);
      }
    }
  }
}

struct MappingCase {
  unsigned model;
  int setting, option, value;
};

InfoHandler* handlerOf(unsigned model) {
  static CameraFactory factory;
  CameraPlatform* platform = factory.setupCamera(model);
  return platform == nullptr ? nullptr : platform->getInfoHandler();
}

TEST(InfoHandler, TranslatesOptionsToValuesAndBack) {
  const MappingCase cases[] = {
      {57, 2, 100, 26},  {55, 2, 24, 24}, {51, 3, 0, 9},   {57, 3, 13, 8},    {57, 121, 4, 1},
      {55, 121, 9, 4},   {57, 13, 8, 0},  {57, 102, 3, 8}, {57, 24, 8, 6},    {51, 75, 7, 5},
      {57, 145, 23, 10}, {55, 11, 9, 28}, {51, 22, 4, 1},  {57, 30, 9, 1800}, {51, 32, 1800, 1800},
      {57, 112, 1, 255}, {57, 112, 6, 4}, {55, 59, 0, 3},  {57, 86, 3, 0},    {57, 91, 50, 50},
      {51, 144, 24, 24}, {57, 134, 3, 1}, {57, 5, 6, 60},  {55, 111, 3, 20},  {57, 167, 4, 4},
  };
  for (const MappingCase& c : cases) {
    InfoHandler* handler = handlerOf(c.model);
    ASSERT_NE(handler, nullptr);
    EXPECT_EQ(handler->settingOptionToValue(c.setting, c.option), c.value) << c.model << "/" << c.setting;
    EXPECT_EQ(handler->settingValueToOption(c.setting, c.value), c.option) << c.model << "/" << c.setting;
  }
}

TEST(InfoHandler, OlderValuesTranslateToTheOptionThatNowWritesAnother) {
  InfoHandler* handler = handlerOf(57);
  EXPECT_EQ(handler->settingOptionToValue(2, 28), 17);
  EXPECT_EQ(handler->settingValueToOption(2, 17), 28);
  EXPECT_EQ(handler->settingValueToOption(2, 13), 28);
  EXPECT_EQ(handler->settingOptionToValue(32, 3601), 3601);
  EXPECT_EQ(handler->settingValueToOption(32, 3601), 3601);
  EXPECT_EQ(handler->settingValueToOption(32, 0), 3601);
}

TEST(InfoHandler, RefusesWhatTheModelDoesNotOffer) {
  const MappingCase cases[] = {
      {51, 2, 24, 24},  // no 5K on the oldest model
      {51, 149, 0, 0},  // no audio options
      {55, 164, 1, 1},  // no microphone options before 57
      {57, 2, 7, 7},    // 1440 dropped on 57
      {57, 91, 101, 101}, {57, 500, 0, 0}, {57, -1, 0, 0},
  };
  for (const MappingCase& c : cases) {
    InfoHandler* handler = handlerOf(c.model);
    EXPECT_EQ(handler->settingOptionToValue(c.setting, c.option), CAMERA_NO_OPTION)
        << c.model << "/" << c.setting;
    EXPECT_EQ(handler->settingValueToOption(c.setting, c.value), CAMERA_NO_OPTION)
        << c.model << "/" << c.setting;
  }
}

// Every option must come back as itself, or clients could not read back what they wrote.
TEST(InfoHandler, EveryOptionOfEveryModelRoundTrips) {
  for (unsigned model : kModels) {
    unsigned count = 0;
    const camera_settings_id_row* table = camera_settings_id_table(model, &count);
    InfoHandler* handler = handlerOf(model);
    for (unsigned id = 0; id < count; ++id) {
      if (table[id].id < 0) continue;
      for (int option = -1; option <= 3601; ++option) {
        int value = handler->settingOptionToValue(int(id), option);
        if (value == CAMERA_NO_OPTION) continue;
        EXPECT_GE(value, table[id].minimum);
        EXPECT_LE(value, table[id].maximum);
        EXPECT_EQ(handler->settingValueToOption(int(id), value), option) << model << "/" << id;
      }
    }
  }
}

TEST(CameraFactory, HasAPlatformForEachKnownModelOnly) {
  CameraFactory factory;
  for (unsigned model : kModels) {
    CameraPlatform* platform = factory.setupCamera(model);
    ASSERT_NE(platform, nullptr) << model;
    EXPECT_EQ(platform->model(), model);
    EXPECT_NE(platform->getInfoHandler(), nullptr);
  }
  EXPECT_EQ(factory.setupCamera(77), nullptr);
  EXPECT_EQ(factory.setupCamera(0), nullptr);
  EXPECT_EQ(CameraFactory::mInstance, nullptr);
}

}  // namespace
