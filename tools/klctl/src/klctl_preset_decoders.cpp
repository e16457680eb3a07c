#include "klctl_preset_decoders.h"

#include <cstdio>

#include "klControlCommands/klControl_presets.pb.h"
#include "wsdkCommands/WSDK_NotifyPresetStatus.pb.h"
#include "wsdkCommands/WSDK_RequestCreateCustomPreset.pb.h"

namespace {

template <class Message>
bool parse(const std::vector<uint8_t>& payload, Message& message) {
  return message.ParseFromArray(payload.data(), static_cast<int>(payload.size()));
}

std::string hexId(uint32_t id) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08x", static_cast<unsigned>(id));
  return text;
}

// "0x00010003 mode 18 title 6#1 icon 6 custom edited settings 19=1 122=0"
std::string presetLine(const wsdk_commands::WSDK_Preset& preset) {
  std::string line = hexId(static_cast<uint32_t>(preset.id())) + " mode " + std::to_string(preset.mode()) +
                     " title " + std::to_string(preset.title_id());
  if (preset.has_title_number()) line += "#" + std::to_string(preset.title_number());
  line += " icon " + std::to_string(preset.icon());
  if (preset.user_defined()) line += " custom";
  if (preset.is_modified()) line += " edited";
  line += " settings";
  for (const auto& setting : preset.setting_array()) {
    line += " " + std::to_string(setting.id()) + "=" + std::to_string(setting.value());
  }
  return line;
}

}  // namespace

std::string klctlDecodePresetGroups(const std::vector<uint8_t>& payload) {
  klcontrol::presets::KLC_Preset_Group_List_Resp groups;
  if (!parse(payload, groups)) return "";
  std::string text = "groups:";
  for (uint32_t group : groups.preset_groups()) text += " " + std::to_string(group);
  return text;
}

std::string klctlDecodePresetIds(const std::vector<uint8_t>& payload) {
  klcontrol::presets::KLC_Preset_List_Resp presets;
  if (!parse(payload, presets)) return "";
  std::string text = "presets:";
  for (uint32_t id : presets.presets()) text += " " + hexId(id);
  return text;
}

std::string klctlDecodePreset(const std::vector<uint8_t>& payload) {
  wsdk_commands::WSDK_Preset preset;
  return parse(payload, preset) ? "preset " + presetLine(preset) : "";
}

std::string klctlDecodeCreatedPreset(const std::vector<uint8_t>& payload) {
  wsdk_commands::WSDK_ResponseCreateCustomPreset created;
  if (!parse(payload, created)) return "";
  return "created " + hexId(static_cast<uint32_t>(created.preset_id())) + " result " +
         std::to_string(created.result());
}

std::string klctlDecodePresetModel(const std::vector<uint8_t>& payload) {
  wsdk_commands::WSDK_NotifyPresetStatus model;
  if (!parse(payload, model)) return "";
  std::string text;
  for (const auto& group : model.preset_group_array()) {
    if (!text.empty()) text += "\n";
    text += "group " + std::to_string(group.id()) + (group.can_add_preset() ? " (can add)" : " (full)");
    for (const auto& preset : group.preset_array()) text += "\n  " + presetLine(preset);
  }
  return text;
}
