// What a client sees of the preset messages on the wire: the field numbers and types of every schema,
// byte for byte.
#include <google/protobuf/message.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "generic/EnumResultGeneric.pb.h"
#include "klControlCommands/klControl_presets.pb.h"
#include "wsdkCommands/WSDK_NotifyPresetStatus.pb.h"
#include "wsdkCommands/WSDK_RequestCreateCustomPreset.pb.h"

namespace {

using google::protobuf::Message;
namespace kp = klcontrol::presets;
namespace ws = wsdk_commands;

std::string bytes(std::initializer_list<int> values) {
  std::string out;
  for (int v : values) out.push_back(static_cast<char>(v));
  return out;
}

template <typename T, typename Fill>
std::shared_ptr<Message> build(Fill fill) {
  auto msg = std::make_shared<T>();
  fill(*msg);
  return msg;
}

TEST(PresetWire, EncodesHandComputedBytes) {
  const struct {
    const char* what;
    std::shared_ptr<Message> msg;
    std::string wire;
  } cases[] = {
      {"preset with every field, set out of order", build<ws::WSDK_Preset>([](auto& p) {
         p.set_is_modified(false);
         p.set_icon(ws::WSDK_PRESET_ICON_CUSTOM);
         p.set_user_defined(true);
         p.set_title_number(2);
         p.set_title_id(ws::WSDK_PRESET_TITLE_CUSTOM);
         p.set_mode(ws::WSDK_FLAT_MODE_VIDEO);
         p.set_id(5);
         auto* s = p.add_setting_array();
         s->set_id(2);
         s->set_value(1);
         s->set_is_caption(true);
       }),
       bytes({0x08, 0x05, 0x10, 0x0C, 0x18, 0x12, 0x20, 0x02, 0x28, 0x01, 0x30,
              0x12, 0x3A, 0x06, 0x08, 0x02, 0x10, 0x01, 0x18, 0x01, 0x40, 0x00})},
      {"flat mode -1 set explicitly takes ten varint bytes",
       build<ws::WSDK_Preset>([](auto& p) { p.set_mode(ws::WSDK_FLAT_MODE_UNKNOWN); }),
       bytes({0x10, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x01})},
      {"negative setting value is sign-extended, not zigzag",
       build<ws::WSDK_PresetSetting>([](auto& s) { s.set_value(-2); }),
       bytes({0x10, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x01})},
      {"preset list nests group and preset", build<ws::WSDK_NotifyPresetStatus>([](auto& n) {
         auto* g = n.add_preset_group_array();
         g->set_id(ws::WSDK_PRESET_GROUP_ID_PHOTO);
         g->add_preset_array()->set_id(1);
         g->set_can_add_preset(true);
       }),
       bytes({0x0A, 0x09, 0x08, 0xE9, 0x07, 0x12, 0x02, 0x08, 0x01, 0x18, 0x01})},
      {"creation answer", build<ws::WSDK_ResponseCreateCustomPreset>([](auto& r) {
         r.set_result(RESULT_SUCCESS);
         r.set_preset_id(7);
       }),
       bytes({0x08, 0x07, 0x10, 0x01})},
      {"preset record sends settings (6) before the predefined flag (7)", build<kp::Preset_Info>([](auto& p) {
         p.set_preset_id(1);
         p.set_predefined_preset(true);
         auto* s = p.add_settings();
         s->set_setting_id(2);
         s->set_value(3);
         s->set_name("a");
       }),
       bytes({0x08, 0x01, 0x32, 0x07, 0x08, 0x02, 0x10, 0x03, 0x1A, 0x01, 0x61, 0x38, 0x01})},
      {"group list is not packed", build<kp::KLC_Preset_Group_List_Resp>([](auto& r) {
         r.add_preset_groups(1000);
         r.add_preset_groups(1006);
       }),
       bytes({0x08, 0xE8, 0x07, 0x08, 0xEE, 0x07})},
      {"preset ids with their group", build<kp::KLC_Preset_List_Resp>([](auto& r) {
         r.add_presets(3);
         r.add_presets(300);
         r.mutable_preset_group()->set_group_id(1);
       }),
       bytes({0x08, 0x03, 0x08, 0xAC, 0x02, 0x12, 0x02, 0x08, 0x01})},
      {"creation request", build<kp::KLC_Preset_Custom_Create_Req>([](auto& r) {
         r.set_group_id(1000);
         r.set_flat_mode(12);
         r.set_preset_icon(18);
         r.set_preset_name(18);
         r.set_preset_name_iterator(1);
       }),
       bytes({0x08, 0xE8, 0x07, 0x10, 0x0C, 0x18, 0x12, 0x20, 0x12, 0x28, 0x01})},
      {"order request with an id above 2^31 stays unsigned", build<kp::KLC_Preset_Set_Order_Req>([](auto& r) {
         r.set_preset_id(0x80000000u);
         r.set_order(2);
       }),
       bytes({0x08, 0x80, 0x80, 0x80, 0x80, 0x08, 0x10, 0x02})},
      {"a zero that is set is sent", build<kp::KLC_Preset_Info_Req>([](auto& r) { r.set_preset_id(0); }),
       bytes({0x08, 0x00})},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::string out;
    ASSERT_TRUE(c.msg->SerializeToString(&out));
    EXPECT_EQ(out, c.wire);
  }
}

}  // namespace
