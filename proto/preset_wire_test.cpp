// What a client sees of the preset messages: every schema registered under its import path, each type
// found by its full name, and the field numbers and types on the wire, byte for byte.
#include <google/protobuf/descriptor.h>
#include <google/protobuf/message.h>
#include <google/protobuf/text_format.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "klHexdump.h"
#include "klPresetSchemas.h"
#include "wsdkCommands/WSDK_RequestCreateCustomPreset.pb.h"

namespace {

namespace pb = google::protobuf;

// The hexadecimal wire bytes of the message of the named type the text describes, or what went wrong.
std::string wireOf(const std::string& type, const std::string& text) {
  const pb::Descriptor* descriptor = pb::DescriptorPool::generated_pool()->FindMessageTypeByName(type);
  if (descriptor == nullptr) return "no type " + type;
  std::unique_ptr<pb::Message> msg(pb::MessageFactory::generated_factory()->GetPrototype(descriptor)->New());
  std::string wire;
  if (!pb::TextFormat::ParseFromString(text, msg.get()) || !msg->SerializeToString(&wire)) return "bad text";
  return hexstring(reinterpret_cast<const uint8_t*>(wire.data()), wire.size(), false);
}

TEST(PresetWire, EncodesHandComputedBytes) {
  ASSERT_TRUE(klRegisterPresetSchemas());
  // The answer type sits in the file of its request, where clients import it from.
  EXPECT_EQ(wsdk_commands::WSDK_ResponseCreateCustomPreset::descriptor()->file()->name(),
            "wsdkCommands/WSDK_RequestCreateCustomPreset.proto");
  const struct {
    const char* type;
    const char* text;
    const char* wire;  // hexadecimal
  } cases[] = {
      // Every field, given out of order, goes out in field-number order.
      {"wsdk_commands.WSDK_Preset",
       "is_modified: false icon: WSDK_PRESET_ICON_CUSTOM user_defined: true title_number: 2 "
       "title_id: WSDK_PRESET_TITLE_CUSTOM mode: WSDK_FLAT_MODE_VIDEO id: 5 "
       "setting_array { id: 2 value: 1 is_caption: true }",
       "0805100c18122002280130123a060802100118014000"},
      // Flat mode -1 set explicitly takes ten varint bytes.
      {"wsdk_commands.WSDK_Preset", "mode: WSDK_FLAT_MODE_UNKNOWN", "10ffffffffffffffffff01"},
      // A negative setting value is sign-extended, not zigzag.
      {"wsdk_commands.WSDK_PresetSetting", "value: -2", "10feffffffffffffffff01"},
      {"wsdk_commands.WSDK_NotifyPresetStatus",
       "preset_group_array { id: WSDK_PRESET_GROUP_ID_PHOTO preset_array { id: 1 } can_add_preset: true }",
       "0a0908e907120208011801"},
      {"wsdk_commands.WSDK_ResponseCreateCustomPreset", "result: RESULT_SUCCESS preset_id: 7", "08071001"},
      // Settings (6) go before the predefined flag (7).
      {"klcontrol.presets.Preset_Info",
       "preset_id: 1 predefined_preset: true settings { setting_id: 2 value: 3 name: 'a' }",
       "08013207080210031a01613801"},
      // Repeated numbers are not packed.
      {"klcontrol.presets.KLC_Preset_Group_List_Resp", "preset_groups: [1000, 1006]", "08e80708ee07"},
      {"klcontrol.presets.KLC_Preset_List_Resp", "presets: [3, 300] preset_group { group_id: 1 }",
       "080308ac0212020801"},
      {"klcontrol.presets.KLC_Preset_Custom_Create_Req",
       "group_id: 1000 flat_mode: 12 preset_icon: 18 preset_name: 18 preset_name_iterator: 1",
       "08e807100c181220122801"},
      // An id above 2^31 stays unsigned.
      {"klcontrol.presets.KLC_Preset_Set_Order_Req", "preset_id: 2147483648 order: 2", "0880808080081002"},
      // A zero that is set is sent.
      {"klcontrol.presets.KLC_Preset_Info_Req", "preset_id: 0", "0800"},
  };
  for (const auto& c : cases) EXPECT_EQ(wireOf(c.type, c.text), c.wire) << c.type << " " << c.text;
}

}  // namespace
