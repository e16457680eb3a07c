#include "klctl_settings_status_decoders.h"

#include <cstddef>
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

#define MEMBER(label, block, field)                                                                    \
  Member {                                                                                             \
    label, offsetof(block, field), sizeof(block::field), std::is_signed<decltype(block::field)>::value \
  }

const Member kStatusMembers[] = {
    MEMBER("mode", appc_system_all_status, mode),
    MEMBER("sub-mode", appc_system_all_status, sub_mode),
    MEMBER("zoom", appc_system_all_status, digital_zoom),
    MEMBER("battery %", appc_system_all_status, battery_percent),
    MEMBER("preset group", appc_system_all_status, active_preset_group),
    MEMBER("modified preset", appc_system_all_status, modified_preset_id),
    MEMBER("encoding", appc_system_all_status, encoding),
    MEMBER("busy", appc_system_all_status, busy),
    MEMBER("recording s", appc_system_all_status, recording_seconds),
    MEMBER("photos", appc_system_all_status, photo_count),
    MEMBER("videos", appc_system_all_status, video_count),
    MEMBER("sd status", appc_system_all_status, sd_status),
    MEMBER("temperature C", appc_system_all_status, internal_temperature_c),
    MEMBER("orientation", appc_system_all_status, orientation),
};

const Member kSettingsMembers[] = {
    MEMBER("flat mode", appc_setup_all_settings, flat_mode),
    MEMBER("video resolution", appc_setup_all_settings, video_resolution),
    MEMBER("video lens", appc_setup_all_settings, video_lens),
    MEMBER("video fps", appc_setup_all_settings, video_fps),
    MEMBER("zoom", appc_setup_all_settings, digital_zoom),
    MEMBER("photo timer", appc_setup_all_settings, photo_timer),
    MEMBER("auto-off enabled", appc_setup_all_settings, auto_off_enabled),
    MEMBER("auto-off", appc_setup_all_settings, auto_off_option),
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
  const uint8_t* system = bytes + offsetof(all_status_settings_t, system);
  return "status: " + describe(bytes, kStatusMembers) +
         "; settings: " + describe(bytes + offsetof(all_status_settings_t, settings), kSettingsMembers) +
         "; lens mode " + std::to_string(int8_t(system[offsetof(klcontrol_system_settings, lens_mode)])) +
         ", lens " + std::to_string(int8_t(system[offsetof(klcontrol_system_settings, lens)]));
}
