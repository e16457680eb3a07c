// Building a client preset message from the camera's 81-byte preset record.
#include <iterator>

#include "CameraFactory.h"
#include "InfoHandler.h"
#include "klcontrol_if_server.h"
#include "klcontrol_preset_loader.h"

namespace {

using wsdk_commands::WSDK_Preset;

constexpr int8_t LENS_MODE_DUAL = 1;

// Where a setting's value comes from: the record byte itself or a table it indexes.
enum class Source { RAW, INTERVAL, NIGHT_INTERVAL };

// When a listed setting is left out.
enum class Rule {
  ALWAYS,
  LOOPING_ONLY,          // only in flat mode 15
  NIGHT_PHOTO_ONLY,      // only in flat modes 18 and 21
  LENS_SHOWN,            // left out in lens mode 1 on models without the Vex lens
  LENS_SHOWN_UNLESS_51,  // left out in lens mode 1 on model 51
  MODEL_51_WIDE_PHOTO,   // only on model 51 for presets 0x40000, 0x10001, 0x40003
  NOT_51_NARROW_PHOTO,   // left out on model 51 for presets 0x40000, 0x10001
};

struct SettingRow {
  int setting;
  size_t offset;  // in the settings record
  Rule rule;
  Source source;
};

struct ModeSettings {
  int flatMode;
  const SettingRow* rows;
  size_t count;
};

static_assert(std::size(kPresetIntervals) == std::size(kPresetNightIntervals),
              "one bound serves both tables");

#define ROW(record, member, setting, rule) \
  { setting, offsetof(record, member), Rule::rule, Source::RAW }

constexpr SettingRow VIDEO_ROWS[] = {
    ROW(appc_video_settings, resolution, 2, ALWAYS), ROW(appc_video_settings, fps, 3, ALWAYS),
    ROW(appc_video_settings, setting6, 6, LOOPING_ONLY), ROW(appc_video_settings, lens, 121, LENS_SHOWN)};
constexpr SettingRow TIME_LAPSE_VIDEO_ROWS[] = {ROW(appc_video_settings, resolution, 2, ALWAYS),
                                                ROW(appc_video_settings, setting5, 5, ALWAYS),
                                                ROW(appc_video_settings, lens, 121, LENS_SHOWN_UNLESS_51)};
constexpr SettingRow SURGE_ROWS[] = {ROW(appc_video_settings, resolution, 2, ALWAYS),
                                     ROW(appc_video_settings, setting111, 111, ALWAYS),
                                     ROW(appc_video_settings, lens, 121, LENS_SHOWN)};
constexpr SettingRow RIPPLE_ROWS[] = {ROW(appc_video_settings, lens, 121, ALWAYS)};
constexpr SettingRow PHOTO_ROWS[] = {ROW(appc_photo_settings, setting19, 19, NIGHT_PHOTO_ONLY),
                                     ROW(appc_photo_settings, setting105, 105, MODEL_51_WIDE_PHOTO),
                                     ROW(appc_photo_settings, lens, 122, NOT_51_NARROW_PHOTO)};
constexpr SettingRow BURST_ROWS[] = {ROW(appc_multi_shot_settings, setting147, 147, ALWAYS),
                                     ROW(appc_multi_shot_settings, lens, 123, ALWAYS)};
constexpr SettingRow TIME_LAPSE_PHOTO_ROWS[] = {
    {30, offsetof(appc_multi_shot_settings, interval_index), Rule::ALWAYS, Source::INTERVAL},
    ROW(appc_multi_shot_settings, lens, 123, LENS_SHOWN_UNLESS_51)};
constexpr SettingRow NIGHT_LAPSE_PHOTO_ROWS[] = {
    ROW(appc_multi_shot_settings, setting31, 31, ALWAYS),
    {32, offsetof(appc_multi_shot_settings, night_interval_index), Rule::ALWAYS, Source::NIGHT_INTERVAL},
    ROW(appc_multi_shot_settings, lens, 123, LENS_SHOWN_UNLESS_51)};
constexpr SettingRow NIGHT_LAPSE_VIDEO_ROWS[] = {
    ROW(appc_multi_shot_settings, nightlapse_resolution, 2, ALWAYS),
    {32, offsetof(appc_multi_shot_settings, night_interval_index), Rule::ALWAYS, Source::NIGHT_INTERVAL},
    ROW(appc_multi_shot_settings, nightlapse_lens, 121, ALWAYS)};

#undef ROW

#define MODE(flatMode, rows) \
  { flatMode, rows, std::size(rows) }

constexpr ModeSettings VIDEO_MODES[] = {MODE(12, VIDEO_ROWS),
                                        MODE(15, VIDEO_ROWS),
                                        MODE(23, VIDEO_ROWS),
                                        MODE(27, VIDEO_ROWS),
                                        MODE(13, TIME_LAPSE_VIDEO_ROWS),
                                        MODE(24, SURGE_ROWS),
                                        MODE(25, RIPPLE_ROWS)};
constexpr ModeSettings PHOTO_MODES[] = {MODE(16, PHOTO_ROWS), MODE(17, PHOTO_ROWS), MODE(18, PHOTO_ROWS)};
constexpr ModeSettings MULTI_SHOT_MODES[] = {MODE(19, BURST_ROWS), MODE(20, TIME_LAPSE_PHOTO_ROWS),
                                             MODE(21, NIGHT_LAPSE_PHOTO_ROWS),
                                             MODE(26, NIGHT_LAPSE_VIDEO_ROWS)};

#undef MODE

bool isWidePhoto51(uint32_t id) {
  return id == 0x40000 || id == 0x10001 || id == 0x40003;
}
bool isNarrowPhoto51(uint32_t id) {
  return id == 0x40000 || id == 0x10001;
}

bool ruleHolds(Rule rule, const WSDK_Preset& preset, const PresetContext& context) {
  const bool dualLens = context.lensMode == LENS_MODE_DUAL;
  const bool model51 = context.model == CAMERA_DUAL_LENS_MODEL;
  const uint32_t id = uint32_t(preset.id());
  switch (rule) {
    case Rule::ALWAYS:
      return true;
    case Rule::LOOPING_ONLY:
      return preset.mode() == wsdk_commands::WSDK_FLAT_MODE_LOOPING;
    case Rule::NIGHT_PHOTO_ONLY:
      return preset.mode() == wsdk_commands::WSDK_FLAT_MODE_PHOTO_NIGHT ||
             preset.mode() == wsdk_commands::WSDK_FLAT_MODE_NIGHT_LAPSE_PHOTO;
    case Rule::LENS_SHOWN:
      return !dualLens || isVexLensSupported(context.model);
    case Rule::LENS_SHOWN_UNLESS_51:
      return !(dualLens && model51);
    case Rule::MODEL_51_WIDE_PHOTO:
      return model51 && isWidePhoto51(id);
    case Rule::NOT_51_NARROW_PHOTO:
      return !(model51 && isNarrowPhoto51(id));
  }
  return false;
}

// The value a row stores; false when a table index lies outside its table.
bool rowValue(const SettingRow& row, const int8_t* record, int32_t& value) {
  const int32_t raw = record[row.offset];
  if (row.source == Source::RAW) {
    value = raw;
    return true;
  }
  const int32_t* table = row.source == Source::INTERVAL ? kPresetIntervals : kPresetNightIntervals;
  if (raw < 0 || size_t(raw) >= std::size(kPresetIntervals)) return false;
  value = table[raw];
  if (row.source == Source::NIGHT_INTERVAL && value == 0) value = kPresetNightAutomatic;
  return true;
}

void addSetting(WSDK_Preset& preset, int setting, int32_t value, const InfoHandler* handler) {
  wsdk_commands::WSDK_PresetSetting* entry = preset.add_setting_array();
  entry->set_id(setting);
  entry->set_value(handler != nullptr ? handler->settingValueToOption(setting, value) : value);
  entry->set_is_caption(true);
}

template <size_t N>
void loadSettings(const ModeSettings (&modes)[N], const int8_t* record, WSDK_Preset& preset,
                  const InfoHandler* handler, const PresetContext& context) {
  for (const ModeSettings& mode : modes) {
    if (mode.flatMode != preset.mode()) continue;
    for (size_t i = 0; i < mode.count; ++i) {
      const SettingRow& row = mode.rows[i];
      int32_t value = 0;
      if (ruleHolds(row.rule, preset, context) && rowValue(row, record, value)) {
        addSetting(preset, row.setting, value, handler);
      }
    }
    return;
  }
}

// Copies a camera number into an enum field. The generated setter holds only numbers the enum
// lists; any other goes out as the same field and varint, so that the client gets it as it is.
template <typename Enum>
void setEnumField(WSDK_Preset& preset, int field, int32_t value, bool (*listed)(int),
                  void (WSDK_Preset::*set)(Enum)) {
  if (listed(value)) {
    (preset.*set)(static_cast<Enum>(value));
  } else {
    preset.mutable_unknown_fields()->AddVarint(field, uint64_t(int64_t(value)));
  }
}

}  // namespace

