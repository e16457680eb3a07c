// Binary records exchanged with the camera: the status and settings blocks, the daemon's snapshot,
// preset records with their settings records, transcode job records and delete-list items. All packed,
// little-endian, unaligned.
#pragma once
#include <cstddef>
#include <cstdint>

#pragma pack(push, 1)

// Answer of remote API 8/11 (REMOTE_SYSTEM_ALL_STATUS_GET).
struct appc_system_all_status {
  int8_t mode;                         // 0: current mode; the snapshot stores the flat mode here
  int8_t sub_mode;                     // 1
  int8_t video_selected_flatmode;      // 2
  int8_t photo_selected_flatmode;      // 3
  int8_t timelapse_selected_flatmode;  // 4
  uint8_t digital_zoom;                // 5: zoom step, 0..103
  uint8_t battery_percent;             // 6
  uint32_t video_preset_id;            // 7: preset of groups 0, 3, 8, 9
  uint32_t photo_preset_id;            // 11: preset of groups 1, 4
  uint32_t timelapse_preset_id;        // 15: preset of groups 2, 5
  uint32_t active_preset_group;        // 19: firmware group number, the preset selector
  uint32_t special_preset_id;          // 23: preset of groups 6, 7
  uint32_t modified_preset_id;         // 27: preset the modified flag refers to
  int8_t battery_present;              // 31
  int8_t battery_level;                // 32: bars, 0..3; 4 while charging
  int8_t preset_modified;              // 33: 0 clean, 1 or 3 modified
  int8_t encoding;                     // 34: 1 while recording or capturing
  int8_t busy;                         // 35
  uint32_t recording_seconds;          // 36: length of the running recording
  uint32_t remaining_photos;           // 40
  uint32_t remaining_video_seconds;    // 44
  uint32_t photo_count;                // 48: media on the card
  uint32_t video_count;                // 52
  uint64_t remaining_space_kb;         // 56
  int8_t sd_status;                    // 64: 0 ok, 1 full, 2 missing, 3 error
  int8_t wifi_ap_state;                // 65
  int8_t wifi_band;                    // 66
  int8_t ble_state;                    // 67
  int8_t rc_pair_state;                // 68
  int8_t wifi_scan_state;              // 69
  int8_t internal_temperature_c;       // 70
  int8_t thermal_warning;              // 71
  uint8_t reserved72[143];             // 72..214
  int8_t lens_mode;                    // 215: 0 single, 1 dual
  uint8_t reserved216[7];              // 216..222
  int8_t in_contextual_menu;           // 223
  uint8_t reserved224[22];             // 224..245
  int8_t orientation;                  // 246: current camera orientation 0..3
  uint8_t reserved247[3];              // 247..249
  int8_t audio_input_state;            // 250: 3 suppresses the audio-option follow-ups
  uint8_t reserved251[3];              // 251..253
  int8_t camera_control_status;        // 254: 1 while the camera itself is in control
  uint8_t reserved255[129];            // 255..383
};

