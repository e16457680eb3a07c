// Connectivity commands: the Wi-Fi access point, its name and band, scanning for and managing the
// networks the camera joins, remote-control pairing and BLE. Most go to the accessory-port channel
// as small binary payloads built here.
#include <string>

#include "klErrno.h"
#include "klcontrol_arg_fields.h"
#include "klcontrol_if_server.h"
#include "klcontrol_log.h"
#include "klcontrol_network_payloads.h"

constexpr const char* LOG_SOURCE = "klcontrol_if_server";

namespace {

// Fields of the raw arguments.
constexpr unsigned NAME_FIELD = 33;
constexpr unsigned AP_PASSWORD_FIELD = 71;
constexpr unsigned AP_FLAG_OFFSET = 104;
constexpr unsigned PASSWORD_FIELD = 67;
constexpr unsigned AUTH_OFFSET = 100;

int auxpod(const char* code, const void* payload, uint16_t length) {
  return klc_send_auxpod_command(klcontrol_camera(), code, payload, length, nullptr, nullptr);
}

std::string nameOf(const MsgElement* arg) {
  return klcontrol_arg_text(arg, 0, NAME_FIELD);
}

std::string passwordOf(const MsgElement* arg, unsigned field) {
  return klcontrol_arg_text(arg, NAME_FIELD, field);
}

// A value the command does not accept, refused like a missing argument.
int refused() {
  LOG(UTIL_LOG_ERROR, "Invalid parameter");
  return KL_ERR_INVALID_PARAM;
}

}  // namespace

// Actions 0, 1, 2 are the camera's codes off, on, restart.
int KlcontrolCommandServer::cmdWifiApControl(Msg& msg, MsgElement* arg) {
  static const uint8_t CODES[] = {KLC_AP_OFF, KLC_AP_ON, KLC_AP_RESTART};
  uint32_t action = 0;
  arg->getUint32(&action);
  LOG(UTIL_LOG_DEBUG, "KLCONTROL_WIFI_AP_CONTROL: action:%d", int(action));
  if (action >= sizeof CODES) return answer(msg, refused());
  const uint8_t payload[2] = {CODES[action], 0};
  return answer(msg, auxpod(KLC_AUX_ACCESS_POINT, payload, sizeof payload));
}

int KlcontrolCommandServer::cmdWifiApSsidConfig(Msg& msg, MsgElement* arg) {
  const std::string name = nameOf(arg);
  const std::string password = passwordOf(arg, AP_PASSWORD_FIELD);
  LOG(UTIL_LOG_DEBUG, "KLCONTROL_WIFI_AP_SSID_CONFIG: ssid[%s] password[%s]", name.c_str(), password.c_str());
  if (name.empty() || password.empty()) return answer(msg, KL_ERR_INVALID_PARAM);
  const std::vector<uint8_t> payload =
      klcontrol_ap_name_payload(name, password, klcontrol_arg_word(arg, AP_FLAG_OFFSET) == 1);
  return answer(msg, auxpod(KLC_AUX_ACCESS_POINT, payload.data(), uint16_t(payload.size())));
}

int KlcontrolCommandServer::cmdWifiBandSelect(Msg& msg, MsgElement* arg) {
  uint32_t band = 0;
  arg->getUint32(&band);
  LOG(UTIL_LOG_DEBUG, "KLCONTROL_WIFI_BAND_SELECT: band:%d", int(band));
  if (band > KLC_WIFI_LAST_BAND) return answer(msg, refused());
  const uint8_t payload = uint8_t(band);
  return answer(msg, klc_send_remote_api_payload(klcontrol_camera(), REMOTE_WIFI_BAND_SELECT, &payload, 1));
}

// Every answer carries the scan id, 0 unless the camera gave one.
int KlcontrolCommandServer::cmdWifiSsidScan(Msg& msg, MsgElement* arg) {
  uint8_t start = 0;
  arg->getUint8(&start);
  LOG(UTIL_LOG_DEBUG, "KLCONTROL_WIFI_SSID_SCAN: start:%d", int(start));
  uint32_t scanId = 0;
  int status = KL_ERR_NOT_SUPPORTED;
  if (start == 1) {
    uint8_t* reply = nullptr;
    uint16_t length = 0;
    status = klc_send_auxpod_command(klcontrol_camera(), KLC_AUX_SCAN, KLC_AUX_SCAN_START,
                                     sizeof KLC_AUX_SCAN_START, &reply, &length);
    if (reply == nullptr || length < sizeof(klc_scan_answer)) {
      LOG(UTIL_LOG_ERROR, "Results from scan start not long enough to hold a scan id");
    } else {
      scanId = reinterpret_cast<const klc_scan_answer*>(reply)->scan_id;
    }
  }
  sendResponse(msg, status, &scanId, sizeof scanId);
  return status;
}

