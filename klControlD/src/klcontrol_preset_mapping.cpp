// Preset numbering between the firmware and the client enumerations, and the preset rules by model.
#include <iterator>

#include "CameraFactory.h"
#include "klcontrol_camera.h"
#include "klcontrol_log.h"
#include "klcontrol_preset_loader.h"

constexpr const char* LOG_SOURCE = "klcontrol_preset_loader";

namespace {

constexpr int FLAT_MODE_TIME_LAPSE_PHOTO = 20;
constexpr int FLAT_MODE_NIGHT_LAPSE_PHOTO = 21;

struct IdRange {
  unsigned int first;
  unsigned int last;
};

constexpr IdRange FACTORY_PRESETS[] = {{0, 5},
                                       {0x10000, 0x10003},
                                       {0x20000, 0x20002},
                                       {0x30000, 0x30000},
                                       {0x40000, 0x40000},
                                       {0x50000, 0x50001},
                                       {0x80000, 0x80003},
                                       {0x90000, 0x90003}};

}  // namespace

int RemapPresetGroup(int group) {
  return klc_preset_base_group(group);
}

wsdk_commands::WSDK_EnumPresetTitle MapFWTitleToWSDK(PRESET_TITLES_FW title) {
  return static_cast<wsdk_commands::WSDK_EnumPresetTitle>(title);
}

PRESET_TITLES_FW MapWSDKTitleToFW(wsdk_commands::WSDK_EnumPresetTitle title) {
  return static_cast<PRESET_TITLES_FW>(title);
}

wsdk_commands::WSDK_EnumPresetIcon MapFWIconToWSDK(PRESET_ICONS_FW icon, int flatMode) {
  if (icon == FW_PRESET_ICON_NIGHTLAPSE && flatMode == FLAT_MODE_NIGHT_LAPSE_PHOTO) {
    return wsdk_commands::WSDK_PRESET_ICON_NIGHTLAPSE_PHOTO;
  }
  if ((icon == FW_PRESET_ICON_TIMELAPSE || icon == FW_PRESET_ICON_TIMELAPSE_2) &&
      flatMode == FLAT_MODE_TIME_LAPSE_PHOTO) {
    return wsdk_commands::WSDK_PRESET_ICON_TIMELAPSE_PHOTO;
  }
  return static_cast<wsdk_commands::WSDK_EnumPresetIcon>(icon);
}

PRESET_ICONS_FW MapWSDKIconToFW(wsdk_commands::WSDK_EnumPresetIcon icon) {
  if (icon == wsdk_commands::WSDK_PRESET_ICON_NIGHTLAPSE_PHOTO) return FW_PRESET_ICON_NIGHTLAPSE;
  if (icon != wsdk_commands::WSDK_PRESET_ICON_TIMELAPSE_PHOTO) return static_cast<PRESET_ICONS_FW>(icon);
  uint8_t model = CAMERA_DEFAULT_MODEL;
  if (_get_model_number(&model) != 0) {
    LOG(UTIL_LOG_ERROR,
        "Could not get camera model number for MapWSDKIconToFW returning FW_PRESET_ICON_TIMELAPSE");
    return FW_PRESET_ICON_TIMELAPSE;
  }
  return model == CAMERA_DUAL_LENS_MODEL ? FW_PRESET_ICON_TIMELAPSE_2 : FW_PRESET_ICON_TIMELAPSE;
}

bool IsFactoryPreset(unsigned int presetId) {
  for (const IdRange& range : FACTORY_PRESETS) {
    if (presetId >= range.first && presetId <= range.last) return true;
  }
  return false;
}

bool IsCreatePresetSupported(int model) {
  return model == 50 || model == 55 || model == 57;
}

bool isVexLensSupported(unsigned char model) {
  return model == 55 || model == 57;
}