// Answer of remote API 7/30 (REMOTE_SYSTEM_ALL_SETTINGS_GET). Setting values are signed bytes.
struct appc_setup_all_settings {
  int8_t setting[25];                  // 0..24: settings addressed by the id table only
  int8_t flat_mode;                    // 25: current flat mode (setting 144)
  int8_t setting26[16];                // 26..41
  int8_t video_resolution;             // 42 (setting 2)
  int8_t video_lens;                   // 43 (setting 121)
  int8_t video_fps;                    // 44 (setting 3)
  int16_t video_time_lapse_interval;   // 45 (setting 5, two bytes)
  int8_t video_loop_interval;          // 47 (setting 6)
  int8_t video_iso_max;                // 48 (setting 13)
  int8_t video_iso_min;                // 49 (setting 102)
  int8_t video_shutter;                // 50 (setting 145)
  int8_t video_white_balance;          // 51 (setting 11)
  int16_t video_surge_duration;        // 52 (setting 111, two bytes)
  int8_t setting54;                    // 54
  int8_t digital_zoom;                 // 55
  int8_t surge_speed_1x;               // 56
  int8_t surge_speed_ramp;             // 57
  int8_t surge_speed_ramp_active;      // 58
  int8_t setting59[21];                // 59..79
  int8_t photo_lens;                   // 80 (setting 122)
  int8_t photo_night_exposure;         // 81 (setting 19)
  int8_t photo_timer;                  // 82 (setting 105)
  int8_t photo_iso_max;                // 83 (setting 24)
  int8_t photo_iso_min;                // 84 (setting 75)
  int8_t photo_white_balance;          // 85 (setting 22)
  int8_t setting86[34];                // 86..119
  int8_t multishot_lens;               // 120 (setting 123)
  int8_t multishot_burst_rate;         // 121 (setting 147)
  uint16_t time_lapse_interval_s;      // 122 (setting 30, in seconds)
  uint16_t night_lapse_interval_s;     // 124 (setting 32, in seconds)
  int8_t multishot_night_exposure;     // 126 (setting 31)
  int8_t multishot_iso_max;            // 127 (setting 37)
  int8_t multishot_iso_min;            // 128 (setting 76)
  int8_t setting129[29];               // 129..157
  int8_t nightlapse_video_resolution;  // 158
  int8_t setting159;                   // 159
  int8_t nightlapse_video_fps;         // 160
  int8_t setting161[6];                // 161..166
  int8_t onscreen_controls[4];         // 167..170: controls 0 to 3 (settings 129 to 132)
  int8_t setting171;                   // 171
  int8_t audio_option;                 // 172 (setting 149)
  int8_t mic_option;                   // 173 (setting 164)
  int8_t setting174;                   // 174
  int8_t lookback;                     // 175 (setting 167)
  int8_t setting176[51];               // 176..226
  int8_t auto_off_enabled;             // 227
  int8_t setting228;                   // 228
  int8_t auto_off_option;              // 229: forced to 3 while auto-off is disabled
  int8_t setting230[8];                // 230..237
};

// The daemon's own two bytes behind the blocks.
struct klcontrol_system_settings {
  int8_t lens_mode;
  int8_t lens;
};

// One complete snapshot of the camera as compared by change polling.
struct all_status_settings_t {
  appc_system_all_status status;
  appc_setup_all_settings settings;
  klcontrol_system_settings system;
};

// One preset as the camera reports it (remote API 17/2).
struct appc_presets_settings_info {
  int8_t flat_mode;      // 0
  int8_t preset_type;    // 1: 0 factory, else custom
  uint32_t preset_id;    // 2
  uint8_t reserved6[2];  // 6
  uint32_t user_data0;   // 8: icon, firmware numbering
  uint32_t user_data1;   // 12: title id, firmware numbering
  uint32_t user_data2;   // 16: title number
  uint32_t user_data3;   // 20
  uint8_t reserved24;    // 24
  int8_t settings[54];   // 25: video, photo or multi-shot settings record
  int8_t edited;         // 79
  uint8_t reserved80;    // 80
};

// The flat mode's settings record at offset 25 of appc_presets_settings_info, by mode family.
struct appc_video_settings {
  int8_t reserved0[2];
  int8_t resolution;  // 2: setting 2
  int8_t fps;         // 3: setting 3
  int8_t lens;        // 4: setting 121
  int8_t reserved5;
  int8_t setting6;  // 6: setting 6
  int8_t reserved7[2];
  int8_t setting5;  // 9: setting 5
  int8_t reserved10[14];
  int8_t setting111;  // 24: setting 111
  int8_t reserved25[29];
};
struct appc_photo_settings {
  int8_t reserved0[2];
  int8_t lens;  // 2: setting 122
  int8_t reserved3[2];
  int8_t setting19;  // 5: setting 19
  int8_t reserved6[13];
  int8_t setting105;  // 19: setting 105
  int8_t reserved20[34];
};
struct appc_multi_shot_settings {
  int8_t reserved0[2];
  int8_t lens;                  // 2: setting 123
  int8_t setting147;            // 3: setting 147
  int8_t interval_index;        // 4: index into the interval table, setting 30
  int8_t night_interval_index;  // 5: index into the night interval table, setting 32
  int8_t reserved6;
  int8_t setting31;  // 7: setting 31
  int8_t reserved8[20];
  int8_t nightlapse_resolution;  // 28: setting 2 of a night-lapse video
  int8_t reserved29;
  int8_t nightlapse_lens;  // 30: setting 121 of a night-lapse video
  int8_t reserved31[23];
};

