#include "klctl_decoders.h"

#include <algorithm>
#include <cstring>

#include "klcontrol_command_table.h"
#include "klctl_preset_decoders.h"
#include "klctl_settings_status_decoders.h"
#include "klctl_status_records.h"
#include "klctl_transcode_decoders.h"
#include "klctl_wireless_media_decoders.h"

namespace {

using Decoder = std::string (*)(const std::vector<uint8_t>& payload);

// Zero-terminated text, possibly followed by unused bytes of the daemon's buffer.
std::string decodeText(const std::vector<uint8_t>& payload) {
  const auto end = std::find(payload.begin(), payload.end(), uint8_t{0});
  if (end == payload.end()) return "";
  return "text: " + std::string(payload.begin(), end);
}

// One 32-bit word in host byte order.
std::string decodeWord(const std::vector<uint8_t>& payload) {
  if (payload.size() != sizeof(uint32_t)) return "";
  uint32_t word = 0;
  std::memcpy(&word, payload.data(), sizeof word);
  return "value: " + std::to_string(word);
}

const struct {
  uint32_t command;
  Decoder decode;
} kDecoders[] = {
    {KLCONTROL_WIFI_SSID_SCAN, decodeWord},  // the scan id
    {KLCONTROL_WIFI_SSID_LIST, klctlDecodeNetworkList},
    {KLCONTROL_GET_DELETE_LIST_RESULT, klctlDecodeDeleteListResult},
    {KLCONTROL_CAL_FILE_NAME_GET, decodeText},                  // the calibration file path
    {KLCONTROL_ANALYTICS_FILENAME_GET, decodeText},             // the analytics file path
    {KLCONTROL_PRESET_GET_ACTIVE_PRESET, decodeWord},           // the preset id
    {KLCONTROL_PRESET_GET_ACTIVE_GROUP, decodeWord},            // the preset group
    {KLCONTROL_GET_ALL_SETTINGS_STATUS_IDS, decodeText},        // JSON text
    {KLCONTROL_GET_EXTENDED_STATUS, klctlDecodeStatusRecords},  // status records
    {KLCONTROL_GET_ALL_SETTINGS, klctlDecodeSettingsBlock},
    {KLCONTROL_GET_ALL_STATUS, klctlDecodeStatusBlock},
    {KLCONTROL_GET_ALL_SETTINGS_STATUS, klctlDecodeSnapshot},
    {KLCONTROL_PRESET_GROUP_LIST, klctlDecodePresetGroups},
    {KLCONTROL_PRESET_LIST, klctlDecodePresetIds},
    {KLCONTROL_PRESET_INFO, klctlDecodePreset},
    {KLCONTROL_PRESET_CUSTOM_CREATE, klctlDecodeCreatedPreset},
    {KLCONTROL_PRESET_GET_PRESETS, klctlDecodePresetModel},
    {KLCONTROL_TRANSCODE_HISTORY, klctlDecodeTranscodeHistory},
    {KLCONTROL_TRANSCODE_VIDEO_REQUEST, klctlDecodeTranscodeRecord},
    {KLCONTROL_TRANSCODE_PHOTO_TO_VIDEO_REQUEST, klctlDecodeTranscodeRecord},
    {KLCONTROL_TRANSCODE_TO_PHOTO_REQUEST, klctlDecodeTranscodeRecord},
    {KLCONTROL_TRANSCODE_STATUS, klctlDecodeTranscodeRecord},
    {KLCONTROL_TRANSCODE_CANCEL, klctlDecodeTranscodeRecord},
};

const struct {
  uint32_t command;
  nlohmann::ordered_json (*decode)(const std::vector<uint8_t>& payload);
} kJsonDecoders[] = {
    {KLCONTROL_PRESET_GROUP_LIST, klctlPresetGroupsJson},
    {KLCONTROL_PRESET_LIST, klctlPresetIdsJson},
    {KLCONTROL_PRESET_INFO, klctlPresetJson},
    {KLCONTROL_PRESET_CUSTOM_CREATE, klctlCreatedPresetJson},
    {KLCONTROL_PRESET_GET_PRESETS, klctlPresetModelJson},
};

}  // namespace

nlohmann::ordered_json klctlDecodePayloadJson(uint32_t command, const std::vector<uint8_t>& payload) {
  for (const auto& row : kJsonDecoders) {
    if (row.command == command) return row.decode(payload);
  }
  return nullptr;
}

std::string klctlDecodePayload(uint32_t command, const std::vector<uint8_t>& payload) {
  for (const auto& row : kDecoders) {
    if (row.command == command) return row.decode(payload);
  }
  return "";
}
