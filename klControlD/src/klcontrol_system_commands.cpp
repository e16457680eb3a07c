// System commands: firmware-update hand-off, power, locate, factory reset, the analytics file, the
// daemon's own log level, and what the client tells the camera about itself. All but the log level
// are the camera's to carry out; each handler answers the library's result.
#include "klErrno.h"
#include "klcontrol_block_read.h"
#include "klcontrol_command_number.h"
#include "klcontrol_if_server.h"
#include "klcontrol_log.h"

constexpr const char* LOG_SOURCE = "klcontrol_if_server";

namespace {

// Commands that send one byte to a system request: a constant, or the 8-bit argument.
struct SystemByteRequest {
  klcontrol_command_t command;
  const char* line;  // logged with the byte sent
  klc_remote_api api;
  bool fromArgument;
  uint8_t constant;
};

constexpr SystemByteRequest BYTE_REQUESTS[] = {
    {KLCONTROL_SYSTEM_SHUTDOWN, "KLCONTROL_SYSTEM_SHUTDOWN:", REMOTE_SYSTEM_POWER, false, 1},
    {KLCONTROL_SYSTEM_SLEEP, "KLCONTROL_SYSTEM_SLEEP:", REMOTE_SYSTEM_POWER, false, 0},
    {KLCONTROL_LOCATE, "KLCONTROL_LOCATE: onOff:%d", REMOTE_SYSTEM_LOCATE, true, 0},
    {KLCONTROL_FACTORY_RESET, "KLCONTROL_FACTORY_RESET: resetType:%d", REMOTE_SYSTEM_FACTORY_RESET, true, 0},
    {KLCONTROL_SET_WIRED_USB_CONTROL, "KLCONTROL_SET_WIRED_USB_CONTROL: %d\n",
     REMOTE_SYSTEM_WIRED_USB_CONTROL_SET, true, 0},
};

uint8_t byteOf(const MsgElement* arg) {
  uint8_t value = 0;
  arg->getUint8(&value);
  return value;
}

int sendSystemByte(klc_remote_api api, uint8_t value) {
  return klc_send_remote_api_payload(klcontrol_camera(), api, &value, 1);
}

const SystemByteRequest* byteRequestOf(klcontrol_command_t command) {
  for (const SystemByteRequest& row : BYTE_REQUESTS) {
    if (row.command == command) return &row;
  }
  return nullptr;
}

// A client that says it is not in control while the camera itself is, hands control back (2).
uint8_t controlStatusToSend(uint8_t requested) {
  appc_system_all_status status;
  klcontrol_block_reply reply;
  const int result = klcontrol_read_block(status, reply);
  if (result != 0) {
    LOG(UTIL_LOG_ERROR, "klc_send_remote_api_for_response REMOTE_SYSTEM_ALL_STATUS_GET error, %d\n", result);
    LOG(UTIL_LOG_ERROR, "Unable to check if camera has control, for camera_control_status request[%d]\n",
        int(requested));
    return requested;
  }
  return status.camera_control_status == 1 && requested == 0 ? 2 : requested;
}

}  // namespace

int KlcontrolCommandServer::cmdFwUpdateStart(Msg& msg, MsgElement*) {
  LOG(UTIL_LOG_DEBUG, "KLCONTROL_FW_UPDATE_START:");
  return answer(msg, klc_fwupdate_download_start(klcontrol_camera()));
}

int KlcontrolCommandServer::cmdFwUpdateCancel(Msg& msg, MsgElement*) {
  LOG(UTIL_LOG_DEBUG, "KLCONTROL_FW_UPDATE_CANCEL:");
  return answer(msg, klc_fwupdate_download_cancel(klcontrol_camera()));
}

int KlcontrolCommandServer::cmdFwUpdateDone(Msg& msg, MsgElement* arg) {
  LOG(UTIL_LOG_DEBUG, "KLCONTROL_FW_UPDATE_DONE:");
  return answer(msg, klc_fwupdate_download_done(klcontrol_camera(), byteOf(arg) != 0));
}

int KlcontrolCommandServer::cmdSystemByteRequest(Msg& msg, MsgElement* arg) {
  const SystemByteRequest* row = byteRequestOf(klcontrol_command_of(msg));
  if (row == nullptr) return answer(msg, KL_ERR_NOT_SUPPORTED);
  const uint8_t value = row->fromArgument ? byteOf(arg) : row->constant;
  LOG(UTIL_LOG_DEBUG, row->line, int(value));
  return answer(msg, sendSystemByte(row->api, value));
}

// The reply is the payload whatever it holds; a failed call answers without one.
int KlcontrolCommandServer::cmdAnalyticsFilenameGet(Msg& msg, MsgElement*) {
  LOG(UTIL_LOG_DEBUG, "KLCONTROL_ANALYTICS_FILENAME_GET:");
  uint8_t* reply = nullptr;
  uint16_t length = 0;
  const int status = klc_send_remote_api_for_response(klcontrol_camera(),
                                                      REMOTE_SYSTEM_ANALYTICS_FILENAME_GET, &reply, &length);
  sendResponse(msg, status, status == KL_OK ? reply : nullptr, length);
  return status;
}

int KlcontrolCommandServer::cmdAnalyticsClear(Msg& msg, MsgElement*) {
  LOG(UTIL_LOG_DEBUG, "KLCONTROL_ANALYTICS_CLEAR:");
  return answer(msg, klc_send_simple_remote_api(klcontrol_camera(), REMOTE_SYSTEM_ANALYTICS_CLEAR));
}

// Kept for clients that still send it; the camera is not involved.
int KlcontrolCommandServer::cmdRemoteApi(Msg& msg, MsgElement*) {
  LOG(UTIL_LOG_DEBUG, "KLCONTROL_REMOTE_API:");
  return answer(msg, KL_OK);
}

// Levels of 7 and above are ignored by the logger; the answer is 0 either way.
int KlcontrolCommandServer::cmdSetLogLevel(Msg& msg, MsgElement* arg) {
  uint32_t level = 0;
  arg->getUint32(&level);
  LOG(UTIL_LOG_DEBUG, "KLCONTROL_SET_LOG_LEVEL: level:%d", int(level));
  klUtilSetLogLevel(level);
  return answer(msg, KL_OK);
}

// The flag stays stored whatever the camera answers: the set-setting command reads it.
int KlcontrolCommandServer::cmdSetInContextualMenu(Msg& msg, MsgElement* arg) {
  mInContextualMenu = byteOf(arg);
  LOG(UTIL_LOG_DEBUG, "KLCONTROL_SET_IN_CONTEXTUAL_MENU: %d", int(mInContextualMenu));
  return answer(msg, sendSystemByte(REMOTE_SYSTEM_CONTEXTUAL_MENU_SET, mInContextualMenu));
}

// An unreadable camera status does not stop the command: the requested status is sent.
int KlcontrolCommandServer::cmdSetCameraControlStatus(Msg& msg, MsgElement* arg) {
  const uint8_t status = controlStatusToSend(byteOf(arg));
  LOG(UTIL_LOG_DEBUG, "KLCONTROL_SET_CAMERA_CONTROL_STATUS: %d\n", int(status));
  return answer(msg, sendSystemByte(REMOTE_SYSTEM_CAMERA_CONTROL_STATUS_SET, status));
}
