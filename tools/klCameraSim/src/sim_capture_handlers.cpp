// Capture: the shutter starts and stops recordings and takes photos, moments of a running
// recording are tagged, and the extended status reports the capture state as id records.
#include <cstddef>

#include "klErrno.h"
#include "sim_handlers.h"

namespace {

// Status place of the number of moments tagged during recordings (16 bits).
constexpr unsigned kRecordingTags = 72;

void shutter(SimCamera& camera, const klc_link_request& request, SimReply& reply) {
  uint8_t value = 0;
  reply.status =
      simPayloadByte(request, value) && value <= 1 ? camera.shutter(value == 1) : KL_ERR_INVALID_PARAM;
}

// Only a running recording can be tagged.
void tagRecording(SimCamera& camera, const klc_link_request& request, SimReply& reply) {
  int64_t tags = 0;
  if (request.payloadLength != 0 || camera.status().encoding == 0 ||
      !camera.read(SimBlock::STATUS, kRecordingTags, 2, false, tags)) {
    reply.status = KL_ERR_INVALID_PARAM;
    return;
  }
  camera.write(SimBlock::STATUS, kRecordingTags, 2, (tags + 1) & 0xFFFF);
}

// One record of the extended status: the status id, then its value little-endian.
struct ExtendedItem {
  uint8_t id;
  SimBlock block;
  unsigned offset;
  uint8_t width;
};

#define STATUS_ITEM(id, member) \
  { id, SimBlock::STATUS, offsetof(appc_system_all_status, member), sizeof(appc_system_all_status::member) }

const ExtendedItem kExtendedItems[] = {
    STATUS_ITEM(1, battery_present),
    STATUS_ITEM(2, battery_level),
    STATUS_ITEM(8, busy),
    STATUS_ITEM(10, encoding),
    STATUS_ITEM(13, recording_seconds),
    STATUS_ITEM(33, sd_status),
    STATUS_ITEM(34, remaining_photos),
    STATUS_ITEM(35, remaining_video_seconds),
    STATUS_ITEM(38, photo_count),
    STATUS_ITEM(39, video_count),
    {43, SimBlock::SETTINGS, offsetof(appc_setup_all_settings, flat_mode), 1},
    STATUS_ITEM(70, battery_percent),
    STATUS_ITEM(75, digital_zoom),
    {110, SimBlock::STATUS, kRecordingTags, 2},
};

#undef STATUS_ITEM

// Records of {id, length, value bytes}.
void extendedStatus(SimCamera& camera, const klc_link_request&, SimReply& reply) {
  for (const ExtendedItem& item : kExtendedItems) {
    const uint8_t* value = camera.bytes(item.block) + item.offset;
    reply.answer.push_back(item.id);
    reply.answer.push_back(item.width);
    reply.answer.insert(reply.answer.end(), value, value + item.width);
  }
}

}  // namespace

void simAddCaptureHandlers(SimHandlerTable& table) {
  table.add({
      {KLC_OP_APP_SHUTTER, shutter},
      {REMOTE_MEDIA_TAG_RECORDING, tagRecording},
      {REMOTE_SYSTEM_EXTENDED_STATUS_GET, extendedStatus},
  });
}
