#include "klcontrol_preset_decoders.h"

#include <google/protobuf/unknown_field_set.h>

#include <cstdio>

#include "klControlCommands/klControl_presets.pb.h"
#include "wsdkCommands/WSDK_NotifyPresetStatus.pb.h"
#include "wsdkCommands/WSDK_RequestCreateCustomPreset.pb.h"

namespace {

using Json = nlohmann::ordered_json;

template <class Message>
bool parse(const std::vector<uint8_t>& payload, Message& message) {
  return message.ParseFromArray(payload.data(), static_cast<int>(payload.size()));
}

std::string hexId(uint32_t id) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08x", static_cast<unsigned>(id));
  return text;
}

// Preset ids are 32-bit numbers that the schema carries as int32.
uint32_t idOf(int32_t id) {
  return static_cast<uint32_t>(id);
}

// An enum field as the camera sent it: a number the enumeration does not list is kept by the parser
// among the unknown fields, under the field's number.
int64_t enumOnWire(const wsdk_commands::WSDK_Preset& preset, int field, int64_t listed) {
  const google::protobuf::UnknownFieldSet& unknown = preset.unknown_fields();
  for (int i = 0; i < unknown.field_count(); ++i) {
    if (unknown.field(i).number() == field &&
        unknown.field(i).type() == google::protobuf::UnknownField::TYPE_VARINT) {
      return static_cast<int32_t>(unknown.field(i).varint());
    }
  }
  return listed;
}

Json presetObject(const wsdk_commands::WSDK_Preset& preset) {
  using wsdk_commands::WSDK_Preset;
  Json object = {{"id", idOf(preset.id())},
                 {"mode", enumOnWire(preset, WSDK_Preset::kModeFieldNumber, preset.mode())},
                 {"title", enumOnWire(preset, WSDK_Preset::kTitleIdFieldNumber, preset.title_id())}};
  if (preset.has_title_number()) object["title_number"] = preset.title_number();
  object["icon"] = enumOnWire(preset, WSDK_Preset::kIconFieldNumber, preset.icon());
  object["custom"] = preset.user_defined();
  object["edited"] = preset.is_modified();
  Json settings = Json::array();
  for (const auto& setting : preset.setting_array()) {
    Json entry = {{"id", setting.id()}, {"value", setting.value()}};
    if (setting.is_caption()) entry["caption"] = true;
    settings.push_back(std::move(entry));
  }
  object["settings"] = std::move(settings);
  return object;
}

std::string numberText(const Json& number) {
  return std::to_string(number.get<int64_t>());
}

// "0x00010003 mode 18 title 6#1 icon 6 custom edited settings 19=1 122=0"
std::string presetLine(const Json& preset) {
  std::string line = hexId(preset["id"].get<uint32_t>()) + " mode " + numberText(preset["mode"]) + " title " +
                     numberText(preset["title"]);
  if (preset.contains("title_number")) line += "#" + numberText(preset["title_number"]);
  line += " icon " + numberText(preset["icon"]);
  if (preset["custom"].get<bool>()) line += " custom";
  if (preset["edited"].get<bool>()) line += " edited";
  line += " settings";
  for (const Json& setting : preset["settings"]) {
    line += " " + numberText(setting["id"]) + "=" + numberText(setting["value"]);
  }
  return line;
}

// "name: a b c" of a list of numbers, each written by format.
template <class Format>
std::string listLine(const char* name, const Json& object, Format format) {
  std::string text = std::string(name) + ":";
  for (const Json& number : object[name]) text += " " + format(number);
  return text;
}

}  // namespace

Json klcontrol_preset_groups_json(const std::vector<uint8_t>& payload) {
  klcontrol::presets::KLC_Preset_Group_List_Resp groups;
  if (!parse(payload, groups)) return nullptr;
  return {{"groups", std::vector<uint32_t>(groups.preset_groups().begin(), groups.preset_groups().end())}};
}

Json klcontrol_preset_ids_json(const std::vector<uint8_t>& payload) {
  klcontrol::presets::KLC_Preset_List_Resp presets;
  if (!parse(payload, presets)) return nullptr;
  return {{"presets", std::vector<uint32_t>(presets.presets().begin(), presets.presets().end())}};
}

Json klcontrol_preset_json(const std::vector<uint8_t>& payload) {
  wsdk_commands::WSDK_Preset preset;
  return parse(payload, preset) ? presetObject(preset) : Json();
}

Json klcontrol_created_preset_json(const std::vector<uint8_t>& payload) {
  wsdk_commands::WSDK_ResponseCreateCustomPreset created;
  if (!parse(payload, created)) return nullptr;
  return {{"preset_id", idOf(created.preset_id())}, {"result", created.result()}};
}

Json klcontrol_preset_model_json(const std::vector<uint8_t>& payload) {
  wsdk_commands::WSDK_NotifyPresetStatus model;
  if (!parse(payload, model)) return nullptr;
  Json groups = Json::array();
  for (const auto& group : model.preset_group_array()) {
    Json presets = Json::array();
    for (const auto& preset : group.preset_array()) presets.push_back(presetObject(preset));
    groups.push_back({{"id", group.id()}, {"can_add_preset", group.can_add_preset()}, {"presets", presets}});
  }
  return {{"groups", std::move(groups)}};
}

std::string klcontrol_preset_groups_text(const Json& groups) {
  return listLine("groups", groups, numberText);
}

std::string klcontrol_preset_ids_text(const Json& presets) {
  return listLine("presets", presets, [](const Json& id) { return hexId(id.get<uint32_t>()); });
}

std::string klcontrol_preset_text(const Json& preset) {
  return "preset " + presetLine(preset);
}

std::string klcontrol_created_preset_text(const Json& created) {
  return "created " + hexId(created["preset_id"].get<uint32_t>()) + " result " +
         numberText(created["result"]);
}

std::string klcontrol_preset_model_text(const Json& model) {
  std::string text;
  for (const Json& group : model["groups"]) {
    if (!text.empty()) text += "\n";
    text +=
        "group " + numberText(group["id"]) + (group["can_add_preset"].get<bool>() ? " (can add)" : " (full)");
    for (const Json& preset : group["presets"]) text += "\n  " + presetLine(preset);
  }
  return text;
}
