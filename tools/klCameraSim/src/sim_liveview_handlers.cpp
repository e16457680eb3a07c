// Live-view, voice and button requests: the exposure point in the live view and the stream
// orientation it depends on, captures and mode changes asked for by voice, and button presses.
#include "klErrno.h"
#include "sim_handlers.h"
#include "sim_system_values.h"

namespace {

constexpr int8_t kUpsideDown = 2;
constexpr uint8_t kMaxCoordinate = 100;
constexpr int kMultiShotGroup = 2;

// 0 while the camera hangs upside down (the stream is then inverted), else 1.
void streamOrientation(SimCamera& camera, const klc_link_request&, SimReply& reply) {
  reply.answer.assign(1, camera.status().orientation == kUpsideDown ? 0 : 1);
}

// Payload: exposure type (0, 1 or 3), x, y, lens.
void selectPoint(SimCamera& camera, const klc_link_request& request, SimReply& reply) {
  const uint8_t* point = request.payload;
  if (request.payloadLength != 4 || point[0] == 2 || point[0] > 3 || point[1] > kMaxCoordinate ||
      point[2] > kMaxCoordinate) {
    return simRefuse(reply);
  }
  simSetSystem(camera, SIM_SYSTEM_VALUE(liveview_exposure), point[0]);
  simSetSystem(camera, SIM_SYSTEM_VALUE(liveview_x), point[1]);
  simSetSystem(camera, SIM_SYSTEM_VALUE(liveview_y), point[2]);
  simSetSystem(camera, SIM_SYSTEM_VALUE(liveview_lens), point[3]);
  simSetSystem(camera, SIM_SYSTEM_VALUE(liveview_selected), 1);
}

void clearPoint(SimCamera& camera, const klc_link_request&, SimReply&) {
  simSetSystem(camera, SIM_SYSTEM_VALUE(liveview_selected), 0);
}

bool encoding(const SimCamera& camera) {
  return camera.status().encoding != 0;
}

// Voice captures switch to the mode they need first; nothing is switched while a capture runs.
int captureIn(SimCamera& camera, int32_t mode) {
  if (encoding(camera)) return KL_ERR_INVALID_PARAM;
  const int result = camera.setMode(mode);
  return result != KL_OK ? result : camera.shutter(true);
}

bool inMultiShot(const SimCamera& camera) {
  return SimCamera::groupOfFlatMode(camera.settings().flat_mode) == kMultiShotGroup;
}

// A time lapse as the shutter starts it, in the time-lapse flat mode last used (night or not), so
// that the shutter stops it too.
int timeLapseStart(SimCamera& camera) {
  const int32_t last = camera.status().timelapse_selected_flatmode;
  return captureIn(camera, last == SIM_FLAT_NIGHT_LAPSE_PHOTO ? last : SIM_FLAT_TIME_LAPSE_PHOTO);
}

int timeLapseStop(SimCamera& camera) {
  return inMultiShot(camera) ? camera.shutter(false) : KL_ERR_INVALID_PARAM;
}

int tag(SimCamera& camera) {
  if (!encoding(camera)) return KL_ERR_INVALID_PARAM;
  simSetSystem(camera, SIM_SYSTEM_VALUE(voice_tags), uint16_t(camera.system().voice_tags + 1));
  return KL_OK;
}

// Voice requests 15/0 to 15/6 and 15/10, by id.
int voiceAction(SimCamera& camera, uint16_t id) {
  switch (id) {
    case 0:
      return captureIn(camera, 1);
    case 1:
      return captureIn(camera, 0);
    case 2:
      return camera.shutter(false);
    case 3:
      return timeLapseStart(camera);
    case 4:
      return timeLapseStop(camera);
    case 5:
      return captureIn(camera, SIM_FLAT_BURST);
    case 6:
      return tag(camera);
    default:
      return KL_OK;  // 10: the story is edited on the phone; the camera only hears of it
  }
}

void voice(SimCamera& camera, const klc_link_request& request, SimReply& reply) {
  reply.status = request.payloadLength == 0 ? voiceAction(camera, request.header.id) : KL_ERR_INVALID_PARAM;
}

void voiceMode(SimCamera& camera, const klc_link_request& request, SimReply& reply) {
  uint8_t mode = 0;
  reply.status = simPayloadByte(request, mode) ? camera.setMode(mode) : KL_ERR_INVALID_PARAM;
}

// Payload: library button id (0..2) and state (2 or 3).
void button(SimCamera& camera, const klc_link_request& request, SimReply& reply) {
  const uint8_t* press = request.payload;
  if (request.payloadLength != 2 || press[0] > 2 || (press[1] != 2 && press[1] != 3)) return simRefuse(reply);
  simSetSystem(camera, SIM_SYSTEM_VALUE(button_id), press[0]);
  simSetSystem(camera, SIM_SYSTEM_VALUE(button_state), press[1]);
  simSetSystem(camera, SIM_SYSTEM_VALUE(button_presses), uint16_t(camera.system().button_presses + 1));
}

void mixPreset(SimCamera& camera, const klc_link_request&, SimReply& reply) {
  reply.answer.assign(1, camera.system().mix_preset);
}

}  // namespace

void simAddLiveviewHandlers(SimHandlerTable& table) {
  table.add(REMOTE_STREAM_ORIENTATION_GET, streamOrientation);
  table.add(REMOTE_LIVEVIEW_SELECT_POINT, selectPoint);
  table.add(REMOTE_LIVEVIEW_CLEAR_POINT, clearPoint);
  for (klc_remote_api api : {REMOTE_VOICE_PHOTO_TAKE, REMOTE_VOICE_VIDEO_START, REMOTE_VOICE_VIDEO_STOP,
                             REMOTE_VOICE_TIMELAPSE_START, REMOTE_VOICE_TIMELAPSE_STOP,
                             REMOTE_VOICE_BURST_TAKE, REMOTE_VOICE_TAG, REMOTE_VOICE_EDIT_MY_STORY}) {
    table.add(api, voice);
  }
  table.add(REMOTE_VOICE_MODE, voiceMode);
  table.add(KLC_OP_SYSTEM_SET_BUTTON, button);
  table.add(REMOTE_PRESET_MIX_GET, mixPreset);
}
