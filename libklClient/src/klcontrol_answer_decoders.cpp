#include "klcontrol_answer_decoders.h"

#include <algorithm>
#include <cstring>

#include "klcontrol_command_table.h"
#include "klcontrol_preset_decoders.h"
#include "klcontrol_settings_status_decoders.h"
#include "klcontrol_status_records.h"
#include "klcontrol_transcode_decoders.h"
#include "klcontrol_wireless_media_decoders.h"

namespace {

using Json = nlohmann::ordered_json;
using Bytes = std::vector<uint8_t>;

// Zero-terminated text, possibly followed by unused bytes of the daemon's buffer: {"text":".."}.
Json textJson(const Bytes& payload) {
  const auto end = std::find(payload.begin(), payload.end(), uint8_t{0});
  if (end == payload.end()) return nullptr;
  return {{"text", std::string(payload.begin(), end)}};
}

std::string textText(const Json& text) {
  return "text: " + text["text"].get<std::string>();
}

// One 32-bit word in host byte order: {"value":N}.
Json wordJson(const Bytes& payload) {
  if (payload.size() != sizeof(uint32_t)) return nullptr;
  uint32_t word = 0;
  std::memcpy(&word, payload.data(), sizeof word);
  return {{"value", word}};
}

std::string wordText(const Json& word) {
  return "value: " + std::to_string(word["value"].get<uint32_t>());
}

const struct {
  uint32_t command;
  Json (*decode)(const Bytes& payload);
  std::string (*text)(const Json& decoded);
  bool document;
} kDecoders[] = {
    {KLCONTROL_WIFI_SSID_SCAN, wordJson, wordText, false},  // the scan id
    {KLCONTROL_WIFI_SSID_LIST, klcontrol_network_list_json, klcontrol_network_list_text, false},
    {KLCONTROL_GET_DELETE_LIST_RESULT, klcontrol_delete_list_result_json, klcontrol_delete_list_result_text,
     false},
    {KLCONTROL_CAL_FILE_NAME_GET, textJson, textText, false},            // the calibration file path
    {KLCONTROL_ANALYTICS_FILENAME_GET, textJson, textText, false},       // the analytics file path
    {KLCONTROL_PRESET_GET_ACTIVE_PRESET, wordJson, wordText, false},     // the preset id
    {KLCONTROL_PRESET_GET_ACTIVE_GROUP, wordJson, wordText, false},      // the preset group
    {KLCONTROL_GET_ALL_SETTINGS_STATUS_IDS, textJson, textText, false},  // JSON text
    {KLCONTROL_GET_EXTENDED_STATUS, klcontrol_status_records_json, klcontrol_status_records_text, false},
    {KLCONTROL_GET_ALL_SETTINGS, klcontrol_settings_block_json, klcontrol_settings_block_text, false},
    {KLCONTROL_GET_ALL_STATUS, klcontrol_status_block_json, klcontrol_status_block_text, false},
    {KLCONTROL_GET_ALL_SETTINGS_STATUS, klcontrol_snapshot_json, klcontrol_snapshot_text, false},
    {KLCONTROL_PRESET_GROUP_LIST, klcontrol_preset_groups_json, klcontrol_preset_groups_text, true},
    {KLCONTROL_PRESET_LIST, klcontrol_preset_ids_json, klcontrol_preset_ids_text, true},
    {KLCONTROL_PRESET_INFO, klcontrol_preset_json, klcontrol_preset_text, true},
    {KLCONTROL_PRESET_CUSTOM_CREATE, klcontrol_created_preset_json, klcontrol_created_preset_text, true},
    {KLCONTROL_PRESET_GET_PRESETS, klcontrol_preset_model_json, klcontrol_preset_model_text, true},
    {KLCONTROL_TRANSCODE_HISTORY, klcontrol_transcode_history_json, klcontrol_transcode_history_text, false},
    {KLCONTROL_TRANSCODE_VIDEO_REQUEST, klcontrol_transcode_record_json, klcontrol_transcode_record_text,
     false},
    {KLCONTROL_TRANSCODE_PHOTO_TO_VIDEO_REQUEST, klcontrol_transcode_record_json,
     klcontrol_transcode_record_text, false},
    {KLCONTROL_TRANSCODE_TO_PHOTO_REQUEST, klcontrol_transcode_record_json, klcontrol_transcode_record_text,
     false},
    {KLCONTROL_TRANSCODE_STATUS, klcontrol_transcode_record_json, klcontrol_transcode_record_text, false},
    {KLCONTROL_TRANSCODE_CANCEL, klcontrol_transcode_record_json, klcontrol_transcode_record_text, false},
};

const auto* rowOf(uint32_t command) {
  const auto* row = std::find_if(std::begin(kDecoders), std::end(kDecoders),
                                 [command](const auto& candidate) { return candidate.command == command; });
  return row == std::end(kDecoders) ? nullptr : row;
}

}  // namespace

Json klcontrol_decode_payload(uint32_t command, const Bytes& payload) {
  const auto* row = rowOf(command);
  return row == nullptr ? Json() : row->decode(payload);
}

std::string klcontrol_decoded_text(uint32_t command, const Json& decoded) {
  const auto* row = rowOf(command);
  return row == nullptr || decoded.is_null() ? "" : row->text(decoded);
}

bool klcontrol_decoded_is_document(uint32_t command) {
  const auto* row = rowOf(command);
  return row != nullptr && row->document;
}