int KlcontrolCommandServer::cmdWifiSsidList(Msg& msg, MsgElement* arg) {
  uint8_t offset = 0;
  arg->getUint8(&offset);
  LOG(UTIL_LOG_DEBUG, "KLCONTROL_WIFI_SSID_LIST: offset:%d", int(offset));
  const klc_network_list_request request{
      offset, KLCONTROL_NETWORK_LIST_ENTRIES, {KLC_NETWORK_LIST_FILTER[0], KLC_NETWORK_LIST_FILTER[1]}, 1};
  uint8_t* reply = nullptr;
  uint16_t length = 0;
  int status =
      klc_send_auxpod_command(klcontrol_camera(), KLC_AUX_LIST, &request, sizeof request, &reply, &length);
  uint8_t list[KLCONTROL_NETWORK_LIST_SIZE] = {};
  if (status == KL_OK && reply != nullptr && length > 0)
    status = klcontrol_fill_network_list(offset, reply, length, list);
  sendResponse(msg, status, list, sizeof list);
  return status;
}

int KlcontrolCommandServer::cmdWifiSsidSave(Msg& msg, MsgElement* arg) {
  const std::string name = nameOf(arg);
  const std::string password = passwordOf(arg, PASSWORD_FIELD);
  LOG(UTIL_LOG_DEBUG, "KLCONTROL_WIFI_SSID_SAVE: ssid[%s] password[%s]", name.c_str(), password.c_str());
  std::vector<uint8_t> payload;
  if (!klcontrol_save_network_payload(name, password, payload)) return answer(msg, refused());
  return answer(msg, auxpod(KLC_AUX_SAVE, payload.data(), uint16_t(payload.size())));
}

int KlcontrolCommandServer::cmdWifiSsidSelect(Msg& msg, MsgElement* arg) {
  const std::string name = nameOf(arg);
  const std::string password = passwordOf(arg, PASSWORD_FIELD);
  const uint32_t auth = klcontrol_arg_word(arg, AUTH_OFFSET);
  LOG(UTIL_LOG_DEBUG, "KLCONTROL_WIFI_SSID_SELECT: ssid[%s] password[%s] auth_type:%d", name.c_str(),
      password.c_str(), int(auth));
  if (name.empty() || auth > 255) return answer(msg, refused());
  const klc_network_payload payload =
      klcontrol_network_payload(KLCONTROL_NETWORK_SELECT, uint8_t(auth), name, password);
  return answer(
      msg, auxpod(password.empty() ? KLC_AUX_JOIN_OPEN : KLC_AUX_JOIN_PROTECTED, &payload, sizeof payload));
}

int KlcontrolCommandServer::cmdWifiSsidDelete(Msg& msg, MsgElement* arg) {
  const std::string name = nameOf(arg);
  LOG(UTIL_LOG_DEBUG, "KLCONTROL_WIFI_SSID_DELETE: ssid[%s]", name.c_str());
  if (name.empty()) return answer(msg, refused());
  const klc_network_payload payload = klcontrol_network_payload(KLCONTROL_NETWORK_DELETE, 0, name, "");
  return answer(msg, auxpod(KLC_AUX_FORGET, &payload, sizeof payload));
}

int KlcontrolCommandServer::cmdWifiSsidDeleteAll(Msg& msg, MsgElement*) {
  LOG(UTIL_LOG_DEBUG, "KLCONTROL_WIFI_SSID_DELETE_ALL:");
  const klc_network_payload payload = klcontrol_network_payload(KLCONTROL_NETWORK_DELETE_ALL, 0, "", "");
  return answer(msg, auxpod(KLC_AUX_FORGET, &payload, sizeof payload));
}

int KlcontrolCommandServer::cmdRcPair(Msg& msg, MsgElement*) {
  LOG(UTIL_LOG_DEBUG, "KLCONTROL_RC_PAIR:");
  return answer(msg, auxpod(KLC_AUX_PAIR, KLC_AUX_PAIR_START, sizeof KLC_AUX_PAIR_START));
}

// Only a single zero byte from the camera confirms the cancel.
int KlcontrolCommandServer::cmdRcPairCancel(Msg& msg, MsgElement*) {
  LOG(UTIL_LOG_DEBUG, "KLCONTROL_RC_PAIR_CANCEL:");
  uint8_t* reply = nullptr;
  uint16_t length = 0;
  int status = klc_send_auxpod_command(klcontrol_camera(), KLC_AUX_PAIR_CANCEL, nullptr, 0, &reply, &length);
  if (status == KL_OK && (reply == nullptr || length != 1 || reply[0] != KLC_AUX_PAIR_CANCELLED))
    status = KL_ERR;
  return answer(msg, status);
}

int KlcontrolCommandServer::cmdBleControl(Msg& msg, MsgElement*) {
  LOG(UTIL_LOG_DEBUG, "KLCONTROL_BLE_CONTROL");
  const uint8_t payload[2] = {KLC_AP_BLE_TOGGLE, 0};
  return answer(msg, auxpod(KLC_AUX_ACCESS_POINT, payload, sizeof payload));
}
