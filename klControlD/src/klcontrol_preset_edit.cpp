// The preset edit bracket: settings changes happen inside an edit of the active preset on the camera.
#include <algorithm>
#include <cstdint>
#include <iterator>

#include "klLog.h"
#include "klcontrol_if_server.h"
#include "klcontrol_preset_loader.h"

#define LOG(level, ...) KLOG(level, "klcontrol_if_server", __VA_ARGS__)

namespace {

constexpr int REMOTE_PRESET_GROUP = 17;
constexpr int REMOTE_PRESET_EDIT_START = 8;
constexpr int REMOTE_PRESET_EDIT_END = 10;
constexpr int FLAT_MODE_PLAYBACK = 4;
constexpr int FLAT_MODE_UNKNOWN = -1;

const int kEditFreeSettings[] = {47, 50, 54,  58,  59,  60,  62,  64,  65,  72,  83,  84,  85,  86,  87,
                                 88, 91, 103, 104, 106, 112, 134, 142, 143, 154, 158, 159, 162, 169, 173};

}  // namespace

bool BypassEditStart(int setting) {
  return std::find(std::begin(kEditFreeSettings), std::end(kEditFreeSettings), setting) !=
         std::end(kEditFreeSettings);
}

bool PresetStartEdit(int setting) {
  klc_msg_q_context_t* ctx = &KlcontrolCommandServer::m_cameraContext;
  int mode = 0;
  int flatMode = FLAT_MODE_UNKNOWN;
  // Unchecked: a failed read leaves the flat mode unknown, which refuses the edit below.
  klc_app_get_mode_flat_mode(ctx, &mode, &flatMode);
  LOG(UTIL_LOG_DEBUG, "------Current flatmode is %d", flatMode);
  if (flatMode == FLAT_MODE_PLAYBACK || flatMode == FLAT_MODE_UNKNOWN) return false;
  if (BypassEditStart(setting)) return true;
  const uint32_t preset = KlcontrolCommandServer::getInstance()->GetActivePreset();
  const int rc =
      klc_send_remote_api_payload(ctx, REMOTE_PRESET_GROUP, REMOTE_PRESET_EDIT_START, &preset, sizeof preset);
  if (rc == 0) return true;
  LOG(UTIL_LOG_ERROR, "klc_send_remote_api_payload error, %d\n", rc);
  return false;
}

bool PresetEndEdit(int setting) {
  if (BypassEditStart(setting)) return true;
  const int rc = klc_send_simple_remote_api(&KlcontrolCommandServer::m_cameraContext, REMOTE_PRESET_GROUP,
                                            REMOTE_PRESET_EDIT_END);
  if (rc == 0) return true;
  LOG(UTIL_LOG_ERROR, "klc_send_simple_remote_api error, %d\n", rc);
  return false;
}
