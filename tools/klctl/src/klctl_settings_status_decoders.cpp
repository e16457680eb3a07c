#include "klctl_settings_status_decoders.h"

#include <cstring>
#include <type_traits>

#include "camera_blocks.h"

namespace {

// One member: its label, block offset, width in bytes and whether it is signed.
struct Member {
  const char* label;
  size_t offset;
  unsigned width;
  bool isSigned;
};

// A named field of a block: its place, width and signedness are the block's own.
#define MEMBER(block, label, field) \
  { label, offsetof(block, field), sizeof(block::field), std::is_signed<decltype(block::field)>::value }

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
std::string describe(const uint8_t* block, const Member (&members)[N]) {
  std::string text;
  for (const Member& member : members) {
    if (!text.empty()) text += ", ";
    text += std::string(member.label) + " " + std::to_string(valueAt(block, member));
  }
  return text;
}

}  // namespace

std::string klctlDecodeStatusBlock(const std::vector<uint8_t>& payload) {
  return payload.size() == sizeof(appc_system_all_status) ? describe(payload.data(), kStatusMembers) : "";
}

std::string klctlDecodeSettingsBlock(const std::vector<uint8_t>& payload) {
  return payload.size() == sizeof(appc_setup_all_settings) ? describe(payload.data(), kSettingsMembers) : "";
}

std::string klctlDecodeSnapshot(const std::vector<uint8_t>& payload) {
  if (payload.size() != sizeof(all_status_settings_t)) return "";
  const uint8_t* bytes = payload.data();
  klcontrol_system_settings system;
  std::memcpy(&system, bytes + offsetof(all_status_settings_t, system), sizeof system);
  return "status: " + describe(bytes, kStatusMembers) +
         "; settings: " + describe(bytes + offsetof(all_status_settings_t, settings), kSettingsMembers) +
         "; lens mode " + std::to_string(system.lens_mode) + ", lens " + std::to_string(system.lens);
}
