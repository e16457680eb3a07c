#include "klPresetSchemas.h"

#include <google/protobuf/descriptor.h>

#include "generic/EnumResultGeneric.pb.h"
#include "klControlCommands/klControl_presets.pb.h"
#include "wsdkCommands/WSDK_EnumFlatMode.pb.h"
#include "wsdkCommands/WSDK_EnumPresetGroup.pb.h"
#include "wsdkCommands/WSDK_EnumPresetIcon.pb.h"
#include "wsdkCommands/WSDK_EnumPresetTitle.pb.h"
#include "wsdkCommands/WSDK_NotifyPresetStatus.pb.h"
#include "wsdkCommands/WSDK_Preset.pb.h"
#include "wsdkCommands/WSDK_PresetGroup.pb.h"
#include "wsdkCommands/WSDK_PresetSetting.pb.h"
#include "wsdkCommands/WSDK_RequestCreateCustomPreset.pb.h"

namespace {

using google::protobuf::FileDescriptor;

struct SchemaFile {
  const char* path;
  // One descriptor declared by the file; asking for it builds the whole file.
  const FileDescriptor* (*build)();
};

const SchemaFile kSchemaFiles[] = {
    {"generic/EnumResultGeneric.proto", [] { return EnumResultGeneric_descriptor()->file(); }},
    {"wsdkCommands/WSDK_EnumFlatMode.proto",
     [] { return wsdk_commands::WSDK_EnumFlatMode_descriptor()->file(); }},
    {"wsdkCommands/WSDK_EnumPresetGroup.proto",
     [] { return wsdk_commands::WSDK_EnumPresetGroup_descriptor()->file(); }},
    {"wsdkCommands/WSDK_EnumPresetIcon.proto",
     [] { return wsdk_commands::WSDK_EnumPresetIcon_descriptor()->file(); }},
    {"wsdkCommands/WSDK_EnumPresetTitle.proto",
     [] { return wsdk_commands::WSDK_EnumPresetTitle_descriptor()->file(); }},
    {"wsdkCommands/WSDK_PresetSetting.proto",
     [] { return wsdk_commands::WSDK_PresetSetting::descriptor()->file(); }},
    {"wsdkCommands/WSDK_Preset.proto", [] { return wsdk_commands::WSDK_Preset::descriptor()->file(); }},
    {"wsdkCommands/WSDK_PresetGroup.proto",
     [] { return wsdk_commands::WSDK_PresetGroup::descriptor()->file(); }},
    {"wsdkCommands/WSDK_NotifyPresetStatus.proto",
     [] { return wsdk_commands::WSDK_NotifyPresetStatus::descriptor()->file(); }},
    {"wsdkCommands/WSDK_RequestCreateCustomPreset.proto",
     [] { return wsdk_commands::WSDK_RequestCreateCustomPreset::descriptor()->file(); }},
    {"klControlCommands/klControl_presets.proto",
     [] { return klcontrol::presets::KLC_Preset_List_Req::descriptor()->file(); }},
};

}  // namespace

bool klRegisterPresetSchemas() {
  const auto* pool = google::protobuf::DescriptorPool::generated_pool();
  bool allFound = true;
  for (const SchemaFile& schema : kSchemaFiles) {
    // Clients resolve imports by path, so a file registered under another name is as bad as a missing one.
    allFound = pool->FindFileByName(schema.path) == schema.build() && allFound;
  }
  return allFound;
}
