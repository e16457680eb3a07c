#include "sim_members.h"

#include <cctype>
#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <type_traits>

namespace {

// Named members come from the block layouts themselves, so names and offsets cannot drift apart.
#define SIM_MEMBER(prefix, block, type, field)                        \
  {                                                                   \
    prefix #field, block, offsetof(type, field), sizeof(type::field), \
        std::is_signed<decltype(type::field)>::value                  \
  }
#define SIM_STATUS(field) SIM_MEMBER("status.", SimBlock::STATUS, appc_system_all_status, field)
#define SIM_SETTING(field) SIM_MEMBER("settings.", SimBlock::SETTINGS, appc_setup_all_settings, field)
#define SIM_SYSTEM(field) SIM_MEMBER("system.", SimBlock::SYSTEM, sim_system_values, field)

const SimMember kMembers[] = {
    SIM_SYSTEM(lens_mode),
    SIM_SYSTEM(lens),
    SIM_SYSTEM(lens_type),
    SIM_SYSTEM(power_profile),
    SIM_SYSTEM(orientation_setting),
    SIM_SYSTEM(protocol_adapter),
    SIM_SYSTEM(power_state),
    SIM_SYSTEM(locate),
    SIM_SYSTEM(fw_update_state),
    SIM_SYSTEM(camera_control),
    SIM_SYSTEM(wired_usb_control),
    SIM_SYSTEM(analytics_file),
    SIM_SYSTEM(analytics_bytes),
    SIM_SYSTEM(liveview_selected),
    SIM_SYSTEM(liveview_exposure),
    SIM_SYSTEM(liveview_x),
    SIM_SYSTEM(liveview_y),
    SIM_SYSTEM(liveview_lens),
    SIM_SYSTEM(button_presses),
    SIM_SYSTEM(button_id),
    SIM_SYSTEM(button_state),
    SIM_SYSTEM(voice_tags),
    SIM_SYSTEM(mix_preset),
    SIM_STATUS(mode),
    SIM_STATUS(sub_mode),
    SIM_STATUS(video_selected_flatmode),
    SIM_STATUS(photo_selected_flatmode),
    SIM_STATUS(timelapse_selected_flatmode),
    SIM_STATUS(digital_zoom),
    SIM_STATUS(battery_percent),
    SIM_STATUS(video_preset_id),
    SIM_STATUS(photo_preset_id),
    SIM_STATUS(timelapse_preset_id),
    SIM_STATUS(active_preset_group),
    SIM_STATUS(special_preset_id),
    SIM_STATUS(modified_preset_id),
    SIM_STATUS(battery_present),
    SIM_STATUS(battery_level),
    SIM_STATUS(preset_modified),
    SIM_STATUS(encoding),
    SIM_STATUS(busy),
    SIM_STATUS(recording_seconds),
    SIM_STATUS(remaining_photos),
    SIM_STATUS(remaining_video_seconds),
    SIM_STATUS(photo_count),
    SIM_STATUS(video_count),
    SIM_STATUS(remaining_space_kb),
    SIM_STATUS(sd_status),
    SIM_STATUS(wifi_ap_state),
    SIM_STATUS(wifi_band),
    SIM_STATUS(ble_state),
    SIM_STATUS(rc_pair_state),
    SIM_STATUS(wifi_scan_state),
    SIM_STATUS(internal_temperature_c),
    SIM_STATUS(thermal_warning),
    SIM_STATUS(lens_mode),
    SIM_STATUS(in_contextual_menu),
    SIM_STATUS(orientation),
    SIM_STATUS(audio_input_state),
    SIM_STATUS(camera_control_status),
    SIM_SETTING(flat_mode),
    SIM_SETTING(video_resolution),
    SIM_SETTING(video_lens),
    SIM_SETTING(video_fps),
    SIM_SETTING(nightlapse_video_resolution),
    SIM_SETTING(nightlapse_video_fps),
    SIM_SETTING(auto_off_enabled),
    SIM_SETTING(auto_off_option),
};

struct BlockName {
  SimBlock block;
  const char* name;
};

constexpr BlockName kBlockNames[] = {
    {SimBlock::STATUS, "status"}, {SimBlock::SETTINGS, "settings"}, {SimBlock::SYSTEM, "system"}};

// "block@offset:width"
bool parseRawPlace(const std::string& text, SimMember& member) {
  const size_t at = text.find('@');
  const size_t colon = text.find(':', at == std::string::npos ? 0 : at);
  if (at == std::string::npos || colon == std::string::npos) return false;
  int64_t offset = 0;
  int64_t width = 0;
  if (!simBlockFromName(text.substr(0, at), member.block) ||
      !simParseNumber(text.substr(at + 1, colon - at - 1), offset) ||
      !simParseNumber(text.substr(colon + 1), width)) {
    return false;
  }
  if ((width != 1 && width != 2 && width != 4 && width != 8) || offset < 0 ||
      offset + width > int64_t(SimCamera::blockSize(member.block))) {
    return false;
  }
  member.name = nullptr;
  member.offset = unsigned(offset);
  member.width = unsigned(width);
  member.isSigned = false;
  return true;
}

}  // namespace

bool simBlockFromName(const std::string& name, SimBlock& block) {
  for (const BlockName& entry : kBlockNames) {
    if (name == entry.name) {
      block = entry.block;
      return true;
    }
  }
  return false;
}

bool simResolveMember(const std::string& text, SimMember& member) {
  for (const SimMember& entry : kMembers) {
    if (text == entry.name) {
      member = entry;
      return true;
    }
  }
  return parseRawPlace(text, member);
}

bool simParseNumber(const std::string& text, int64_t& value) {
  if (text.empty() || text.size() > 24) return false;
  const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  const char* start = text.c_str();
  char* end = nullptr;
  errno = 0;
  value = hex ? int64_t(std::strtoull(start + 2, &end, 16)) : std::strtoll(start, &end, 10);
  // strtoll accepts leading blanks and a '+'; the formats here do not.
  const bool clean = std::isdigit(static_cast<unsigned char>(hex ? start[2] : start[start[0] == '-'])) != 0;
  return errno == 0 && clean && *end == '\0';
}

std::string simDumpMembers(const SimCamera& camera) {
  std::string text = "model=" + std::to_string(camera.model());
  for (const SimMember& entry : kMembers) {
    int64_t value = 0;
    camera.read(entry.block, entry.offset, entry.width, entry.isSigned, value);
    text += ' ';
    text += entry.name;
    text += '=' + std::to_string(value);
  }
  return text;
}
