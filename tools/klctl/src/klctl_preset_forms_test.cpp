// Refused preset field words, and preset answers decoded.
#include <gtest/gtest.h>

#include "klControlCommands/klControl_presets.pb.h"
#include "klctl_cli.h"
#include "klctl_preset_decoders.h"
#include "wsdkCommands/WSDK_NotifyPresetStatus.pb.h"

namespace {

template <class Message>
std::vector<uint8_t> bytesOf(const Message& message) {
  const std::string text = message.SerializeAsString();
  return std::vector<uint8_t>(text.begin(), text.end());
}

TEST(KlctlPresetForms, UnknownFieldsMissingAndBadValuesAreUsageErrors) {
  const std::vector<std::vector<std::string>> refused = {
      {"preset-load", "--order", "1"}, {"preset-load", "--id"},
      {"preset-load", "--id", "-1"},   {"preset-load", "--id", "0x100000000"},
      {"preset-list", "group", "1"},   {"preset-list", "--include_info", "2"},
  };
  for (const auto& words : refused) {
    KlctlPlan plan;
    std::string error;
    EXPECT_FALSE(klctlParseCommandLine(words, plan, error)) << words[1];
    EXPECT_FALSE(error.empty());
  }
}

TEST(KlctlPresetDecoders, ModelTableAndGarbage) {
  wsdk_commands::WSDK_NotifyPresetStatus model;
  auto* group = model.add_preset_group_array();
  group->set_id(wsdk_commands::WSDK_PRESET_GROUP_ID_PHOTO);
  group->set_can_add_preset(false);
  auto* preset = group->add_preset_array();
  preset->set_id(0x10003);
  preset->set_mode(wsdk_commands::WSDK_FLAT_MODE_PHOTO_NIGHT);
  preset->set_title_id(wsdk_commands::WSDK_PRESET_TITLE_NIGHT);
  // Icon 40 is not listed: the parser keeps it as an unknown field 6.
  preset->mutable_unknown_fields()->AddVarint(wsdk_commands::WSDK_Preset::kIconFieldNumber, 40);
  preset->set_is_modified(true);
  auto* setting = preset->add_setting_array();
  setting->set_id(19);
  setting->set_value(1);
  preset->set_title_number(2);
  EXPECT_EQ(klctlDecodePresetModel(bytesOf(model)),
            "group 1001 (full)\n  0x00010003 mode 18 title 6#2 icon 40 edited settings 19=1");
  EXPECT_EQ(klctlPresetModelJson(bytesOf(model)),
            nlohmann::ordered_json::parse(R"({"groups":[{"id":1001,"can_add_preset":false,"presets":[
                {"id":65539,"mode":18,"title":6,"title_number":2,"icon":40,"custom":false,"edited":true,
                 "settings":[{"id":19,"value":1}]}]}]})"));
  EXPECT_EQ(klctlDecodePresetModel({0xFF}), "");
  EXPECT_TRUE(klctlPresetModelJson({0xFF}).is_null());
  klcontrol::presets::KLC_Preset_Group_List_Resp groups;
  groups.add_preset_groups(1000);
  groups.add_preset_groups(1008);
  EXPECT_EQ(klctlDecodePresetGroups(bytesOf(groups)), "groups: 1000 1008");
  EXPECT_EQ(klctlPresetGroupsJson(bytesOf(groups)).dump(), R"({"groups":[1000,1008]})");
}

}  // namespace
