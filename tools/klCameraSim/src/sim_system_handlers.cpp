// System requests: firmware-update hand-off, power, locate, factory reset, the analytics file, and
// what clients report about themselves (contextual menu, control status, wired USB control).
#include <cstdio>

#include "sim_handlers.h"
#include "sim_system_values.h"

namespace {

enum : uint8_t { FW_IDLE = 0, FW_DOWNLOADING = 1, FW_DOWNLOADED = 2, FW_FAILED = 3 };

// A one-byte payload of at most max, or a refusal.
bool flagPayload(const klc_link_request& request, uint8_t max, uint8_t& value, SimReply& reply) {
  if (simPayloadByte(request, value) && value <= max) return true;
  simRefuse(reply);
  return false;
}

void fwStart(SimCamera& camera, const klc_link_request&, SimReply& reply) {
  if (camera.system().fw_update_state == FW_DOWNLOADING) return simRefuse(reply);
  simSetSystem(camera, SIM_SYSTEM_VALUE(fw_update_state), FW_DOWNLOADING);
}

void fwCancel(SimCamera& camera, const klc_link_request&, SimReply& reply) {
  if (camera.system().fw_update_state != FW_DOWNLOADING) return simRefuse(reply);
  simSetSystem(camera, SIM_SYSTEM_VALUE(fw_update_state), FW_IDLE);
}

void fwDone(SimCamera& camera, const klc_link_request& request, SimReply& reply) {
  uint8_t succeeded = 0;
  if (!flagPayload(request, 1, succeeded, reply)) return;
  if (camera.system().fw_update_state != FW_DOWNLOADING) return simRefuse(reply);
  simSetSystem(camera, SIM_SYSTEM_VALUE(fw_update_state), succeeded != 0 ? FW_DOWNLOADED : FW_FAILED);
}

// Payload 1 switches the camera off, 0 puts it to sleep.
void power(SimCamera& camera, const klc_link_request& request, SimReply& reply) {
  uint8_t off = 0;
  if (!flagPayload(request, 1, off, reply)) return;
  simSetSystem(camera, SIM_SYSTEM_VALUE(power_state), off != 0 ? SIM_POWER_OFF : SIM_POWER_ASLEEP);
}

void locate(SimCamera& camera, const klc_link_request& request, SimReply& reply) {
  uint8_t on = 0;
  if (flagPayload(request, 1, on, reply)) simSetSystem(camera, SIM_SYSTEM_VALUE(locate), on);
}

// Every reset type brings back the factory state of the camera's model; the media card stays.
void factoryReset(SimCamera& camera, const klc_link_request& request, SimReply& reply) {
  uint8_t type = 0;
  if (!simPayloadByte(request, type)) return simRefuse(reply);
  camera.factoryReset();
}

// The path of the current analytics file, zero-terminated.
void analyticsName(SimCamera& camera, const klc_link_request&, SimReply& reply) {
  char name[64];
  const int length = std::snprintf(name, sizeof name, "/tmp/fuse_d/MISC/analytics_%04u.bin",
                                   unsigned(camera.system().analytics_file));
  simAnswerBytes(reply, name, size_t(length) + 1);
}

void analyticsClear(SimCamera& camera, const klc_link_request&, SimReply&) {
  simSetSystem(camera, SIM_SYSTEM_VALUE(analytics_file), uint16_t(camera.system().analytics_file + 1));
  simSetSystem(camera, SIM_SYSTEM_VALUE(analytics_bytes), 0);
}

void contextualMenu(SimCamera& camera, const klc_link_request& request, SimReply& reply) {
  uint8_t in = 0;
  if (flagPayload(request, 1, in, reply)) {
    camera.write(SimBlock::STATUS, unsigned(offsetof(appc_system_all_status, in_contextual_menu)), 1, in);
  }
}

// Statuses 0 (none), 1 (client in control) and 2 (control handed back to the camera).
void controlStatus(SimCamera& camera, const klc_link_request& request, SimReply& reply) {
  uint8_t status = 0;
  if (flagPayload(request, 2, status, reply)) simSetSystem(camera, SIM_SYSTEM_VALUE(camera_control), status);
}

void wiredUsb(SimCamera& camera, const klc_link_request& request, SimReply& reply) {
  uint8_t on = 0;
  if (flagPayload(request, 1, on, reply)) simSetSystem(camera, SIM_SYSTEM_VALUE(wired_usb_control), on);
}

}  // namespace

void simAddSystemHandlers(SimHandlerTable& table) {
  table.add({
      {KLC_OP_FWUPDATE_DOWNLOAD_START, fwStart},
      {KLC_OP_FWUPDATE_DOWNLOAD_CANCEL, fwCancel},
      {KLC_OP_FWUPDATE_DOWNLOAD_DONE, fwDone},
      {REMOTE_SYSTEM_POWER, power},
      {REMOTE_SYSTEM_FACTORY_RESET, factoryReset},
      {REMOTE_SYSTEM_LOCATE, locate},
      {REMOTE_SYSTEM_ANALYTICS_CLEAR, analyticsClear},
      {REMOTE_SYSTEM_ANALYTICS_FILENAME_GET, analyticsName},
      {REMOTE_SYSTEM_CONTEXTUAL_MENU_SET, contextualMenu},
      {REMOTE_SYSTEM_CAMERA_CONTROL_STATUS_SET, controlStatus},
      {REMOTE_SYSTEM_WIRED_USB_CONTROL_SET, wiredUsb},
  });
}
