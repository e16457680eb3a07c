#include "klPresetSchemas.h"

#include <google/protobuf/descriptor.h>
#include <gtest/gtest.h>

namespace {

// Clients look types up by full name and resolve imports by schema path.
TEST(PresetSchemas, TypesAreFoundByNameUnderTheirSchemaFile) {
  ASSERT_TRUE(klRegisterPresetSchemas());
  const auto* pool = google::protobuf::DescriptorPool::generated_pool();
  const std::pair<const char*, const char*> types[] = {
      {"EnumResultGeneric", "generic/EnumResultGeneric.proto"},
      {"wsdk_commands.WSDK_ResponseCreateCustomPreset", "wsdkCommands/WSDK_RequestCreateCustomPreset.proto"},
      {"klcontrol.presets.KLC_Preset_Set_Title_Icon_Req", "klControlCommands/klControl_presets.proto"},
  };
  for (const auto& [name, file] : types) {
    const google::protobuf::Descriptor* message = pool->FindMessageTypeByName(name);
    const google::protobuf::EnumDescriptor* enumeration = pool->FindEnumTypeByName(name);
    ASSERT_TRUE(message != nullptr || enumeration != nullptr) << name;
    EXPECT_EQ((message != nullptr ? message->file() : enumeration->file())->name(), file) << name;
  }
}

}  // namespace
