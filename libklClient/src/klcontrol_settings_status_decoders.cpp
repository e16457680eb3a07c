#include "klcontrol_settings_status_decoders.h"

#include <cstring>
#include <type_traits>

#include "camera_blocks.h"

namespace {

using Json = nlohmann::ordered_json;

// One member: its field name, label, block offset, width in bytes and whether it is signed.
struct Member {
  const char* key;
  const char* label;
  size_t offset;
  unsigned width;
  bool isSigned;
};

// A named field of a block: its place, width and signedness are the block's own.
#define MEMBER(block, label, field)                              \
  {                                                              \
#field, label, offsetof(block, field), sizeof(block::field), \
        std::is_signed < decltype(block::field)> ::value         \
  }

const Member kStatusMembers[] = {
    MEMBER(appc_system_all_status, "mode", mode),
    MEMBER(appc_system_all_status, "sub-mode", sub_mode),
    MEMBER(appc_system_all_status, "zoom", digital_zoom),
    MEMBER(appc_system_all_status, "battery %", battery_percent),
    MEMBER(appc_system_all_status, "preset group", active_preset_group),
    MEMBER(appc_system_all_status, "modified preset", modified_preset_id),
    MEMBER(appc_system_all_status, "encoding", encoding),
    MEMBER(appc_system_all_status, "busy", busy),
    MEMBER(appc_system_all_status, "recording s", recording_seconds),
    MEMBER(appc_system_all_status, "photos", photo_count),
    MEMBER(appc_system_all_status, "videos", video_count),
    MEMBER(appc_system_all_status, "sd status", sd_status),
    MEMBER(appc_system_all_status, "temperature C", internal_temperature_c),
    MEMBER(appc_system_all_status, "orientation", orientation),
};

const Member kSettingsMembers[] = {
    MEMBER(appc_setup_all_settings, "flat mode", flat_mode),
    MEMBER(appc_setup_all_settings, "video resolution", video_resolution),
    MEMBER(appc_setup_all_settings, "video lens", video_lens),
    MEMBER(appc_setup_all_settings, "video fps", video_fps),
    MEMBER(appc_setup_all_settings, "zoom", digital_zoom),
    MEMBER(appc_setup_all_settings, "photo timer", photo_timer),
    MEMBER(appc_setup_all_settings, "auto-off enabled", auto_off_enabled),
    MEMBER(appc_setup_all_settings, "auto-off", auto_off_option),
};

#undef MEMBER

long long valueAt(const uint8_t* block, const Member& member) {
  uint32_t raw = 0;
  for (unsigned i = 0; i < member.width; ++i) raw |= uint32_t(block[member.offset + i]) << (8 * i);
  if (member.isSigned && member.width == 1) return int8_t(raw);
  return raw;
}

template <size_t N>
Json members(const uint8_t* block, const Member (&table)[N]) {
  Json object = Json::object();
  for (const Member& member : table) object[member.key] = valueAt(block, member);
  return object;
}

template <size_t N>
std::string describe(const Json& object, const Member (&table)[N]) {
  std::string text;
  for (const Member& member : table) {
    if (!text.empty()) text += ", ";
    text += std::string(member.label) + " " + std::to_string(object[member.key].get<long long>());
  }
  return text;
}

}  // namespace

Json klcontrol_status_block_json(const std::vector<uint8_t>& payload) {
  return payload.size() == sizeof(appc_system_all_status) ? members(payload.data(), kStatusMembers) : Json();
}

std::string klcontrol_status_block_text(const Json& block) {
  return describe(block, kStatusMembers);
}

Json klcontrol_settings_block_json(const std::vector<uint8_t>& payload) {
  return payload.size() == sizeof(appc_setup_all_settings) ? members(payload.data(), kSettingsMembers)
                                                           : Json();
}

std::string klcontrol_settings_block_text(const Json& block) {
  return describe(block, kSettingsMembers);
}

Json klcontrol_snapshot_json(const std::vector<uint8_t>& payload) {
  if (payload.size() != sizeof(all_status_settings_t)) return nullptr;
  const uint8_t* bytes = payload.data();
  klcontrol_system_settings system;
  std::memcpy(&system, bytes + offsetof(all_status_settings_t, system), sizeof system);
  return {{"status", members(bytes, kStatusMembers)},
          {"settings", members(bytes + offsetof(all_status_settings_t, settings), kSettingsMembers)},
          {"lens_mode", int{system.lens_mode}},
          {"lens", int{system.lens}}};
}

std::string klcontrol_snapshot_text(const Json& snapshot) {
  return "status: " + describe(snapshot["status"], kStatusMembers) +
         "; settings: " + describe(snapshot["settings"], kSettingsMembers) + "; lens mode " +
         std::to_string(snapshot["lens_mode"].get<long long>()) + ", lens " +
         std::to_string(snapshot["lens"].get<long long>());
}