// One transcode job as reported to clients.
struct transcode_status_t {
  char source_name[257];
  uint8_t pad0[7];
  uint64_t job_id;
  uint32_t job_status;  // 0 accepted, 4 refused; 2, 3, 4 final
  int32_t fail_reason;
  uint32_t estimate_s;
  uint32_t progress;
  char output_name[257];
  uint8_t pad1[7];
};

// One item of a delete-list request.
struct file_list_item_t {
  uint8_t item;
  char name[22];
};

#pragma pack(pop)

static_assert(sizeof(appc_system_all_status) == 384, "status block");
static_assert(offsetof(appc_system_all_status, digital_zoom) == 5, "status 5");
static_assert(offsetof(appc_system_all_status, video_preset_id) == 7, "status 7");
static_assert(offsetof(appc_system_all_status, photo_preset_id) == 11, "status 11");
static_assert(offsetof(appc_system_all_status, timelapse_preset_id) == 15, "status 15");
static_assert(offsetof(appc_system_all_status, active_preset_group) == 19, "status 19");
static_assert(offsetof(appc_system_all_status, special_preset_id) == 23, "status 23");
static_assert(offsetof(appc_system_all_status, modified_preset_id) == 27, "status 27");
static_assert(offsetof(appc_system_all_status, preset_modified) == 33, "status 33");
static_assert(offsetof(appc_system_all_status, lens_mode) == 215, "status 215");
static_assert(offsetof(appc_system_all_status, in_contextual_menu) == 223, "status 223");
static_assert(offsetof(appc_system_all_status, orientation) == 246, "status 246");
static_assert(offsetof(appc_system_all_status, audio_input_state) == 250, "status 250");
static_assert(offsetof(appc_system_all_status, camera_control_status) == 254, "status 254");

static_assert(sizeof(appc_setup_all_settings) == 238, "settings block");
static_assert(offsetof(appc_setup_all_settings, flat_mode) == 25, "settings 25");
static_assert(offsetof(appc_setup_all_settings, video_resolution) == 42, "settings 42");
static_assert(offsetof(appc_setup_all_settings, video_fps) == 44, "settings 44");
static_assert(offsetof(appc_setup_all_settings, video_time_lapse_interval) == 45, "settings 45");
static_assert(offsetof(appc_setup_all_settings, video_loop_interval) == 47, "settings 47");
static_assert(offsetof(appc_setup_all_settings, video_iso_max) == 48, "settings 48");
static_assert(offsetof(appc_setup_all_settings, video_white_balance) == 51, "settings 51");
static_assert(offsetof(appc_setup_all_settings, video_surge_duration) == 52, "settings 52");
static_assert(offsetof(appc_setup_all_settings, digital_zoom) == 55, "settings 55");
static_assert(offsetof(appc_setup_all_settings, surge_speed_ramp_active) == 58, "settings 58");
static_assert(offsetof(appc_setup_all_settings, photo_lens) == 80, "settings 80");
static_assert(offsetof(appc_setup_all_settings, photo_timer) == 82, "settings 82");
static_assert(offsetof(appc_setup_all_settings, photo_white_balance) == 85, "settings 85");
static_assert(offsetof(appc_setup_all_settings, multishot_lens) == 120, "settings 120");
static_assert(offsetof(appc_setup_all_settings, time_lapse_interval_s) == 122, "settings 122");
static_assert(offsetof(appc_setup_all_settings, night_lapse_interval_s) == 124, "settings 124");
static_assert(offsetof(appc_setup_all_settings, multishot_night_exposure) == 126, "settings 126");
static_assert(offsetof(appc_setup_all_settings, multishot_iso_min) == 128, "settings 128");
static_assert(offsetof(appc_setup_all_settings, onscreen_controls) == 167, "settings 167");
static_assert(offsetof(appc_setup_all_settings, lookback) == 175, "settings 175");
static_assert(offsetof(appc_setup_all_settings, nightlapse_video_resolution) == 158, "settings 158");
static_assert(offsetof(appc_setup_all_settings, nightlapse_video_fps) == 160, "settings 160");
static_assert(offsetof(appc_setup_all_settings, auto_off_enabled) == 227, "settings 227");
static_assert(offsetof(appc_setup_all_settings, auto_off_option) == 229, "settings 229");

