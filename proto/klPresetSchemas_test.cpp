#include "klPresetSchemas.h"

#include <google/protobuf/descriptor.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Every type a client may look up by name, grouped by the schema file it must come from.
const struct {
  const char* file;
  const char* package;
  std::vector<std::string> types;
} kSchemas[] = {
    {"generic/EnumResultGeneric.proto", "", {"EnumResultGeneric"}},
    {"wsdkCommands/WSDK_EnumFlatMode.proto", "wsdk_commands.", {"WSDK_EnumFlatMode"}},
    {"wsdkCommands/WSDK_EnumPresetGroup.proto", "wsdk_commands.", {"WSDK_EnumPresetGroup"}},
    {"wsdkCommands/WSDK_EnumPresetIcon.proto", "wsdk_commands.", {"WSDK_EnumPresetIcon"}},
    {"wsdkCommands/WSDK_EnumPresetTitle.proto", "wsdk_commands.", {"WSDK_EnumPresetTitle"}},
    {"wsdkCommands/WSDK_Preset.proto", "wsdk_commands.", {"WSDK_Preset"}},
    {"wsdkCommands/WSDK_PresetSetting.proto", "wsdk_commands.", {"WSDK_PresetSetting"}},
    {"wsdkCommands/WSDK_PresetGroup.proto", "wsdk_commands.", {"WSDK_PresetGroup"}},
    {"wsdkCommands/WSDK_NotifyPresetStatus.proto", "wsdk_commands.", {"WSDK_NotifyPresetStatus"}},
    {"wsdkCommands/WSDK_RequestCreateCustomPreset.proto",
     "wsdk_commands.",
     {"WSDK_RequestCreateCustomPreset", "WSDK_ResponseCreateCustomPreset"}},
    {"klControlCommands/klControl_presets.proto",
     "klcontrol.presets.",
     {"Setting", "Preset_Info", "Preset_Group", "KLC_Preset_Group_List_Resp", "KLC_Preset_List_Req",
      "KLC_Preset_List_Resp", "KLC_Preset_Info_Req", "KLC_Preset_Info_Resp", "KLC_Preset_Custom_Create_Req",
      "KLC_Preset_Custom_Create_Resp", "KLC_Preset_Custom_Remove_Req", "KLC_Preset_Set_Order_Req",
      "KLC_Preset_Load_Req", "KLC_Preset_Edit_Start_Req", "KLC_Preset_Factory_Reset_Req",
      "KLC_Preset_Get_Presets_Resp", "KLC_Preset_Switch_Flatmode_Req", "KLC_Preset_Set_Title_Icon_Req"}},
};

TEST(PresetSchemas, EveryTypeIsInTheGeneratedPoolUnderItsSchemaFile) {
  ASSERT_TRUE(klRegisterPresetSchemas());
  const auto* pool = google::protobuf::DescriptorPool::generated_pool();
  for (const auto& schema : kSchemas) {
    for (const std::string& type : schema.types) {
      const std::string fullName = schema.package + type;
      SCOPED_TRACE(fullName);
      const google::protobuf::FileDescriptor* file = nullptr;
      if (const auto* msg = pool->FindMessageTypeByName(fullName)) file = msg->file();
      if (const auto* en = pool->FindEnumTypeByName(fullName)) file = en->file();
      ASSERT_NE(file, nullptr);
      EXPECT_EQ(file->name(), schema.file);
    }
  }
}

}  // namespace
