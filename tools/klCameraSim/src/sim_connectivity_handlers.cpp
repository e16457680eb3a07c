// The wireless side: access point on/off and its name ("AP"), BLE ("AP" 0x24), the band (remote API
// 6/19), scanning ("NI") and listing ("al") networks, saving ("CQ"), joining ("CT", "CL") and
// forgetting ("CD") them, and remote-control pairing ("PD", "PX").
#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>

#include "camera_accessory_port.h"
#include "klErrno.h"
#include "sim_handlers.h"

namespace {

constexpr uint8_t kMaxListed = 10;
constexpr int8_t kPairing = 1;

uint32_t auxpodKey(const char* code) {
  return klc_link_key(KLC_LINK_GROUP_AUXPOD, klc_auxpod_id(code[0], code[1]));
}

void setStatus(SimCamera& camera, size_t offset, int64_t value) {
  camera.write(SimBlock::STATUS, unsigned(offset), 1, value);
}

std::string textIn(const uint8_t* bytes, size_t field) {
  const char* text = reinterpret_cast<const char*>(bytes);
  return std::string(text, strnlen(text, field));
}

// "AP" with a length-prefixed password and name; false when the lengths do not tile the payload.
bool accessPointName(SimCamera& camera, const klc_link_request& request) {
  const uint8_t* p = request.payload;
  const unsigned length = request.payloadLength;
  if (length < 4 || (p[0] != KLC_AP_NAME_KEEP_RUNNING && p[0] != KLC_AP_RESTART) || p[1] != KLC_AP_NAME_MARK)
    return false;
  const unsigned passwordLength = p[2];
  if (3u + passwordLength >= length || 4u + passwordLength + p[3 + passwordLength] != length) return false;
  const std::string password(reinterpret_cast<const char*>(p + 3), passwordLength);
  const std::string name(reinterpret_cast<const char*>(p + 4 + passwordLength), p[3 + passwordLength]);
  camera.wireless().setAccessPoint(name, password);
  return true;
}

// Two-byte "AP" codes.
bool accessPointSwitch(SimCamera& camera, const klc_link_request& request) {
  if (request.payloadLength != 2 || request.payload[1] != 0) return false;
  switch (request.payload[0]) {
    case KLC_AP_OFF:
      setStatus(camera, offsetof(appc_system_all_status, wifi_ap_state), 0);
      return true;
    case KLC_AP_ON:
    case KLC_AP_RESTART:
      setStatus(camera, offsetof(appc_system_all_status, wifi_ap_state), 1);
      return true;
    case KLC_AP_BLE_TOGGLE:
      setStatus(camera, offsetof(appc_system_all_status, ble_state), camera.status().ble_state == 0 ? 1 : 0);
      return true;
  }
  return false;
}

void accessPoint(SimCamera& camera, const klc_link_request& request, SimReply& reply) {
  if (!accessPointSwitch(camera, request) && !accessPointName(camera, request))
    reply.status = KL_ERR_INVALID_PARAM;
}

void band(SimCamera& camera, const klc_link_request& request, SimReply& reply) {
  uint8_t value = 0;
  if (!simPayloadByte(request, value) || value > KLC_WIFI_LAST_BAND) {
    reply.status = KL_ERR_INVALID_PARAM;
    return;
  }
  setStatus(camera, offsetof(appc_system_all_status, wifi_band), value);
}

void scan(SimCamera& camera, const klc_link_request& request, SimReply& reply) {
  if (request.payloadLength != sizeof KLC_AUX_SCAN_START ||
      std::memcmp(request.payload, KLC_AUX_SCAN_START, sizeof KLC_AUX_SCAN_START) != 0) {
    reply.status = KL_ERR_INVALID_PARAM;
    return;
  }
  const klc_scan_answer answer{0, camera.wireless().scan()};
  setStatus(camera, offsetof(appc_system_all_status, wifi_scan_state), 1);
  simAnswerBytes(reply, &answer, sizeof answer);
}

void appendRecord(const SimWireless& wireless, const SimNetwork& network, std::vector<uint8_t>& answer) {
  klc_network_record record{};
  record.auth_type = network.authType;
  record.flags = uint8_t((wireless.isSaved(network.name) ? KLC_NETWORK_SAVED : 0) |
                         (wireless.joined() == network.name ? KLC_NETWORK_JOINED : 0));
  // The name keeps a zero after it.
  std::memcpy(record.name, network.name.data(), std::min(network.name.size(), sizeof record.name - 1));
  record.signal = network.signal;
  const uint8_t* bytes = reinterpret_cast<const uint8_t*>(&record);
  answer.insert(answer.end(), bytes, bytes + sizeof record);
}

// The answer: its header, then the records asked for.
void list(SimCamera& camera, const klc_link_request& request, SimReply& reply) {
  klc_network_list_request asked{};
  if (request.payloadLength != sizeof asked) {
    reply.status = KL_ERR_INVALID_PARAM;
    return;
  }
  std::memcpy(&asked, request.payload, sizeof asked);
  const SimWireless& wireless = camera.wireless();
  const std::vector<SimNetwork>& results = wireless.results();
  const size_t wanted = asked.wanted < kMaxListed ? asked.wanted : kMaxListed;
  const size_t count = asked.offset < results.size() ? std::min(wanted, results.size() - asked.offset) : 0;
  klc_network_list_header header{};
  header.status = wireless.scanId() == 0 ? KLC_NETWORK_NOT_SCANNED : 0;
  header.scan_id = wireless.scanId();
  header.count = uint8_t(count);
  header.total = uint8_t(results.size());
  simAnswerBytes(reply, &header, sizeof header);
  for (size_t i = 0; i < count; ++i) appendRecord(wireless, results[asked.offset + i], reply.answer);
}

// Payload: the name and its zero, then maybe the password and its zero.
void save(SimCamera& camera, const klc_link_request& request, SimReply& reply) {
  const uint8_t* p = request.payload;
  const size_t length = request.payloadLength;
  const size_t nameLength = strnlen(reinterpret_cast<const char*>(p), length);
  const size_t rest = nameLength < length ? length - nameLength - 1 : 0;
  const size_t passwordLength =
      rest > 0 ? strnlen(reinterpret_cast<const char*>(p + nameLength + 1), rest) : 0;
  const bool tiled = nameLength < length && (rest == 0 || (passwordLength > 0 && passwordLength + 1 == rest));
  if (nameLength == 0 || !tiled) {
    reply.status = KL_ERR_INVALID_PARAM;
    return;
  }
  camera.wireless().save(textIn(p, nameLength), textIn(p + nameLength + 1, passwordLength));
}

// The network payload of the operation, or false.
bool networkPayload(const klc_link_request& request, uint8_t operation, klc_network_payload& payload) {
  if (request.payloadLength != sizeof payload) return false;
  std::memcpy(&payload, request.payload, sizeof payload);
  return payload.operation == operation && payload.record_size == sizeof(klc_network_record);
}

template <size_t N>
std::string textIn(const char (&field)[N]) {
  return textIn(reinterpret_cast<const uint8_t*>(field), N);
}

void join(SimCamera& camera, const klc_link_request& request, SimReply& reply, bool withPassword) {
  klc_network_payload payload{};
  if (!networkPayload(request, KLC_NETWORK_ALL_OR_JOIN, payload)) {
    reply.status = KL_ERR_INVALID_PARAM;
    return;
  }
  const std::string password = withPassword ? textIn(payload.password) : "";
  reply.status = camera.wireless().join(textIn(payload.name), password, payload.auth_type);
}

void joinProtected(SimCamera& camera, const klc_link_request& request, SimReply& reply) {
  join(camera, request, reply, true);
}

void joinOpen(SimCamera& camera, const klc_link_request& request, SimReply& reply) {
  join(camera, request, reply, false);
}

void forget(SimCamera& camera, const klc_link_request& request, SimReply& reply) {
  klc_network_payload payload{};
  if (networkPayload(request, KLC_NETWORK_ALL_OR_JOIN, payload)) {
    camera.wireless().forgetAll();
  } else if (networkPayload(request, KLC_NETWORK_ONE, payload)) {
    reply.status = camera.wireless().forget(textIn(payload.name));
  } else {
    reply.status = KL_ERR_INVALID_PARAM;
  }
}

void pair(SimCamera& camera, const klc_link_request& request, SimReply& reply) {
  if (request.payloadLength != sizeof KLC_AUX_PAIR_START ||
      std::memcmp(request.payload, KLC_AUX_PAIR_START, sizeof KLC_AUX_PAIR_START) != 0) {
    reply.status = KL_ERR_INVALID_PARAM;
    return;
  }
  setStatus(camera, offsetof(appc_system_all_status, rc_pair_state), kPairing);
}

void cancelPairing(SimCamera& camera, const klc_link_request&, SimReply& reply) {
  const bool pairing = camera.status().rc_pair_state == kPairing;
  if (pairing) setStatus(camera, offsetof(appc_system_all_status, rc_pair_state), 0);
  reply.answer = {pairing ? KLC_AUX_PAIR_CANCELLED : KLC_AUX_PAIR_NOT_RUNNING};
}

}  // namespace

void simAddConnectivityHandlers(SimHandlerTable& table) {
  table.add({
      {auxpodKey(KLC_AUX_ACCESS_POINT), accessPoint},
      {REMOTE_WIFI_BAND_SELECT, band},
      {auxpodKey(KLC_AUX_SCAN), scan},
      {auxpodKey(KLC_AUX_LIST), list},
      {auxpodKey(KLC_AUX_SAVE), save},
      {auxpodKey(KLC_AUX_JOIN_PROTECTED), joinProtected},
      {auxpodKey(KLC_AUX_JOIN_OPEN), joinOpen},
      {auxpodKey(KLC_AUX_FORGET), forget},
      {auxpodKey(KLC_AUX_PAIR), pair},
      {auxpodKey(KLC_AUX_PAIR_CANCEL), cancelPairing},
  });
}
