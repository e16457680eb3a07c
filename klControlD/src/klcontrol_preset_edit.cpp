// The preset edit bracket: settings changes happen inside an edit of the active preset on the camera.
#include <algorithm>
#include <cstdint>
#include <iterator>

#include "klErrno.h"
#include "klcontrol_if_server.h"
#include "klcontrol_log.h"
#include "klcontrol_preset_loader.h"

constexpr const char* LOG_SOURCE = "klcontrol_if_server";

namespace {

constexpr int FLAT_MODE_PLAYBACK = 4;
constexpr int FLAT_MODE_UNKNOWN = -1;

const int EDIT_FREE_SETTINGS[] = {47, 50, 54,  58,  59,  60,  62,  64,  65,  72,  83,  84,  85,  86,  87,
                                  88, 91, 103, 104, 106, 112, 134, 142, 143, 154, 158, 159, 162, 169, 173};

}  // namespace

bool BypassEditStart(int setting) {
  return std::find(std::begin(EDIT_FREE_SETTINGS), std::end(EDIT_FREE_SETTINGS), setting) !=
         std::end(EDIT_FREE_SETTINGS);
}

bool PresetStartEdit(int setting) {
  int mode = 0;
  int flatMode = FLAT_MODE_UNKNOWN;
  // Unchecked: a failed read leaves the flat mode unknown, which refuses the edit below.
  klc_app_get_mode_flat_mode(klcontrol_camera(), &mode, &flatMode);
  LOG(UTIL_LOG_DEBUG, "------Current flatmode is %d", flatMode);
  if (flatMode == FLAT_MODE_PLAYBACK || flatMode == FLAT_MODE_UNKNOWN) return false;
  if (BypassEditStart(setting)) return true;
  const uint32_t preset = KlcontrolCommandServer::getInstance()->GetActivePreset();
  const int rc =
      klc_send_remote_api_payload(klcontrol_camera(), REMOTE_PRESET_EDIT_START, &preset, sizeof preset);
  if (rc == 0) return true;
  LOG(UTIL_LOG_ERROR, "klc_send_remote_api_payload error, %d\n", rc);
  return false;
}

bool PresetEndEdit(int setting) {
  if (BypassEditStart(setting)) return true;
  const int rc = klc_send_simple_remote_api(klcontrol_camera(), REMOTE_PRESET_EDIT_END);
  if (rc == 0) return true;
  LOG(UTIL_LOG_ERROR, "klc_send_simple_remote_api error, %d\n", rc);
  return false;
}

bool klcontrol_start_preset_edit(int setting) {
  if (PresetStartEdit(setting)) return true;
  LOG(UTIL_LOG_ERROR, "Failed to start preset edit!");
  return false;
}

int klcontrol_in_preset_edit(int setting, const std::function<int()>& call) {
  if (!klcontrol_start_preset_edit(setting)) return KL_ERR;
  const int rc = call();
  PresetEndEdit(setting);
  return rc;
}
