// Live-view and voice commands: user actions from outside the camera's own controls (the exposure
// point picked in the live view, voice control), passed on to the camera. Each answers the library's
// result. The button command of the same family is in klcontrol_button_commands.cpp.
#include <cstring>

#include "CameraFactory.h"
#include "klErrno.h"
#include "klLog.h"
#include "klcontrol_command_number.h"
#include "klcontrol_if_server.h"
#include "klcontrol_block_read.h"

#define LOG(level, ...) KLOG(level, "klcontrol_if_server", __VA_ARGS__)

namespace {

constexpr int kGroupStream = 10;
constexpr int kStreamOrientation = 14;
constexpr int kGroupLiveview = 13;
constexpr int kSelectPoint = 0;
constexpr int kClearPoint = 2;
constexpr int kGroupVoice = 15;
constexpr int kVoiceMode = 9;
constexpr uint32_t kMaxCoordinate = 100;
constexpr uint8_t kDualLensModel = 51;
constexpr uint8_t kAnyLens = 0xFF;

// Voice commands that are one simple request each.
struct VoiceRequest {
  klcontrol_command_t command;
  const char* line;
  int id;
};

constexpr VoiceRequest kVoiceRequests[] = {
    {KLCONTROL_VOICE_PHOTO_TAKE, "Voice Photo Take:", 0},
    {KLCONTROL_VOICE_VIDEO_START, "Voice Video Start:", 1},
    {KLCONTROL_VOICE_VIDEO_STOP, "Voice Video Stop:", 2},
    {KLCONTROL_VOICE_TIMELAPSE_START, "Voice Timelapse Start:", 3},
    {KLCONTROL_VOICE_TIMELAPSE_STOP, "Voice Timelapse_Stop:", 4},
    {KLCONTROL_VOICE_BURST_TAKE, "Voice Burst Take:", 5},
    {KLCONTROL_VOICE_TAG, "Voice Tag:", 6},
    {KLCONTROL_VOICE_EDIT_MY_STORY, "Voice Edit My Story:", 10},
};

klc_msg_q_context_t* ctx() {
  return &KlcontrolCommandServer::m_cameraContext;
}

// The 32-bit word at index of a raw argument; the frame refused arguments shorter than their layout.
uint32_t wordOf(const MsgElement* arg, unsigned index) {
  uint32_t word = 0;
  std::memcpy(&word, arg->getData() + index * sizeof word, sizeof word);
  return word;
}

uint8_t modelNumber() {
  uint8_t model = 0;
  return _get_model_number(&model) == 0 ? model : CAMERA_DEFAULT_MODEL;
}

// An upside-down camera streams an inverted picture: the point is mirrored into the sensor's view.
void correctForInvertedStream(uint32_t& x, uint32_t& y) {
  uint8_t* reply = nullptr;
  uint16_t length = 0;
  const int result =
      klc_send_remote_api_for_response(ctx(), kGroupStream, kStreamOrientation, &reply, &length);
  if (result != 0 || reply == nullptr || length != 1) {
    LOG(UTIL_LOG_ERROR, "Failed to get stream orientation vis REMOTE_API");
    return;
  }
  if (reply[0] != 0) return;
  LOG(UTIL_LOG_DEBUG, "Translating select pos because stream is inverted (%d -> %d, %d -> %d", int(x),
      int(kMaxCoordinate - x), int(y), int(kMaxCoordinate - y));
  x = kMaxCoordinate - x;
  y = kMaxCoordinate - y;
}

// Bytes 0 and 3 of the point request: exposure type and lens; false for a mode the lenses lack.
bool exposureAndLens(KlcontrolCommandServer& server, uint32_t mode, uint32_t lensWord, uint8_t point[4]) {
  const int8_t lensMode = server.GetLensMode();
  const bool dualLens = modelNumber() == kDualLensModel;
  point[3] = dualLens ? uint8_t(server.GetLens()) : kAnyLens;
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
  for (const VoiceRequest& row : kVoiceRequests) {
    if (row.command == command) return &row;
  }
  return nullptr;
}

}  // namespace

// Argument: exposure mode, x, y, lens (32-bit words).
int KlcontrolCommandServer::cmdLiveviewModeSet(Msg& msg, MsgElement* arg) {
  const uint32_t mode = wordOf(arg, 0);
  uint32_t x = wordOf(arg, 1);
  uint32_t y = wordOf(arg, 2);
  LOG(UTIL_LOG_DEBUG, "KLCONTROL_LIVEVIEW_MODE_SET: %d", int(mode));
  if (mode == 0) return answer(msg, klc_send_simple_remote_api(ctx(), kGroupLiveview, kClearPoint));
  if (x > kMaxCoordinate || y > kMaxCoordinate) {
    LOG(UTIL_LOG_ERROR, "Invalid coords x:%d y:%d", int(x), int(y));
    return answer(msg, KL_ERR);
  }
  correctForInvertedStream(x, y);
  uint8_t point[4] = {0, uint8_t(x), uint8_t(y), 0};
  if (!exposureAndLens(*this, mode, wordOf(arg, 3), point)) return answer(msg, KL_ERR_INVALID_PARAM);
  return answer(msg, klc_send_remote_api_payload(ctx(), kGroupLiveview, kSelectPoint, point, sizeof point));
}

int KlcontrolCommandServer::cmdVoiceRequest(Msg& msg, MsgElement*) {
  const VoiceRequest* row = voiceRequestOf(klcontrol_command_of(msg));
  if (row == nullptr) return answer(msg, KL_ERR_NOT_SUPPORTED);
  LOG(UTIL_LOG_DEBUG, "%s", row->line);
  return answer(msg, klc_send_simple_remote_api(ctx(), kGroupVoice, row->id));
}

int KlcontrolCommandServer::cmdVoiceMode(Msg& msg, MsgElement* arg) {
  LOG(UTIL_LOG_DEBUG, "Voice Mode:");
  uint8_t mode = 0;
  arg->getUint8(&mode);
  return answer(msg, klc_send_remote_api_payload(ctx(), kGroupVoice, kVoiceMode, &mode, 1));
}

int KlcontrolCommandServer::cmdVoiceDeleteLast(Msg& msg, MsgElement*) {
  LOG(UTIL_LOG_DEBUG, "Voice Control Delete Last");
  LOG(UTIL_LOG_ERROR, "NOT SUPPORTED %d", int(KLCONTROL_VOICE_DELETE_LAST));
  return answer(msg, KL_ERR_NOT_SUPPORTED);
}
