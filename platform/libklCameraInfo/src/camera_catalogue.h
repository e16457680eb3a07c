// Every setting, status and extra settings member any model publishes, with the place of its value.
// Models pick from these (camera_models.cpp); offsets not named by camera_blocks.h are ours.
#pragma once
#include <cstddef>
#include <type_traits>

#include "camera_model.h"

namespace camera_catalogue {

constexpr uint8_t settingAt(size_t offset) {
  return uint8_t(offset);
}
#define KL_SETTINGS_AT(member) settingAt(offsetof(appc_setup_all_settings, member))

// Video.
inline constexpr camera_setting_layout kVideoResolution{2, "video_resolution",
                                                        KL_SETTINGS_AT(video_resolution), 1, false};
inline constexpr camera_setting_layout kVideoFps{3, "video_fps", KL_SETTINGS_AT(video_fps), 1, false};
inline constexpr camera_setting_layout kVideoLens{121, "video_lens", KL_SETTINGS_AT(video_lens), 1, false};
inline constexpr camera_setting_layout kTimeLapseVideoInterval{5, "tlv_interval", 45, 2, false};
inline constexpr camera_setting_layout kLoopInterval{6, "loop_interval", 47, 1, false};
inline constexpr camera_setting_layout kVideoIsoMax{13, "video_iso_max", 48, 1, false};
inline constexpr camera_setting_layout kVideoIsoMin{102, "video_iso_min", 49, 1, false};
inline constexpr camera_setting_layout kShutter{145, "shutter", 50, 1, false};
inline constexpr camera_setting_layout kVideoWhiteBalance{11, "video_wb", 51, 1, false};
inline constexpr camera_setting_layout kSurgeDuration{111, "surge_duration", 52, 2, false};
inline constexpr camera_setting_layout kStabilizer{135, "stabilizer", 54, 1, false};
inline constexpr camera_setting_layout kZoom{91, "digital_zoom", 55, 1, false};
// Photo.
inline constexpr camera_setting_layout kPhotoLens{122, "photo_lens", 80, 1, false};
inline constexpr camera_setting_layout kNightPhotoShutter{19, "night_exposure", 81, 1, false};
inline constexpr camera_setting_layout kPhotoTimer{105, "photo_timer", 82, 1, false};
inline constexpr camera_setting_layout kPhotoIsoMax{24, "photo_iso_max", 83, 1, false};
inline constexpr camera_setting_layout kPhotoIsoMin{75, "photo_iso_min", 84, 1, false};
inline constexpr camera_setting_layout kPhotoWhiteBalance{22, "photo_wb", 85, 1, false};
// Multi-shot.
inline constexpr camera_setting_layout kMultiShotLens{123, "multishot_lens", 120, 1, false};
inline constexpr camera_setting_layout kBurstRate{147, "burst_rate", 121, 1, false};
inline constexpr camera_setting_layout kTimeLapseInterval{30, "tl_interval", 122, 2, false};
inline constexpr camera_setting_layout kNightLapseInterval{32, "nl_interval", 124, 2, false};
inline constexpr camera_setting_layout kNightLapseShutter{31, "nl_exposure", 126, 1, false};
inline constexpr camera_setting_layout kMultiShotIsoMax{37, "multishot_iso_max", 127, 1, false};
inline constexpr camera_setting_layout kMultiShotIsoMin{76, "multishot_iso_min", 128, 1, false};
// System.
inline constexpr camera_setting_layout kFlatMode{144, "flat_mode", KL_SETTINGS_AT(flat_mode), 1, true};
inline constexpr camera_setting_layout kAutoOffEnabled{58, "auto_off_enabled",
                                                       KL_SETTINGS_AT(auto_off_enabled), 1, false};
inline constexpr camera_setting_layout kAutoOff{59, "auto_off", KL_SETTINGS_AT(auto_off_option), 1, false};
inline constexpr camera_setting_layout kGps{83, "gps", 162, 1, false};
inline constexpr camera_setting_layout kLanguage{84, "language", 163, 1, false};
inline constexpr camera_setting_layout kBeeps{86, "beep_volume", 164, 1, false};
inline constexpr camera_setting_layout kLed{87, "led", 165, 1, false};
inline constexpr camera_setting_layout kLcdBrightness{88, "lcd_brightness", 166, 1, false};
inline constexpr camera_setting_layout kOrientationLock{112, "orientation_lock", 161, 1, false};
inline constexpr camera_setting_layout kControlLeft{129, "control_left", 167, 1, false};
inline constexpr camera_setting_layout kControlRight{130, "control_right", 168, 1, false};
inline constexpr camera_setting_layout kShortcutLeft{131, "shortcut_left", 169, 1, false};
inline constexpr camera_setting_layout kShortcutRight{132, "shortcut_right", 170, 1, false};
inline constexpr camera_setting_layout kAntiFlicker{134, "anti_flicker", 171, 1, false};
inline constexpr camera_setting_layout kAudioOption{149, "audio_option", 172, 1, false};
inline constexpr camera_setting_layout kMicOption{164, "mic_option", 173, 1, false};
inline constexpr camera_setting_layout kMaxLensMod{162, "max_lens_mod", 174, 1, false};
inline constexpr camera_setting_layout kLookback{167, "lookback", 175, 1, false};
#undef KL_SETTINGS_AT

constexpr uint16_t byteOffset(size_t offset) {
  return uint16_t(offset);
}
#define KL_STATUS(id, member, cls)                                                   \
  camera_member {                                                                    \
    id,                                                                              \
        {camera_block::STATUS, byteOffset(offsetof(appc_system_all_status, member)), \
         uint8_t(sizeof(appc_system_all_status::member)),                            \
         std::is_signed<decltype(appc_system_all_status::member)>::value},           \
        cls                                                                          \
  }

// Statuses: class 2 for the counters that move continuously, class 1 for the rest.
inline constexpr camera_member kBatteryPresent = KL_STATUS(1, battery_present, 1);
inline constexpr camera_member kBatteryLevel = KL_STATUS(2, battery_level, 1);
inline constexpr camera_member kThermalWarning = KL_STATUS(6, thermal_warning, 1);
inline constexpr camera_member kBusy = KL_STATUS(8, busy, 1);
inline constexpr camera_member kEncoding = KL_STATUS(10, encoding, 1);
inline constexpr camera_member kRecordingSeconds = KL_STATUS(13, recording_seconds, 2);
inline constexpr camera_member kBleState = KL_STATUS(17, ble_state, 1);
inline constexpr camera_member kRemotePairing = KL_STATUS(19, rc_pair_state, 1);
inline constexpr camera_member kWifiScan = KL_STATUS(22, wifi_scan_state, 1);
inline constexpr camera_member kSdStatus = KL_STATUS(33, sd_status, 1);
inline constexpr camera_member kRemainingPhotos = KL_STATUS(34, remaining_photos, 2);
inline constexpr camera_member kRemainingVideo = KL_STATUS(35, remaining_video_seconds, 2);
inline constexpr camera_member kPhotoCount = KL_STATUS(38, photo_count, 1);
inline constexpr camera_member kVideoCount = KL_STATUS(39, video_count, 1);
inline constexpr camera_member kTemperature = KL_STATUS(42, internal_temperature_c, 2);
inline constexpr camera_member kCurrentFlatMode = KL_STATUS(43, mode, 1);
inline constexpr camera_member kRemainingSpace = KL_STATUS(54, remaining_space_kb, 2);
inline constexpr camera_member kContextualMenu = KL_STATUS(63, in_contextual_menu, 1);
inline constexpr camera_member kWifiAccessPoint = KL_STATUS(69, wifi_ap_state, 1);
inline constexpr camera_member kBatteryPercent = KL_STATUS(70, battery_percent, 2);
inline constexpr camera_member kDigitalZoom = KL_STATUS(75, digital_zoom, 1);
inline constexpr camera_member kWifiBand = KL_STATUS(76, wifi_band, 1);
inline constexpr camera_member kOrientation = KL_STATUS(86, orientation, 1);
inline constexpr camera_member kSubMode = KL_STATUS(89, sub_mode, 1);
inline constexpr camera_member kPresetGroup = KL_STATUS(96, active_preset_group, 1);
inline constexpr camera_member kActivePreset = KL_STATUS(97, modified_preset_id, 1);
inline constexpr camera_member kPresetModified = KL_STATUS(98, preset_modified, 1);
inline constexpr camera_member kLensModeStatus = KL_STATUS(102, lens_mode, 1);
inline constexpr camera_member kAudioInput = KL_STATUS(104, audio_input_state, 1);
inline constexpr camera_member kCameraControl = KL_STATUS(105, camera_control_status, 1);

// Settings members kept outside the settings block: the daemon's lens bytes and the flat mode last
// chosen in each mode group.
inline constexpr camera_member kLensMode{
    200, {camera_block::SYSTEM, byteOffset(offsetof(klcontrol_system_settings, lens_mode)), 1, true}, 0};
inline constexpr camera_member kLens{
    201, {camera_block::SYSTEM, byteOffset(offsetof(klcontrol_system_settings, lens)), 1, true}, 0};
inline constexpr camera_member kVideoGroupFlatMode = KL_STATUS(202, video_selected_flatmode, 0);
inline constexpr camera_member kPhotoGroupFlatMode = KL_STATUS(203, photo_selected_flatmode, 0);
inline constexpr camera_member kTimeLapseGroupFlatMode = KL_STATUS(204, timelapse_selected_flatmode, 0);

#undef KL_STATUS

}  // namespace camera_catalogue
