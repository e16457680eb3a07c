// The preset unit: building client preset messages from the camera's preset records
// (klcontrol_preset_build.cpp), loading the preset of a flat mode (klcontrol_preset_mode_load.cpp), the
// edit bracket around settings changes (klcontrol_preset_edit.cpp), the numbering maps between the
// firmware and the client enumerations (klcontrol_preset_mapping.cpp), and the title number of a new
// custom preset (klcontrol_preset_iterator.cpp).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "camera_blocks.h"
#include "wsdkCommands/WSDK_EnumPresetIcon.pb.h"
#include "wsdkCommands/WSDK_EnumPresetTitle.pb.h"
#include "wsdkCommands/WSDK_Preset.pb.h"

class InfoHandler;

// The firmware's numbering of titles and icons; the same numbers as the client enumerations,
// except that the firmware has no icons 1000 and 1001.
enum PRESET_TITLES_FW : int32_t {};
enum PRESET_ICONS_FW : int32_t {
  FW_PRESET_ICON_TIMELAPSE = 8,
  FW_PRESET_ICON_NIGHTLAPSE = 9,
  FW_PRESET_ICON_TIMELAPSE_2 = 17,
};

// What the setting lists depend on besides the record: the camera model and the lens mode.
struct PresetContext {
  uint8_t model;
  int8_t lensMode;
};
// The camera's model (57 when it cannot be read) and the command server's lens mode.
PresetContext klcontrol_preset_context();

// Fills preset from a camera record; the caller sets preset.id first. handler may be null (raw values).
void populatePresetInfo(appc_presets_settings_info* info, wsdk_commands::WSDK_Preset& preset,
                        InfoHandler* handler, const PresetContext& context = klcontrol_preset_context());
// Appends the settings of a video preset's flat mode (preset.mode) to preset.setting_array.
void loadVideoSettings(appc_video_settings& settings, wsdk_commands::WSDK_Preset& preset,
                       InfoHandler* handler, const PresetContext& context = klcontrol_preset_context());
// Appends the settings of a photo preset; some depend on preset.id on model 51.
void loadPhotoSettings(appc_photo_settings& settings, wsdk_commands::WSDK_Preset& preset,
                       InfoHandler* handler, const PresetContext& context = klcontrol_preset_context());
// Appends the settings of a multi-shot preset, intervals taken from their tables.
void loadMultishotSettings(appc_multi_shot_settings& settings, wsdk_commands::WSDK_Preset& preset,
                           InfoHandler* handler, const PresetContext& context = klcontrol_preset_context());
// Asks the camera to load the factory preset of a flat mode, or the current preset of group mode-1000.
// 0, -1 for a refusal, or the failing library call's error.
int LoadPresetFromMode(int mode);

// Opens a preset edit on the active preset before a settings change; false when none can be
// opened (playback, unknown flat mode, refused by the camera). True at once for edit-free settings.
bool PresetStartEdit(int setting);
// Closes the edit opened by PresetStartEdit; false only when the camera refuses.
bool PresetEndEdit(int setting);
// The setting id of an edit that may change any setting of the active preset.
constexpr int PRESET_EDIT_ANY_SETTING = -1;
// PresetStartEdit that logs the failure to open an edit.
bool klcontrol_start_preset_edit(int setting);
// Runs call inside a preset edit of the setting: its result, or KL_ERR when no edit can be opened.
int klcontrol_in_preset_edit(int setting, const std::function<int()>& call);
// True for the settings whose change never needs a preset edit.
bool BypassEditStart(int setting);

// Folds the firmware's dual-lens and power-profile groups onto the groups 0..2.
int RemapPresetGroup(int group);
// Titles are numbered alike on both sides.
wsdk_commands::WSDK_EnumPresetTitle MapFWTitleToWSDK(PRESET_TITLES_FW title);
// The firmware title of a client title; callers pass it to the camera.
PRESET_TITLES_FW MapWSDKTitleToFW(wsdk_commands::WSDK_EnumPresetTitle title);
// The client icon of a firmware icon: time-lapse and night-lapse photo presets get their own icons.
wsdk_commands::WSDK_EnumPresetIcon MapFWIconToWSDK(PRESET_ICONS_FW icon, int flatMode);
// The firmware icon of a client icon; the time-lapse photo icon depends on the camera model.
PRESET_ICONS_FW MapWSDKIconToFW(wsdk_commands::WSDK_EnumPresetIcon icon);

// True for the ids of the presets the camera ships with.
bool IsFactoryPreset(unsigned int presetId);
// True for the models on which clients may create custom presets.
bool IsCreatePresetSupported(int model);
// True for the models whose video presets keep their lens setting in lens mode 1.
bool isVexLensSupported(unsigned char model);
// The smallest title number no preset of the title uses in the firmware group; 0xFFFFFFFF on failure.
unsigned int GetNextPresetIterator(unsigned char group, unsigned int title);
