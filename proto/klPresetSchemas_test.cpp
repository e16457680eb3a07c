#include "klPresetSchemas.h"

#include <google/protobuf/descriptor.h>
#include <gtest/gtest.h>

namespace {

// Every type a client may look up by name, with the schema file it must come from.
const struct {
  const char* fullName;
  const char* file;
} kTypes[] = {
    {"EnumResultGeneric", "generic/EnumResultGeneric.proto"},
    {"wsdk_commands.WSDK_EnumFlatMode", "wsdkCommands/WSDK_EnumFlatMode.proto"},
    {"wsdk_commands.WSDK_EnumPresetGroup", "wsdkCommands/WSDK_EnumPresetGroup.proto"},
    {"wsdk_commands.WSDK_EnumPresetIcon", "wsdkCommands/WSDK_EnumPresetIcon.proto"},
    {"wsdk_commands.WSDK_EnumPresetTitle", "wsdkCommands/WSDK_EnumPresetTitle.proto"},
    {"wsdk_commands.WSDK_Preset", "wsdkCommands/WSDK_Preset.proto"},
    {"wsdk_commands.WSDK_PresetSetting", "wsdkCommands/WSDK_PresetSetting.proto"},
    {"wsdk_commands.WSDK_PresetGroup", "wsdkCommands/WSDK_PresetGroup.proto"},
    {"wsdk_commands.WSDK_NotifyPresetStatus", "wsdkCommands/WSDK_NotifyPresetStatus.proto"},
    {"wsdk_commands.WSDK_RequestCreateCustomPreset", "wsdkCommands/WSDK_RequestCreateCustomPreset.proto"},
    {"wsdk_commands.WSDK_ResponseCreateCustomPreset", "wsdkCommands/WSDK_RequestCreateCustomPreset.proto"},
    {"klcontrol.presets.Setting", "klControlCommands/klControl_presets.proto"},
    {"klcontrol.presets.Preset_Info", "klControlCommands/klControl_presets.proto"},
    {"klcontrol.presets.Preset_Group", "klControlCommands/klControl_presets.proto"},
    {"klcontrol.presets.KLC_Preset_Group_List_Resp", "klControlCommands/klControl_presets.proto"},
    {"klcontrol.presets.KLC_Preset_List_Req", "klControlCommands/klControl_presets.proto"},
    {"klcontrol.presets.KLC_Preset_List_Resp", "klControlCommands/klControl_presets.proto"},
    {"klcontrol.presets.KLC_Preset_Info_Req", "klControlCommands/klControl_presets.proto"},
    {"klcontrol.presets.KLC_Preset_Info_Resp", "klControlCommands/klControl_presets.proto"},
    {"klcontrol.presets.KLC_Preset_Custom_Create_Req", "klControlCommands/klControl_presets.proto"},
    {"klcontrol.presets.KLC_Preset_Custom_Create_Resp", "klControlCommands/klControl_presets.proto"},
    {"klcontrol.presets.KLC_Preset_Custom_Remove_Req", "klControlCommands/klControl_presets.proto"},
    {"klcontrol.presets.KLC_Preset_Set_Order_Req", "klControlCommands/klControl_presets.proto"},
    {"klcontrol.presets.KLC_Preset_Load_Req", "klControlCommands/klControl_presets.proto"},
    {"klcontrol.presets.KLC_Preset_Edit_Start_Req", "klControlCommands/klControl_presets.proto"},
    {"klcontrol.presets.KLC_Preset_Factory_Reset_Req", "klControlCommands/klControl_presets.proto"},
    {"klcontrol.presets.KLC_Preset_Get_Presets_Resp", "klControlCommands/klControl_presets.proto"},
    {"klcontrol.presets.KLC_Preset_Switch_Flatmode_Req", "klControlCommands/klControl_presets.proto"},
    {"klcontrol.presets.KLC_Preset_Set_Title_Icon_Req", "klControlCommands/klControl_presets.proto"},
};

TEST(PresetSchemas, EveryTypeIsInTheGeneratedPoolUnderItsSchemaFile) {
  ASSERT_TRUE(klRegisterPresetSchemas());
  const auto* pool = google::protobuf::DescriptorPool::generated_pool();
  for (const auto& type : kTypes) {
    SCOPED_TRACE(type.fullName);
    const google::protobuf::FileDescriptor* file = nullptr;
    if (const auto* msg = pool->FindMessageTypeByName(type.fullName)) file = msg->file();
    if (const auto* en = pool->FindEnumTypeByName(type.fullName)) file = en->file();
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->name(), type.file);
  }
}

}  // namespace
