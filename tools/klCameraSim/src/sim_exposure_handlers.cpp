// Manual-exposure ("vantix") settings and the other capture options kept in the settings block:
// ISO limits and their resets, the photo timer, the surge speed options, the on-screen shortcuts,
// and settings forwarded as raw (offset, value) pairs.
#include "klCtrlD.h"
#include "klErrno.h"
#include "sim_handlers.h"

namespace {

// Settings-block places of the values below.
constexpr unsigned kVideoIsoMax = offsetof(appc_setup_all_settings, video_iso_max);
constexpr unsigned kVideoIsoMin = offsetof(appc_setup_all_settings, video_iso_min);
constexpr unsigned kVideoShutter = offsetof(appc_setup_all_settings, video_shutter);
constexpr unsigned kVideoWhiteBalance = offsetof(appc_setup_all_settings, video_white_balance);
constexpr unsigned kSurgeSpeed1x = offsetof(appc_setup_all_settings, surge_speed_1x);
constexpr unsigned kSurgeSpeedRamp = offsetof(appc_setup_all_settings, surge_speed_ramp);
constexpr unsigned kSurgeSpeedRampActive = offsetof(appc_setup_all_settings, surge_speed_ramp_active);
constexpr unsigned kPhotoTimer = offsetof(appc_setup_all_settings, photo_timer);
constexpr unsigned kPhotoIsoMax = offsetof(appc_setup_all_settings, photo_iso_max);
constexpr unsigned kPhotoIsoMin = offsetof(appc_setup_all_settings, photo_iso_min);
constexpr unsigned kPhotoWhiteBalance = offsetof(appc_setup_all_settings, photo_white_balance);
constexpr unsigned kMultiIsoMax = offsetof(appc_setup_all_settings, multishot_iso_max);
constexpr unsigned kMultiIsoMin = offsetof(appc_setup_all_settings, multishot_iso_min);
constexpr unsigned kShortcutsFirst = offsetof(appc_setup_all_settings, onscreen_controls);
constexpr unsigned kShortcutsCount = sizeof(appc_setup_all_settings::onscreen_controls);

constexpr int32_t kMaxSurgeRamp = 7;

// One manual-exposure family: where its limits live, how its ISO values are numbered, and the
// values a reset restores (ISO 1600 down to ISO 100, automatic white balance and shutter).
struct ExposureFamily {
  klc_link_op libraryReset;  // its group also holds the family's ISO limit operations
  klc_remote_api remoteReset;
  unsigned isoMax;
  unsigned isoMin;
  int (*isoNumber)(int value);
  int8_t resetIsoMax;
  int8_t resetIsoMin;
  unsigned autoPlaces[2];  // reset to 0; 0 marks an unused place
};

const ExposureFamily kFamilies[] = {
    {KLC_OP_VIDEO_VANTIX_RESET,
     REMOTE_VIDEO_VANTIX_RESET,
     kVideoIsoMax,
     kVideoIsoMin,
     klc_video_vantix_iso_number,
     1,
     8,
     {kVideoShutter, kVideoWhiteBalance}},
    {KLC_OP_PHOTO_VANTIX_RESET,
     REMOTE_PHOTO_VANTIX_RESET,
     kPhotoIsoMax,
     kPhotoIsoMin,
     klc_photo_vantix_iso_number,
     4,
     3,
     {kPhotoWhiteBalance, 0}},
    {KLC_OP_MULTISHOT_VANTIX_RESET,
     REMOTE_MULTISHOT_VANTIX_RESET,
     kMultiIsoMax,
     kMultiIsoMin,
     klc_photo_vantix_iso_number,
     4,
     3,
     {0, 0}},
};

// Library ids of the ISO limits within a family's group (camera_link.h).
enum : uint16_t { kIsoGet = 2, kIsoSet = 3, kIsoMinGet = 4, kIsoMinSet = 5 };

void setSetting(SimCamera& camera, unsigned offset, int64_t value) {
  camera.write(SimBlock::SETTINGS, offset, 1, value);
}

const ExposureFamily* familyOfGroup(uint16_t group) {
  for (const ExposureFamily& family : kFamilies) {
    if (klc_link_group(family.libraryReset) == group || klc_link_group(family.remoteReset) == group) {
      return &family;
    }
  }
  return nullptr;
}

void resetExposure(SimCamera& camera, const klc_link_request& request, SimReply& reply) {
  const ExposureFamily* family = familyOfGroup(request.header.group);
  if (family == nullptr || request.payloadLength != 0) {
    reply.status = KL_ERR_INVALID_PARAM;
    return;
  }
  setSetting(camera, family->isoMax, family->resetIsoMax);
  setSetting(camera, family->isoMin, family->resetIsoMin);
  for (unsigned place : family->autoPlaces) {
    if (place != 0) setSetting(camera, place, 0);
  }
}

// ISO maximum (get/set) and minimum (min get/set), as setting values of the family's numbering.
void isoLimit(SimCamera& camera, const klc_link_request& request, SimReply& reply) {
  const ExposureFamily* family = familyOfGroup(request.header.group);
  const uint16_t id = request.header.id;
  const unsigned place = id == kIsoGet || id == kIsoSet ? family->isoMax : family->isoMin;
  if (id == kIsoGet || id == kIsoMinGet) {
    const int32_t value = int8_t(camera.bytes(SimBlock::SETTINGS)[place]);
    simAnswerBytes(reply, &value, sizeof value);
    return;
  }
  int32_t value = 0;
  if (!simPayloadWords(request, &value, 1) || family->isoNumber(value) < 0) {
    reply.status = KL_ERR_INVALID_PARAM;
    return;
  }
  setSetting(camera, place, value);
}

// A one-word option stored in one settings byte when it lies within [0, maximum].
void storeOption(SimCamera& camera, const klc_link_request& request, SimReply& reply, unsigned place,
                 int32_t maximum) {
  int32_t value = 0;
  if (!simPayloadWords(request, &value, 1) || value < 0 || value > maximum) {
    reply.status = KL_ERR_INVALID_PARAM;
    return;
  }
  setSetting(camera, place, value);
}

void surgeSpeed1x(SimCamera& camera, const klc_link_request& request, SimReply& reply) {
  storeOption(camera, request, reply, kSurgeSpeed1x, 1);
}

void surgeSpeedRamp(SimCamera& camera, const klc_link_request& request, SimReply& reply) {
  storeOption(camera, request, reply, kSurgeSpeedRamp, kMaxSurgeRamp);
}

void surgeSpeedRampActive(SimCamera& camera, const klc_link_request& request, SimReply& reply) {
  storeOption(camera, request, reply, kSurgeSpeedRampActive, 1);
}

// The photo timer counts 0 (off), 3 or 10 seconds.
void captureDelay(SimCamera& camera, const klc_link_request& request, SimReply& reply) {
  int32_t seconds = 0;
  if (!simPayloadWords(request, &seconds, 1) || (seconds != 0 && seconds != 3 && seconds != 10)) {
    reply.status = KL_ERR_INVALID_PARAM;
    return;
  }
  setSetting(camera, kPhotoTimer, seconds);
}

void shortcutsReset(SimCamera& camera, const klc_link_request&, SimReply&) {
  for (unsigned i = 0; i < kShortcutsCount; ++i) setSetting(camera, kShortcutsFirst + i, 0);
}

// Payload: (offset, value) byte pairs; all are checked before any is written.
void settingsForward(SimCamera& camera, const klc_link_request& request, SimReply& reply) {
  const uint8_t* pairs = request.payload;
  const unsigned length = request.payloadLength;
  bool valid = length > 0 && length % 2 == 0;
  for (unsigned i = 0; valid && i < length; i += 2) valid = pairs[i] < sizeof(appc_setup_all_settings);
  if (!valid) {
    reply.status = KL_ERR_INVALID_PARAM;
    return;
  }
  for (unsigned i = 0; i < length; i += 2) setSetting(camera, pairs[i], int8_t(pairs[i + 1]));
}

}  // namespace

void simAddExposureHandlers(SimHandlerTable& table) {
  for (const ExposureFamily& family : kFamilies) {
    table.add(family.remoteReset, resetExposure);
    table.add(family.libraryReset, resetExposure);
    for (uint16_t id : {kIsoGet, kIsoSet, kIsoMinGet, kIsoMinSet}) {
      table.add(klc_link_key(klc_link_group(family.libraryReset), id), isoLimit);
    }
  }
  table.add(KLC_OP_VIDEO_SET_SURGE_SPEED_1X, surgeSpeed1x);
  table.add(KLC_OP_VIDEO_SET_SURGE_SPEED_RAMP, surgeSpeedRamp);
  table.add(KLC_OP_VIDEO_SET_SURGE_SPEED_RAMP_ACTIVE, surgeSpeedRampActive);
  table.add(KLC_OP_APP_SET_CAPTURE_DELAY, captureDelay);
  table.add(KLC_OP_PRESET_ONSCREEN_SHORTCUTS_RESET, shortcutsReset);
  table.add(REMOTE_SETTINGS_FORWARD, settingsForward);
}