static_assert(sizeof(klcontrol_system_settings) == 2, "system settings");
static_assert(sizeof(all_status_settings_t) == 624, "snapshot");
static_assert(offsetof(all_status_settings_t, settings) == 384, "snapshot settings");
static_assert(offsetof(all_status_settings_t, system) == 622, "snapshot system settings");

// The multi-shot settings record keeps the time-lapse intervals (settings 30 and 32, in seconds) as
// indexes into these tables; 0 in the night table stands for automatic.
inline constexpr int32_t kPresetIntervals[12] = {0, 1, 2, 5, 10, 30, 60, 120, 300, 1800, 3600, 0};
inline constexpr int32_t kPresetNightIntervals[12] = {10, 15, 20, 30, 60, 120, 300, 1800, 3600, 0, 4, 5};
// Setting 32's value for automatic, which the night table holds as 0.
inline constexpr int32_t kPresetNightAutomatic = 3601;

// The settings record a preset of the flat mode carries, by the flat mode's capture family.
enum class preset_settings_family { VIDEO, PHOTO, MULTI_SHOT, NONE };
constexpr preset_settings_family preset_settings_family_of(int flatMode) {
  if ((flatMode >= 12 && flatMode <= 15) || (flatMode >= 22 && flatMode <= 25) || flatMode == 27)
    return preset_settings_family::VIDEO;
  if (flatMode >= 16 && flatMode <= 18) return preset_settings_family::PHOTO;
  if ((flatMode >= 19 && flatMode <= 21) || flatMode == 26) return preset_settings_family::MULTI_SHOT;
  return preset_settings_family::NONE;
}

static_assert(sizeof(appc_presets_settings_info) == 81, "preset record");
static_assert(offsetof(appc_presets_settings_info, preset_id) == 2, "preset id");
static_assert(offsetof(appc_presets_settings_info, user_data0) == 8, "icon");
static_assert(offsetof(appc_presets_settings_info, user_data1) == 12, "title");
static_assert(offsetof(appc_presets_settings_info, user_data2) == 16, "title number");
static_assert(offsetof(appc_presets_settings_info, user_data3) == 20, "user data 3");
static_assert(offsetof(appc_presets_settings_info, settings) == 25, "settings record");
static_assert(offsetof(appc_presets_settings_info, edited) == 79, "edited");
static_assert(sizeof(appc_video_settings) == sizeof(appc_presets_settings_info::settings), "video record");
static_assert(sizeof(appc_photo_settings) == sizeof(appc_presets_settings_info::settings), "photo record");
static_assert(sizeof(appc_multi_shot_settings) == sizeof(appc_presets_settings_info::settings),
              "multi-shot record");
static_assert(offsetof(appc_video_settings, setting6) == 6 && offsetof(appc_video_settings, setting5) == 9 &&
                  offsetof(appc_video_settings, setting111) == 24,
              "video record places");
static_assert(offsetof(appc_photo_settings, setting19) == 5 &&
                  offsetof(appc_photo_settings, setting105) == 19,
              "photo record places");
static_assert(offsetof(appc_multi_shot_settings, setting31) == 7 &&
                  offsetof(appc_multi_shot_settings, nightlapse_resolution) == 28 &&
                  offsetof(appc_multi_shot_settings, nightlapse_lens) == 30,
              "multi-shot record places");

static_assert(sizeof(transcode_status_t) == 552, "transcode record");
static_assert(offsetof(transcode_status_t, job_id) == 264, "job id");
static_assert(offsetof(transcode_status_t, job_status) == 272, "job status");
static_assert(offsetof(transcode_status_t, fail_reason) == 276, "fail reason");
static_assert(offsetof(transcode_status_t, estimate_s) == 280, "estimate");
static_assert(offsetof(transcode_status_t, progress) == 284, "progress");
static_assert(offsetof(transcode_status_t, output_name) == 288, "output name");

static_assert(sizeof(file_list_item_t) == 23, "delete-list item");
