// Preset messages built from 81-byte records, and the numbering maps, without a camera.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <tuple>
#include <utility>
#include <vector>

#include "CameraFactory.h"
#include "google/protobuf/unknown_field_set.h"
#include "klcontrol_preset_loader.h"

namespace {

using Settings = std::vector<std::pair<int, int>>;

struct RecordFields {
  int8_t flatMode;
  uint32_t id = 0x10000;
  int8_t type = 0;
  uint32_t icon = 0;
  uint32_t title = 0;
  uint32_t titleNumber = 0;
  int8_t edited = 0;
};

// A record whose settings byte at offset k holds k, so a value names the byte it came from.
appc_presets_settings_info record(const RecordFields& fields) {
  uint8_t bytes[sizeof(appc_presets_settings_info)];
  std::memset(bytes, 0xA5, sizeof bytes);
  appc_presets_settings_info info;
  std::memcpy(&info, bytes, sizeof info);
  info.flat_mode = fields.flatMode;
  info.preset_type = fields.type;
  info.preset_id = fields.id;
  info.user_data0 = fields.icon;
  info.user_data1 = fields.title;
  info.user_data2 = fields.titleNumber;
  info.edited = fields.edited;
  for (size_t k = 0; k < sizeof info.settings; ++k) info.settings[k] = int8_t(k);
  return info;
}

wsdk_commands::WSDK_Preset build(appc_presets_settings_info info, PresetContext context,
                                 InfoHandler* handler = nullptr) {
  wsdk_commands::WSDK_Preset preset;
  preset.set_id(int32_t(info.preset_id));
  populatePresetInfo(&info, preset, handler, context);
  return preset;
}

Settings settingsOf(const wsdk_commands::WSDK_Preset& preset) {
  Settings settings;
  for (const auto& entry : preset.setting_array()) {
    EXPECT_TRUE(entry.has_is_caption() && entry.is_caption()) << entry.id();
    settings.emplace_back(entry.id(), entry.value());
  }
  return settings;
}

// Which settings a record yields depends on its flat mode, preset, the model and the lens mode.
TEST(PresetBuild, SettingsFollowFlatModePresetModelAndLensMode) {
  struct Case {
    int8_t flatMode;
    uint8_t model;
    int8_t lensMode;
    uint32_t id;
    Settings expected;
  };
  // Raw values are the record offsets; 30 and 32 come from the tables at indices 4 and 5.
  const Case cases[] = {
      {15, 57, 0, 4, {{2, 2}, {3, 3}, {6, 6}, {121, 4}}},
      {12, 57, 1, 0, {{2, 2}, {3, 3}, {121, 4}}},
      {12, 51, 1, 0, {{2, 2}, {3, 3}}},
      {27, 57, 1, 3, {{2, 2}, {3, 3}, {121, 4}}},
      {13, 57, 1, 0x20001, {{2, 2}, {5, 9}, {121, 4}}},
      {13, 51, 1, 0x20001, {{2, 2}, {5, 9}}},
      {24, 51, 1, 0x20000, {{2, 2}, {111, 24}}},
      {25, 51, 1, 0x10001, {{121, 4}}},
      {14, 57, 0, 0, {}},
      {16, 57, 0, 0x10000, {{122, 2}}},
      {18, 57, 0, 0x10003, {{19, 5}, {122, 2}}},
      {17, 51, 0, 0x10000, {{122, 2}}},
      {17, 51, 0, 0x10001, {{105, 19}}},
      {17, 51, 0, 0x40003, {{105, 19}, {122, 2}}},
      {18, 51, 1, 0x40000, {{19, 5}, {105, 19}}},
      {19, 51, 1, 0x10002, {{147, 3}, {123, 2}}},
      {21, 57, 0, 0x20002, {{31, 7}, {32, 120}, {123, 2}}},
      {26, 51, 1, 0x50001, {{2, 28}, {32, 120}, {121, 30}}},
      {4, 57, 0, 0, {}},
  };
  for (const Case& c : cases) {
    const appc_presets_settings_info info = record({c.flatMode, c.id});
    EXPECT_EQ(settingsOf(build(info, {c.model, c.lensMode})), c.expected)
        << "mode " << int(c.flatMode) << " model " << int(c.model) << " lens mode " << int(c.lensMode)
        << " preset " << std::hex << c.id;
  }
  // Record bytes are signed.
  appc_presets_settings_info info = record({12, 0});
  info.settings[offsetof(appc_video_settings, resolution)] = int8_t(0xFE);
  EXPECT_EQ(settingsOf(build(info, {57, 0})).front(), std::make_pair(2, -2));
}

// Interval settings are stored as indexes into the camera's tables, not as values.
TEST(PresetBuild, IntervalIndexesAreReadThroughTheTables) {
  // Index -> value of setting 30 (time-lapse photo) and 32 (night-lapse photo, whose 0 is automatic: 3601);
  // -1: no setting, for an index outside the tables.
  const std::tuple<int8_t, int, int> indexes[] = {
      {0, 0, 10}, {9, 1800, 3601}, {11, 0, 5}, {12, -1, -1}, {-1, -1, -1}};
  for (const auto& [index, interval, night] : indexes) {
    appc_presets_settings_info timeLapse = record({20, 0x20001});
    timeLapse.settings[offsetof(appc_multi_shot_settings, interval_index)] = index;
    appc_presets_settings_info nightLapse = record({21, 0x20002});
    nightLapse.settings[offsetof(appc_multi_shot_settings, night_interval_index)] = index;
    const Settings intervals = interval < 0 ? Settings{{123, 2}} : Settings{{30, interval}, {123, 2}};
    const Settings nights =
        night < 0 ? Settings{{31, 7}, {123, 2}} : Settings{{31, 7}, {32, night}, {123, 2}};
    EXPECT_EQ(settingsOf(build(timeLapse, {57, 0})), intervals) << int(index);
    EXPECT_EQ(settingsOf(build(nightLapse, {57, 0})), nights) << int(index);
  }
  // The handler converts the table value, not the index; without a handler raw values are stored.
  CameraFactory factory;
  InfoHandler* handler = factory.setupCamera(57)->getInfoHandler();
  appc_presets_settings_info timeLapse = record({20, 0x20001});
  timeLapse.settings[offsetof(appc_multi_shot_settings, interval_index)] = 9;
  // 1800 s is option 9 of setting 30.
  EXPECT_EQ(settingsOf(build(timeLapse, {57, 0}, handler)),
            (Settings{{30, 9}, {123, handler->settingValueToOption(123, 2)}}));
  appc_presets_settings_info nightLapse = record({21, 0x20002});
  nightLapse.settings[offsetof(appc_multi_shot_settings, night_interval_index)] = 9;
  EXPECT_EQ(settingsOf(build(nightLapse, {57, 0}, handler)),
            (Settings{{31, handler->settingValueToOption(31, 7)},
                      {32, 3601},
                      {123, handler->settingValueToOption(123, 2)}}));
}

// Identity fields and icons come from the record's user data, in the client's numbering.
TEST(PresetBuild, IdentityFieldsAndIconsOfRecords) {
  const wsdk_commands::WSDK_Preset plain = build(record({12, 0x10000, 0, 3, 3, 0, 0}), {57, 0});
  EXPECT_FALSE(plain.has_title_number());
  EXPECT_FALSE(plain.user_defined() || plain.is_modified());
  EXPECT_EQ(plain.mode(), wsdk_commands::WSDK_FLAT_MODE_VIDEO);
  EXPECT_EQ(plain.title_id(), 3);
  const wsdk_commands::WSDK_Preset custom = build(record({17, 0x11000, -1, 25, 26, 4, 1}), {57, 0});
  EXPECT_EQ(custom.title_number(), 4);
  EXPECT_TRUE(custom.user_defined() && custom.is_modified());
  EXPECT_FALSE(build(record({17, 0x11000, 1, 25, 26, 4, -1}), {57, 0}).is_modified());
  // Numbers the schema does not name go out as they are, under their fields' numbers.
  const wsdk_commands::WSDK_Preset unnamed = build(record({-5, 5, 0, 1500, 200, 1, 0}), {57, 0});
  EXPECT_FALSE(unnamed.has_mode() || unnamed.has_icon() || unnamed.has_title_id());
  google::protobuf::UnknownFieldSet wire;
  ASSERT_TRUE(wire.ParseFromString(unnamed.SerializeAsString()));
  std::map<int, int64_t> varints;
  for (int i = 0; i < wire.field_count(); ++i) {
    varints[wire.field(i).number()] = int64_t(wire.field(i).varint());
  }
  EXPECT_EQ(varints, (std::map<int, int64_t>{{1, 5}, {2, -5}, {3, 200}, {4, 1}, {5, 0}, {6, 1500}, {8, 0}}));
  // Icons of time-lapse and night-lapse photos: camera icon, flat mode, client icon.
  const std::tuple<uint32_t, int8_t, int> icons[] = {{8, 20, 1000}, {17, 20, 1000}, {8, 13, 8},
                                                     {9, 21, 1001}, {9, 20, 9},     {3, 20, 3}};
  for (const auto& [icon, flatMode, expected] : icons) {
    EXPECT_EQ(build(record({flatMode, 0x20001, 0, icon}), {57, 0}).icon(), expected)
        << icon << " in " << int(flatMode);
  }
}

// Clients and camera number groups, icons and factory presets differently.
TEST(PresetNumbering, GroupsIconsAndFactoryPresetsMapBetweenClientAndCamera) {
  EXPECT_EQ(RemapPresetGroup(5), 2);
  EXPECT_EQ(RemapPresetGroup(9), 0);
  EXPECT_EQ(RemapPresetGroup(6), 6);
  EXPECT_EQ(MapWSDKIconToFW(wsdk_commands::WSDK_PRESET_ICON_NIGHTLAPSE_PHOTO), FW_PRESET_ICON_NIGHTLAPSE);
  EXPECT_EQ(MapWSDKIconToFW(wsdk_commands::WSDK_PRESET_ICON_TIMELAPSE_2), 17);
  const std::pair<unsigned, bool> ids[] = {{5, true},        {6, false},      {0x10003, true},
                                           {0x10004, false}, {0x50001, true}, {0x90004, false}};
  for (const auto& [id, isFactory] : ids) EXPECT_EQ(IsFactoryPreset(id), isFactory) << std::hex << id;
  EXPECT_TRUE(IsCreatePresetSupported(50));
}

}  // namespace
