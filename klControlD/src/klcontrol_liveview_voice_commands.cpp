// Live-view and voice commands: user actions from outside the camera's own controls (the exposure
// point picked in the live view, voice control), passed on to the camera. Each answers the library's
// result. The button command of the same family is in klcontrol_button_commands.cpp.
#include "CameraFactory.h"
#include "klErrno.h"
#include "klcontrol_arg_fields.h"
#include "klcontrol_command_number.h"
#include "klcontrol_if_server.h"
#include "klcontrol_log.h"

constexpr const char* LOG_SOURCE = "klcontrol_if_server";

namespace {

constexpr uint32_t MAX_COORDINATE = 100;
constexpr uint8_t ANY_LENS = 0xFF;

// Voice commands that are one simple request each.
struct VoiceRequest {
  klcontrol_command_t command;
  const char* line;
  klc_remote_api api;
};

constexpr VoiceRequest VOICE_REQUESTS[] = {
    {KLCONTROL_VOICE_PHOTO_TAKE, "Voice Photo Take:", REMOTE_VOICE_PHOTO_TAKE},
    {KLCONTROL_VOICE_VIDEO_START, "Voice Video Start:", REMOTE_VOICE_VIDEO_START},
    {KLCONTROL_VOICE_VIDEO_STOP, "Voice Video Stop:", REMOTE_VOICE_VIDEO_STOP},
    {KLCONTROL_VOICE_TIMELAPSE_START, "Voice Timelapse Start:", REMOTE_VOICE_TIMELAPSE_START},
    {KLCONTROL_VOICE_TIMELAPSE_STOP, "Voice Timelapse_Stop:", REMOTE_VOICE_TIMELAPSE_STOP},
    {KLCONTROL_VOICE_BURST_TAKE, "Voice Burst Take:", REMOTE_VOICE_BURST_TAKE},
    {KLCONTROL_VOICE_TAG, "Voice Tag:", REMOTE_VOICE_TAG},
    {KLCONTROL_VOICE_EDIT_MY_STORY, "Voice Edit My Story:", REMOTE_VOICE_EDIT_MY_STORY},
};

// An upside-down camera streams an inverted picture: the point is mirrored into the sensor's view.
void correctForInvertedStream(uint32_t& x, uint32_t& y) {
  uint8_t* reply = nullptr;
  uint16_t length = 0;
  const int result =
      klc_send_remote_api_for_response(klcontrol_camera(), REMOTE_STREAM_ORIENTATION_GET, &reply, &length);
  if (result != 0 || reply == nullptr || length != 1) {
    LOG(UTIL_LOG_ERROR, "Failed to get stream orientation vis REMOTE_API");
    return;
  }
  if (reply[0] != 0) return;
  LOG(UTIL_LOG_DEBUG, "Translating select pos because stream is inverted (%d -> %d, %d -> %d", int(x),
      int(MAX_COORDINATE - x), int(y), int(MAX_COORDINATE - y));
  x = MAX_COORDINATE - x;
  y = MAX_COORDINATE - y;
}

// Bytes 0 and 3 of the point request: exposure type and lens; false for a mode the lenses lack.
bool exposureAndLens(KlcontrolCommandServer& server, uint32_t mode, uint32_t lensWord, uint8_t point[4]) {
  const int8_t lensMode = server.GetLensMode();
  const bool dualLens = klcontrol_model_or_default() == CAMERA_DUAL_LENS_MODEL;
  point[3] = dualLens ? uint8_t(server.GetLens()) : ANY_LENS;
  const bool singleView = !dualLens || lensMode == 0;
  if ((mode == 1 || mode == 2) && singleView) {
    point[0] = uint8_t(mode - 1);
  } else if (mode == 3 && dualLens && lensMode == 1) {
    point[0] = 3;
    point[3] = uint8_t(lensWord);
  } else {
    LOG(UTIL_LOG_ERROR, "Invalid exposure mode %d in lens_mode[%d]", int(mode), int(lensMode));
    return false;
  }
  return true;
}

const VoiceRequest* voiceRequestOf(klcontrol_command_t command) {
  for (const VoiceRequest& row : VOICE_REQUESTS) {
    if (row.command == command) return &row;
  }
  return nullptr;
}

}  // namespace

// Argument: exposure mode, x, y, lens (32-bit words).
int KlcontrolCommandServer::cmdLiveviewModeSet(Msg& msg, MsgElement* arg) {
  const uint32_t mode = klcontrol_arg_word(arg, 0);
  uint32_t x = klcontrol_arg_word(arg, 4);
  uint32_t y = klcontrol_arg_word(arg, 8);
  LOG(UTIL_LOG_DEBUG, "KLCONTROL_LIVEVIEW_MODE_SET: %d", int(mode));
  if (mode == 0)
    return answer(msg, klc_send_simple_remote_api(klcontrol_camera(), REMOTE_LIVEVIEW_CLEAR_POINT));
  if (x > MAX_COORDINATE || y > MAX_COORDINATE) {
    LOG(UTIL_LOG_ERROR, "Invalid coords x:%d y:%d", int(x), int(y));
    return answer(msg, KL_ERR);
  }
  correctForInvertedStream(x, y);
  uint8_t point[4] = {0, uint8_t(x), uint8_t(y), 0};
  if (!exposureAndLens(*this, mode, klcontrol_arg_word(arg, 12), point))
    return answer(msg, KL_ERR_INVALID_PARAM);
  return answer(msg, klc_send_remote_api_payload(klcontrol_camera(), REMOTE_LIVEVIEW_SELECT_POINT, point,
                                                 sizeof point));
}

int KlcontrolCommandServer::cmdVoiceRequest(Msg& msg, MsgElement*) {
  const VoiceRequest* row = voiceRequestOf(klcontrol_command_of(msg));
  if (row == nullptr) return answer(msg, KL_ERR_NOT_SUPPORTED);
  LOG(UTIL_LOG_DEBUG, "%s", row->line);
  return answer(msg, klc_send_simple_remote_api(klcontrol_camera(), row->api));
}

int KlcontrolCommandServer::cmdVoiceMode(Msg& msg, MsgElement* arg) {
  LOG(UTIL_LOG_DEBUG, "Voice Mode:");
  uint8_t mode = 0;
  arg->getUint8(&mode);
  return answer(msg, klc_send_remote_api_payload(klcontrol_camera(), REMOTE_VOICE_MODE, &mode, 1));
}

int KlcontrolCommandServer::cmdVoiceDeleteLast(Msg& msg, MsgElement*) {
  LOG(UTIL_LOG_DEBUG, "Voice Control Delete Last");
  LOG(UTIL_LOG_ERROR, "NOT SUPPORTED %d", int(KLCONTROL_VOICE_DELETE_LAST));
  return answer(msg, KL_ERR_NOT_SUPPORTED);
}
