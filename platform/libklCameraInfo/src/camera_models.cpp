// The settings, options and statuses of models 51, 55 and 57. Option ids are the clients' numbers;
// values are what the camera stores in its settings block.
#include "camera_catalogue.h"

using namespace camera_catalogue;

namespace {

template <size_t N>
constexpr camera_setting_support withOptions(const camera_setting_layout& layout,
                                             const camera_option (&options)[N]) {
  return {&layout, options, uint16_t(N), 0, 0};
}
constexpr camera_setting_support withRange(const camera_setting_layout& layout, int32_t minimum,
                                           int32_t maximum) {
  return {&layout, nullptr, 0, minimum, maximum};
}

namespace opt {

// Option 28 was once given the value 17; the camera now stores 13 for it and may still report 17.
constexpr camera_option kResolution51[] = {{1, 1}, {4, 4}, {6, 6}, {7, 7}, {9, 9}};
constexpr camera_option kResolution55[] = {{1, 1}, {4, 4}, {6, 6}, {9, 9}, {18, 18}, {24, 24}, {25, 25}};
constexpr camera_option kResolution57[] = {{100, 26}, {1, 1}, {28, 17}, {28, 13},
                                           {4, 4},    {6, 6}, {9, 9},   {18, 18}};
constexpr camera_option kFps51[] = {{0, 9}, {1, 7}, {2, 6}, {5, 5}, {6, 4}, {8, 3}, {9, 2}, {10, 1}};
constexpr camera_option kFps57[] = {{0, 9}, {13, 8}, {1, 7}, {2, 6}, {5, 5}, {6, 4}, {8, 3}, {9, 2}, {10, 1}};
constexpr camera_option kLens51[] = {{0, 0}, {2, 2}, {3, 3}, {4, 1}};
constexpr camera_option kLens55[] = {{0, 0}, {2, 2}, {3, 3}, {4, 1}, {8, 5}, {9, 4}};
constexpr camera_option kLens57[] = {{0, 0}, {3, 3}, {4, 1}, {7, 7}, {8, 5}, {9, 4}, {10, 6}};
// Seconds, 0 standing for half a second: small enough for a preset record's 8-bit field.
constexpr camera_option kTimeLapseVideoInterval[] = {{0, 0},  {1, 1},  {2, 2}, {3, 5},
                                                     {4, 10}, {5, 30}, {6, 60}};
constexpr camera_option kLoopInterval[] = {{0, 0}, {1, 5}, {2, 20}, {3, 60}, {4, 120}};
// ISO limits: video and photo store different values for the same ISO (100 to 6400 by option
// 3, 2, 1, 0, 4, 7, 8).
constexpr camera_option kVideoIso51[] = {{3, 8}, {2, 7}, {1, 2}, {0, 4}, {4, 1}, {7, 3}};
constexpr camera_option kVideoIso55[] = {{3, 8}, {2, 7}, {1, 2}, {0, 4}, {4, 1}, {7, 3}, {8, 0}};
constexpr camera_option kPhotoIso51[] = {{3, 3}, {2, 2}, {1, 1}, {0, 0}, {4, 4}, {7, 5}};
constexpr camera_option kPhotoIso55[] = {{3, 3}, {2, 2}, {1, 1}, {0, 0}, {4, 4}, {7, 5}, {8, 6}};
constexpr camera_option kShutter51[] = {{0, 0},  {3, 1},  {5, 2},  {6, 3},  {8, 4},
                                        {11, 5}, {13, 6}, {16, 7}, {18, 8}, {22, 9}};
constexpr camera_option kShutter57[] = {{0, 0},  {3, 1},  {5, 2},  {6, 3},  {8, 4},  {11, 5},
                                        {13, 6}, {16, 7}, {18, 8}, {22, 9}, {23, 10}};
// White balance is stored in hundreds of kelvin; 1 is the sensor's native balance.
constexpr camera_option kWhiteBalance51[] = {{0, 0}, {1, 30}, {2, 55}, {3, 65}, {4, 1}, {5, 40}};
constexpr camera_option kWhiteBalance55[] = {{0, 0},   {8, 23}, {9, 28},  {1, 30}, {10, 32}, {5, 40},
                                             {11, 45}, {2, 55}, {12, 60}, {3, 65}, {4, 1}};
// Quarter minutes (15 s to 30 min), to fit a preset record's 8-bit field.
constexpr camera_option kSurgeDuration[] = {{0, 1}, {1, 2}, {2, 4}, {3, 20}, {4, 60}, {5, 120}};
constexpr camera_option kStabilizer51[] = {{0, 0}, {1, 1}, {2, 2}, {3, 3}};
constexpr camera_option kStabilizer57[] = {{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4}};
constexpr camera_option kPhotoLens51[] = {{0, 0}, {10, 1}, {19, 2}};
constexpr camera_option kPhotoLens57[] = {{0, 0}, {10, 1}, {19, 2}, {27, 7}};
// Long exposures are stored in seconds, 0 meaning automatic.
constexpr camera_option kLongExposure[] = {{0, 0}, {1, 2}, {2, 5}, {3, 10}, {4, 15}, {5, 20}, {6, 30}};
constexpr camera_option kPhotoTimer[] = {{0, 0}, {1, 3}, {2, 10}};
constexpr camera_option kMultiShotLens51[] = {{19, 2}, {21, 0}, {22, 1}};
constexpr camera_option kMultiShotLens57[] = {{19, 2}, {20, 7}, {21, 0}, {22, 1}};
constexpr camera_option kBurstRate[] = {{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4},
                                        {5, 5}, {6, 6}, {7, 7}, {8, 8}, {9, 9}};
// Intervals in seconds; 0 stands for half a second.
constexpr camera_option kTimeLapseInterval[] = {{0, 0},  {1, 1},   {2, 2},   {3, 5},    {4, 10},   {5, 30},
                                                {6, 60}, {7, 120}, {8, 300}, {9, 1800}, {10, 3600}};
// 3601 is automatic; the camera stores it as 0.
constexpr camera_option kNightLapseInterval[] = {
    {4, 4},     {5, 5},     {10, 10},     {15, 15},     {20, 20},     {30, 30}, {60, 60},
    {120, 120}, {300, 300}, {1800, 1800}, {3600, 3600}, {3601, 3601}, {3601, 0}};
// 255 locks the orientation the camera has when the setting is written.
constexpr camera_option kOrientationLock[] = {{0, 0}, {1, 255}, {2, 5}, {3, 1}, {4, 2}, {5, 3}, {6, 4}};
constexpr camera_option kBeeps[] = {{0, 100}, {1, 70}, {2, 40}, {3, 0}};
constexpr camera_option kLed[] = {{0, 0}, {2, 1}};
constexpr camera_option kAntiFlicker[] = {{2, 0}, {3, 1}};
// While auto-off is disabled the camera holds 3 ("never").
constexpr camera_option kAutoOff[] = {{0, 3}, {4, 0}, {6, 1}, {7, 2}};
constexpr camera_option kAudioOption[] = {{0, 0}, {1, 1}, {2, 2}};
constexpr camera_option kMicOption[] = {{0, 0}, {1, 1}, {2, 2}};
constexpr camera_option kLookback[] = {{2, 2}, {3, 3}, {4, 4}};

}  // namespace opt

// Settings every model has, with the options of the oldest model where they differ.
#define KL_COMMON_SETTINGS                                                                              \
  withOptions(kTimeLapseVideoInterval, opt::kTimeLapseVideoInterval),                                   \
      withOptions(kLoopInterval, opt::kLoopInterval), withOptions(kSurgeDuration, opt::kSurgeDuration), \
      withRange(kZoom, 0, 100), withOptions(kNightPhotoShutter, opt::kLongExposure),                    \
      withOptions(kPhotoTimer, opt::kPhotoTimer), withOptions(kBurstRate, opt::kBurstRate),             \
      withOptions(kTimeLapseInterval, opt::kTimeLapseInterval),                                         \
      withOptions(kNightLapseInterval, opt::kNightLapseInterval),                                       \
      withOptions(kNightLapseShutter, opt::kLongExposure), withRange(kFlatMode, 12, 27),                \
      withRange(kAutoOffEnabled, 0, 1), withOptions(kAutoOff, opt::kAutoOff), withRange(kGps, 0, 1),    \
      withRange(kLanguage, 0, 12), withOptions(kBeeps, opt::kBeeps), withOptions(kLed, opt::kLed),      \
      withRange(kLcdBrightness, 10, 100), withOptions(kOrientationLock, opt::kOrientationLock),         \
      withRange(kShortcutLeft, 0, 31), withRange(kShortcutRight, 0, 31),                                \
      withOptions(kAntiFlicker, opt::kAntiFlicker)
// On-screen controls beside the shortcuts; model 51 has the shortcuts only.
#define KL_ONSCREEN_CONTROLS withRange(kControlLeft, 0, 31), withRange(kControlRight, 0, 31)

constexpr camera_setting_support kSettings51[] = {
    KL_COMMON_SETTINGS,
    withOptions(kVideoResolution, opt::kResolution51),
    withOptions(kVideoFps, opt::kFps51),
    withOptions(kVideoLens, opt::kLens51),
    withOptions(kVideoIsoMax, opt::kVideoIso51),
    withOptions(kVideoIsoMin, opt::kVideoIso51),
    withOptions(kShutter, opt::kShutter51),
    withOptions(kVideoWhiteBalance, opt::kWhiteBalance51),
    withOptions(kStabilizer, opt::kStabilizer51),
    withOptions(kPhotoLens, opt::kPhotoLens51),
    withOptions(kPhotoIsoMax, opt::kPhotoIso51),
    withOptions(kPhotoIsoMin, opt::kPhotoIso51),
    withOptions(kPhotoWhiteBalance, opt::kWhiteBalance51),
    withOptions(kMultiShotLens, opt::kMultiShotLens51),
    withOptions(kMultiShotIsoMax, opt::kPhotoIso51),
    withOptions(kMultiShotIsoMin, opt::kPhotoIso51),
};
constexpr camera_setting_support kSettings55[] = {
    KL_COMMON_SETTINGS,
    KL_ONSCREEN_CONTROLS,
    withOptions(kVideoResolution, opt::kResolution55),
    withOptions(kVideoFps, opt::kFps51),
    withOptions(kVideoLens, opt::kLens55),
    withOptions(kVideoIsoMax, opt::kVideoIso55),
    withOptions(kVideoIsoMin, opt::kVideoIso55),
    withOptions(kShutter, opt::kShutter51),
    withOptions(kVideoWhiteBalance, opt::kWhiteBalance55),
    withOptions(kStabilizer, opt::kStabilizer51),
    withOptions(kPhotoLens, opt::kPhotoLens51),
    withOptions(kPhotoIsoMax, opt::kPhotoIso55),
    withOptions(kPhotoIsoMin, opt::kPhotoIso55),
    withOptions(kPhotoWhiteBalance, opt::kWhiteBalance55),
    withOptions(kMultiShotLens, opt::kMultiShotLens51),
    withOptions(kMultiShotIsoMax, opt::kPhotoIso55),
    withOptions(kMultiShotIsoMin, opt::kPhotoIso55),
    withOptions(kAudioOption, opt::kAudioOption),
    withOptions(kLookback, opt::kLookback),
};
constexpr camera_setting_support kSettings57[] = {
    KL_COMMON_SETTINGS,
    KL_ONSCREEN_CONTROLS,
    withOptions(kVideoResolution, opt::kResolution57),
    withOptions(kVideoFps, opt::kFps57),
    withOptions(kVideoLens, opt::kLens57),
    withOptions(kVideoIsoMax, opt::kVideoIso55),
    withOptions(kVideoIsoMin, opt::kVideoIso55),
    withOptions(kShutter, opt::kShutter57),
    withOptions(kVideoWhiteBalance, opt::kWhiteBalance55),
    withOptions(kStabilizer, opt::kStabilizer57),
    withOptions(kPhotoLens, opt::kPhotoLens57),
    withOptions(kPhotoIsoMax, opt::kPhotoIso55),
    withOptions(kPhotoIsoMin, opt::kPhotoIso55),
    withOptions(kPhotoWhiteBalance, opt::kWhiteBalance55),
    withOptions(kMultiShotLens, opt::kMultiShotLens57),
    withOptions(kMultiShotIsoMax, opt::kPhotoIso55),
    withOptions(kMultiShotIsoMin, opt::kPhotoIso55),
    withOptions(kAudioOption, opt::kAudioOption),
    withOptions(kMicOption, opt::kMicOption),
    withRange(kMaxLensMod, 0, 1),
    withOptions(kLookback, opt::kLookback),
};
#undef KL_ONSCREEN_CONTROLS
#undef KL_COMMON_SETTINGS

#define KL_COMMON_STATUSES                                                                                  \
  &kBatteryPresent, &kBatteryLevel, &kBusy, &kEncoding, &kRecordingSeconds, &kBleState, &kRemotePairing,    \
      &kWifiScan, &kSdStatus, &kRemainingPhotos, &kRemainingVideo, &kPhotoCount, &kVideoCount,              \
      &kTemperature, &kCurrentFlatMode, &kRemainingSpace, &kContextualMenu, &kWifiAccessPoint,              \
      &kBatteryPercent, &kDigitalZoom, &kWifiBand, &kOrientation, &kSubMode, &kPresetGroup, &kActivePreset, \
      &kPresetModified, &kCameraControl

constexpr const camera_member* kStatuses51[] = {KL_COMMON_STATUSES};
constexpr const camera_member* kStatuses55[] = {KL_COMMON_STATUSES, &kThermalWarning, &kAudioInput};
constexpr const camera_member* kStatuses57[] = {KL_COMMON_STATUSES, &kThermalWarning, &kAudioInput,
                                                &kLensModeStatus};
#undef KL_COMMON_STATUSES

constexpr const camera_member* kExtras51[] = {&kVideoGroupFlatMode, &kPhotoGroupFlatMode,
                                              &kTimeLapseGroupFlatMode};
constexpr const camera_member* kExtras57[] = {&kLensMode, &kLens, &kVideoGroupFlatMode, &kPhotoGroupFlatMode,
                                              &kTimeLapseGroupFlatMode};

template <typename T, size_t N>
constexpr size_t countOf(const T (&)[N]) {
  return N;
}

// Models 19, 20 and 50 offer the settings and statuses of 55.
constexpr camera_model_desc kModels[] = {
    {19, kSettings55, countOf(kSettings55), kStatuses51, countOf(kStatuses51), kExtras51, countOf(kExtras51)},
    {20, kSettings55, countOf(kSettings55), kStatuses51, countOf(kStatuses51), kExtras51, countOf(kExtras51)},
    {50, kSettings55, countOf(kSettings55), kStatuses55, countOf(kStatuses55), kExtras51, countOf(kExtras51)},
    {51, kSettings51, countOf(kSettings51), kStatuses51, countOf(kStatuses51), kExtras51, countOf(kExtras51)},
    {55, kSettings55, countOf(kSettings55), kStatuses55, countOf(kStatuses55), kExtras51, countOf(kExtras51)},
    {57, kSettings57, countOf(kSettings57), kStatuses57, countOf(kStatuses57), kExtras57, countOf(kExtras57)},
};

}  // namespace

const camera_model_desc* camera_model_descs(size_t* count) {
  *count = countOf(kModels);
  return kModels;
}
