// Commands that change the active preset's settings inside a preset edit: digital zoom (whose
// edit stays open until the zoom timer ends it), the manual-exposure ("vantix") resets, the capture
// delay and the on-screen shortcuts reset.
#include "klErrno.h"
#include "klcontrol_block_read.h"
#include "klcontrol_if_server.h"
#include "klcontrol_log.h"
#include "klcontrol_preset_loader.h"

constexpr const char* LOG_SOURCE = "klcontrol_if_server";

namespace {

constexpr int FLAT_MODE_BROADCAST = 23;
constexpr int ZOOM_PHASE_MS = 200;

// The three manual-exposure families differ only in the calls they make and their flat modes.
struct VantixFamily {
  const char* logLine;
  klc_remote_api remoteReset;
  int (*reset)(klc_msg_q_context_t* ctx);
  int flatModes[7];  // ends at the first 0
};

const VantixFamily VANTIX_FAMILIES[] = {
    {"KLCONTROL_VIDEO_VANTIX_RESET:",
     REMOTE_VIDEO_VANTIX_RESET,
     klc_video_vantix_reset,
     {12, 13, 14, 15, 24, 25, 27}},
    {"KLCONTROL_PHOTO_VANTIX_RESET:", REMOTE_PHOTO_VANTIX_RESET, klc_photo_vantix_reset, {16, 17, 18}},
    {"KLCONTROL_MULTI_VANTIX_RESET:",
     REMOTE_MULTISHOT_VANTIX_RESET,
     klc_multishot_vantix_reset,
     {19, 20, 21, 26}},
};
constexpr size_t VANTIX_VIDEO = 0;
constexpr size_t VANTIX_PHOTO = 1;
constexpr size_t VANTIX_MULTI = 2;

const VantixFamily* vantixFamilyOf(int flatMode) {
  for (const VantixFamily& family : VANTIX_FAMILIES) {
    for (int mode : family.flatModes) {
      if (mode != 0 && mode == flatMode) return &family;
    }
  }
  return nullptr;
}

int resetVantixFamily(const VantixFamily& family) {
  LOG(UTIL_LOG_DEBUG, "%s", family.logLine);
  return klcontrol_in_preset_edit(PRESET_EDIT_ANY_SETTING, [&] {
    return klc_send_simple_remote_api(klcontrol_camera(), family.remoteReset);
  });
}

// The current flat mode from the settings block; false (rc set) when the block cannot be read whole.
bool readCurrentFlatMode(int& flatMode, int& rc) {
  appc_setup_all_settings settings;
  klcontrol_block_reply reply;
  rc = klcontrol_read_block(settings, reply);
  if (rc != KL_OK || reply.length != sizeof settings) {
    LOG(UTIL_LOG_ERROR, "klc_send_remote_api_for_response error, %d @ %s:%d\n", rc,
        KLCONTROL_SERVER_SOURCE_PATH, __LINE__);
    return false;
  }
  flatMode = settings.flat_mode;
  return true;
}

int resetVantixOfFlatMode(int flatMode) {
  const VantixFamily* family = vantixFamilyOf(flatMode);
  if (family == nullptr) {
    LOG(UTIL_LOG_ERROR, "Flat mode %d, doesn't support vantix reset. @ %s:%d\n", flatMode,
        KLCONTROL_SERVER_SOURCE_PATH, __LINE__);
    return KL_OK;
  }
  return family->reset(klcontrol_camera());
}

// The reset's own failure is logged; an edit that could not be opened is not the reset's.
int resetShortcuts() {
  const int rc = klc_preset_onscreen_shortcuts_reset(klcontrol_camera());
  if (rc != KL_OK) {
    LOG(UTIL_LOG_ERROR, "KLCONTROL_ONSCREEN_SHORTCUTS_RESET klc_send_simple_remote_api error, %d\n", rc);
  }
  return rc;
}

}  // namespace

