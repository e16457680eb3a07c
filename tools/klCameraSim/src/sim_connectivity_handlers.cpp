// The wireless side: access point on/off and its name ("AP"), BLE ("AP" 0x24), the band (remote API
// 6/19), scanning ("NI") and listing ("al") networks, saving ("CQ"), joining ("CT", "CL") and
// forgetting ("CD") them, and remote-control pairing ("PD", "PX").
#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>

#include "klErrno.h"
#include "sim_handlers.h"

namespace {

constexpr size_t kNetworkPayload = 128;
constexpr unsigned kRecordSize = 127;
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
  if (length < 4 || (p[0] != 0 && p[0] != 6) || p[1] != 1) return false;
  const unsigned passwordLength = p[2];
  if (3u + passwordLength >= length || 4u + passwordLength + p[3 + passwordLength] != length) return false;
  const std::string password(reinterpret_cast<const char*>(p + 3), passwordLength);
  const std::string name(reinterpret_cast<const char*>(p + 4 + passwordLength), p[3 + passwordLength]);
  camera.wireless().setAccessPoint(name, password);
  return true;
}

// Two-byte "AP" codes: 3 off, 1 on, 6 restart (stays on), 0x24 switches BLE.
bool accessPointSwitch(SimCamera& camera, const klc_link_request& request) {
  if (request.payloadLength != 2 || request.payload[1] != 0) return false;
  switch (request.payload[0]) {
    case 3:
      setStatus(camera, offsetof(appc_system_all_status, wifi_ap_state), 0);
      return true;
    case 1:
    case 6:
      setStatus(camera, offsetof(appc_system_all_status, wifi_ap_state), 1);
      return true;
    case 0x24:
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
  if (!simPayloadByte(request, value) || value > 1) {
    reply.status = KL_ERR_INVALID_PARAM;
    return;
  }
  setStatus(camera, offsetof(appc_system_all_status, wifi_band), value);
}

void scan(SimCamera& camera, const klc_link_request& request, SimReply& reply) {
  if (request.payloadLength != 2 || request.payload[0] != 1 || request.payload[1] != 1) {
    reply.status = KL_ERR_INVALID_PARAM;
    return;
  }
  const uint8_t id = camera.wireless().scan();
  setStatus(camera, offsetof(appc_system_all_status, wifi_scan_state), 1);
  reply.answer = {0, id};
}

// Record: authentication type, flags (1 saved, 2 joined), name from byte 2, signal at 118.
void appendRecord(const SimWireless& wireless, const SimNetwork& network, std::vector<uint8_t>& answer) {
  uint8_t record[kRecordSize] = {};
  record[0] = network.authType;
  record[1] = uint8_t((wireless.isSaved(network.name) ? 1 : 0) | (wireless.joined() == network.name ? 2 : 0));
  std::memcpy(record + 2, network.name.data(), network.name.size() < 115 ? network.name.size() : 115);
  std::memcpy(record + 118, &network.signal, sizeof network.signal);
  answer.insert(answer.end(), record, record + kRecordSize);
}

// Payload: offset, most records wanted, two filter bytes, 1. Answer: status (1 before any scan),
// scan id, 0, 0, records, results in all, 0, then the records.
void list(SimCamera& camera, const klc_link_request& request, SimReply& reply) {
  if (request.payloadLength != 5) {
    reply.status = KL_ERR_INVALID_PARAM;
    return;
  }
  const SimWireless& wireless = camera.wireless();
  const std::vector<SimNetwork>& results = wireless.results();
  const size_t offset = request.payload[0];
  const size_t wanted = request.payload[1] < kMaxListed ? request.payload[1] : kMaxListed;
  const size_t count = offset < results.size() ? std::min(wanted, results.size() - offset) : 0;
  reply.answer = {uint8_t(wireless.scanId() == 0 ? 1 : 0),
                  wireless.scanId(),
                  0,
                  0,
                  uint8_t(count),
                  uint8_t(results.size()),
                  0};
  for (size_t i = 0; i < count; ++i) appendRecord(wireless, results[offset + i], reply.answer);
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

bool networkPayload(const klc_link_request& request, uint8_t operation) {
  return request.payloadLength == kNetworkPayload && request.payload[0] == operation &&
         request.payload[1] == kRecordSize;
}

void join(SimCamera& camera, const klc_link_request& request, SimReply& reply, bool withPassword) {
  if (!networkPayload(request, 1)) {
    reply.status = KL_ERR_INVALID_PARAM;
    return;
  }
  const std::string password = withPassword ? textIn(request.payload + 37, 63) : "";
  reply.status = camera.wireless().join(textIn(request.payload + 4, 32), password, request.payload[2]);
}

void joinProtected(SimCamera& camera, const klc_link_request& request, SimReply& reply) {
  join(camera, request, reply, true);
}

void joinOpen(SimCamera& camera, const klc_link_request& request, SimReply& reply) {
  join(camera, request, reply, false);
}

// Byte 0: 0 forgets the named network, 1 every network.
void forget(SimCamera& camera, const klc_link_request& request, SimReply& reply) {
  if (networkPayload(request, 1)) {
    camera.wireless().forgetAll();
  } else if (networkPayload(request, 0)) {
    reply.status = camera.wireless().forget(textIn(request.payload + 4, 32));
  } else {
    reply.status = KL_ERR_INVALID_PARAM;
  }
}

void pair(SimCamera& camera, const klc_link_request& request, SimReply& reply) {
  if (request.payloadLength != 2 || request.payload[0] != 1 || request.payload[1] != 2) {
    reply.status = KL_ERR_INVALID_PARAM;
    return;
  }
  setStatus(camera, offsetof(appc_system_all_status, rc_pair_state), kPairing);
}

// Answers 0 when a pairing was cancelled, 1 when none was running.
void cancelPairing(SimCamera& camera, const klc_link_request&, SimReply& reply) {
  const bool pairing = camera.status().rc_pair_state == kPairing;
  if (pairing) setStatus(camera, offsetof(appc_system_all_status, rc_pair_state), 0);
  reply.answer = {uint8_t(pairing ? 0 : 1)};
}

}  // namespace

void simAddConnectivityHandlers(SimHandlerTable& table) {
  table.add(auxpodKey("AP"), accessPoint);
  table.add(REMOTE_WIFI_BAND_SELECT, band);
  table.add(auxpodKey("NI"), scan);
  table.add(auxpodKey("al"), list);
  table.add(auxpodKey("CQ"), save);
  table.add(auxpodKey("CT"), joinProtected);
  table.add(auxpodKey("CL"), joinOpen);
  table.add(auxpodKey("CD"), forget);
  table.add(auxpodKey("PD"), pair);
  table.add(auxpodKey("PX"), cancelPairing);
}
