// What a client sees of the preset messages: each type found by its full name under its schema file,
// and the field numbers and types of every schema on the wire, byte for byte.
#include <google/protobuf/descriptor.h>
#include <google/protobuf/message.h>
#include <google/protobuf/text_format.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "klPresetSchemas.h"

namespace {

namespace pb = google::protobuf;

// Clients look types up by full name and resolve imports by schema path.
TEST(PresetSchemas, TypesAreFoundByNameUnderTheirSchemaFile) {
  ASSERT_TRUE(klRegisterPresetSchemas());
  const auto* pool = pb::DescriptorPool::generated_pool();
  const std::pair<const char*, const char*> types[] = {
      {"EnumResultGeneric", "generic/EnumResultGeneric.proto"},
      {"wsdk_commands.WSDK_ResponseCreateCustomPreset", "wsdkCommands/WSDK_RequestCreateCustomPreset.proto"},
      {"klcontrol.presets.KLC_Preset_Set_Title_Icon_Req", "klControlCommands/klControl_presets.proto"},
  };
  for (const auto& [name, file] : types) {
    const pb::Descriptor* message = pool->FindMessageTypeByName(name);
    const pb::EnumDescriptor* enumeration = pool->FindEnumTypeByName(name);
    ASSERT_TRUE(message != nullptr || enumeration != nullptr) << name;
    EXPECT_EQ((message != nullptr ? message->file() : enumeration->file())->name(), file) << name;
  }
}

// The wire bytes of the message of the named type that the text describes, or what went wrong.
std::string wireOf(const std::string& type, const std::string& text) {
  const pb::Descriptor* descriptor = pb::DescriptorPool::generated_pool()->FindMessageTypeByName(type);
  if (descriptor == nullptr) return "no type " + type;
  std::unique_ptr<pb::Message> msg(pb::MessageFactory::generated_factory()->GetPrototype(descriptor)->New());
  std::string wire;
  if (!pb::TextFormat::ParseFromString(text, msg.get()) || !msg->SerializeToString(&wire)) return "bad text";
  return wire;
}

TEST(PresetWire, EncodesHandComputedBytes) {
  ASSERT_TRUE(klRegisterPresetSchemas());
  const struct {
    const char* type;
    const char* text;
    std::vector<uint8_t> wire;
  } cases[] = {
      // Every field, given out of order, goes out in field-number order.
      {"wsdk_commands.WSDK_Preset",
       "is_modified: false icon: WSDK_PRESET_ICON_CUSTOM user_defined: true title_number: 2 "
       "title_id: WSDK_PRESET_TITLE_CUSTOM mode: WSDK_FLAT_MODE_VIDEO id: 5 "
       "setting_array { id: 2 value: 1 is_caption: true }",
       {0x08, 0x05, 0x10, 0x0C, 0x18, 0x12, 0x20, 0x02, 0x28, 0x01, 0x30,
        0x12, 0x3A, 0x06, 0x08, 0x02, 0x10, 0x01, 0x18, 0x01, 0x40, 0x00}},
      // Flat mode -1 set explicitly takes ten varint bytes.
      {"wsdk_commands.WSDK_Preset",
       "mode: WSDK_FLAT_MODE_UNKNOWN",
       {0x10, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x01}},
      // A negative setting value is sign-extended, not zigzag.
      {"wsdk_commands.WSDK_PresetSetting",
       "value: -2",
       {0x10, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x01}},
      {"wsdk_commands.WSDK_NotifyPresetStatus",
       "preset_group_array { id: WSDK_PRESET_GROUP_ID_PHOTO preset_array { id: 1 } can_add_preset: true }",
       {0x0A, 0x09, 0x08, 0xE9, 0x07, 0x12, 0x02, 0x08, 0x01, 0x18, 0x01}},
      {"wsdk_commands.WSDK_ResponseCreateCustomPreset",
       "result: RESULT_SUCCESS preset_id: 7",
       {0x08, 0x07, 0x10, 0x01}},
      // Settings (6) go before the predefined flag (7).
      {"klcontrol.presets.Preset_Info",
       "preset_id: 1 predefined_preset: true settings { setting_id: 2 value: 3 name: 'a' }",
       {0x08, 0x01, 0x32, 0x07, 0x08, 0x02, 0x10, 0x03, 0x1A, 0x01, 0x61, 0x38, 0x01}},
      // Repeated numbers are not packed.
      {"klcontrol.presets.KLC_Preset_Group_List_Resp",
       "preset_groups: [1000, 1006]",
       {0x08, 0xE8, 0x07, 0x08, 0xEE, 0x07}},
      {"klcontrol.presets.KLC_Preset_List_Resp",
       "presets: [3, 300] preset_group { group_id: 1 }",
       {0x08, 0x03, 0x08, 0xAC, 0x02, 0x12, 0x02, 0x08, 0x01}},
      {"klcontrol.presets.KLC_Preset_Custom_Create_Req",
       "group_id: 1000 flat_mode: 12 preset_icon: 18 preset_name: 18 preset_name_iterator: 1",
       {0x08, 0xE8, 0x07, 0x10, 0x0C, 0x18, 0x12, 0x20, 0x12, 0x28, 0x01}},
      // An id above 2^31 stays unsigned.
      {"klcontrol.presets.KLC_Preset_Set_Order_Req",
       "preset_id: 2147483648 order: 2",
       {0x08, 0x80, 0x80, 0x80, 0x80, 0x08, 0x10, 0x02}},
      // A zero that is set is sent.
      {"klcontrol.presets.KLC_Preset_Info_Req", "preset_id: 0", {0x08, 0x00}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(wireOf(c.type, c.text), std::string(c.wire.begin(), c.wire.end())) << c.type << " " << c.text;
}

}  // namespace