int KlcontrolCommandServer::cmdVideoVantixReset(Msg& msg, MsgElement*) {
  return answer(msg, resetVantixFamily(VANTIX_FAMILIES[VANTIX_VIDEO]));
}

int KlcontrolCommandServer::cmdPhotoVantixReset(Msg& msg, MsgElement*) {
  return answer(msg, resetVantixFamily(VANTIX_FAMILIES[VANTIX_PHOTO]));
}

int KlcontrolCommandServer::cmdMultiVantixReset(Msg& msg, MsgElement*) {
  return answer(msg, resetVantixFamily(VANTIX_FAMILIES[VANTIX_MULTI]));
}

int KlcontrolCommandServer::cmdVantixReset(Msg& msg, MsgElement*) {
  int flatMode = 0;
  int rc = KL_OK;
  if (!readCurrentFlatMode(flatMode, rc)) return answer(msg, rc);
  LOG(UTIL_LOG_DEBUG, "KLCONTROL_VANTIX_RESET:");
  return answer(msg, klcontrol_in_preset_edit(PRESET_EDIT_ANY_SETTING,
                                              [flatMode] { return resetVantixOfFlatMode(flatMode); }));
}

int KlcontrolCommandServer::cmdCaptureDelay(Msg& msg, MsgElement* arg) {
  uint32_t timer = 0;
  arg->getUint32(&timer);
  LOG(UTIL_LOG_DEBUG, "KLCONTROL_CAPTURE_DELAY: photo timer:%d", int(timer));
  return answer(msg, klcontrol_in_preset_edit(PRESET_EDIT_ANY_SETTING, [timer] {
                  return klc_app_set_capture_delay(klcontrol_camera(), int(timer));
                }));
}

int KlcontrolCommandServer::cmdOnscreenShortcutsReset(Msg& msg, MsgElement*) {
  LOG(UTIL_LOG_INFO, "KLCONTROL_ONSCREEN_SHORTCUTS_RESET: shortcuts_reset");
  return answer(msg, klcontrol_in_preset_edit(PRESET_EDIT_ANY_SETTING, resetShortcuts));
}

// A zoom keeps one preset edit open across a burst of zoom commands; the zoom timer closes it
// ZOOM_PHASE_MS after the last one. Broadcast mode zooms without an edit.
int KlcontrolCommandServer::cmdDigitalZoom(Msg& msg, MsgElement* arg) {
  uint32_t zoom = 0;
  arg->getUint32(&zoom);
  LOG(UTIL_LOG_DEBUG, "KLCONTROL_DIGITAL_ZOOM: dzoom:%d", int(zoom));
  int mode = 0;
  int flatMode = -1;
  klc_app_get_mode_flat_mode(klcontrol_camera(), &mode, &flatMode);
  LOG(UTIL_LOG_DEBUG, "------Current flatmode is %d", flatMode);
  if (flatMode != FLAT_MODE_BROADCAST) {
    if (!mIsZooming && !openZoomEdit()) return answer(msg, KL_ERR);
    armZoomTimer();
    // The timer may have ended the edit while mCommandMutex was released.
    if (!mIsZooming && !openZoomEdit()) return answer(msg, KL_ERR);
  }
  return answer(msg, klc_app_set_digital_zoom(klcontrol_camera(), int(zoom)));
}

bool KlcontrolCommandServer::openZoomEdit() {
  if (!klcontrol_start_preset_edit(PRESET_EDIT_ANY_SETTING)) return false;
  mIsZooming = true;
  return true;
}

// The timer thread runs stopEdit under the timer's mutex and stopEdit takes mCommandMutex, so
// the worker lets go of mCommandMutex while it waits for the timer's mutex.
void KlcontrolCommandServer::armZoomTimer() {
  mCommandMutex.unlock();
  mZoomTimer.arm(ZOOM_PHASE_MS, &KlcontrolCommandServer::stopEdit, this);
  mCommandMutex.lock();
}