PresetContext klcontrol_preset_context() {
  PresetContext context{klcontrol_model_or_default(), 0};
  context.lensMode = KlcontrolCommandServer::getInstance()->GetLensMode();
  return context;
}

void loadVideoSettings(appc_video_settings& settings, WSDK_Preset& preset, InfoHandler* handler,
                       const PresetContext& context) {
  loadSettings(VIDEO_MODES, reinterpret_cast<const int8_t*>(&settings), preset, handler, context);
}

void loadPhotoSettings(appc_photo_settings& settings, WSDK_Preset& preset, InfoHandler* handler,
                       const PresetContext& context) {
  loadSettings(PHOTO_MODES, reinterpret_cast<const int8_t*>(&settings), preset, handler, context);
}

void loadMultishotSettings(appc_multi_shot_settings& settings, WSDK_Preset& preset, InfoHandler* handler,
                           const PresetContext& context) {
  loadSettings(MULTI_SHOT_MODES, reinterpret_cast<const int8_t*>(&settings), preset, handler, context);
}

void populatePresetInfo(appc_presets_settings_info* info, WSDK_Preset& preset, InfoHandler* handler,
                        const PresetContext& context) {
  const int flatMode = info->flat_mode;
  setEnumField(preset, WSDK_Preset::kModeFieldNumber, flatMode, wsdk_commands::WSDK_EnumFlatMode_IsValid,
               &WSDK_Preset::set_mode);
  preset.set_user_defined(info->preset_type != 0);
  setEnumField(preset, WSDK_Preset::kIconFieldNumber,
               MapFWIconToWSDK(static_cast<PRESET_ICONS_FW>(info->user_data0), flatMode),
               wsdk_commands::WSDK_EnumPresetIcon_IsValid, &WSDK_Preset::set_icon);
  setEnumField(preset, WSDK_Preset::kTitleIdFieldNumber, int32_t(info->user_data1),
               wsdk_commands::WSDK_EnumPresetTitle_IsValid, &WSDK_Preset::set_title_id);
  if (info->user_data2 != 0) preset.set_title_number(int32_t(info->user_data2));
  preset.set_is_modified(info->edited > 0);

  void* settings = info->settings;
  switch (preset_settings_family_of(flatMode)) {
    case preset_settings_family::VIDEO:
      loadVideoSettings(*static_cast<appc_video_settings*>(settings), preset, handler, context);
      break;
    case preset_settings_family::PHOTO:
      loadPhotoSettings(*static_cast<appc_photo_settings*>(settings), preset, handler, context);
      break;
    case preset_settings_family::MULTI_SHOT:
      loadMultishotSettings(*static_cast<appc_multi_shot_settings*>(settings), preset, handler, context);
      break;
    case preset_settings_family::NONE:
      break;
  }
}
