// Byte layouts of the Wi-Fi commands: the payloads sent on the accessory-port channel and the
// 492-byte network list answered to clients. The list layout is header-only so that clients decode
// it from the same definition.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

constexpr uint8_t KLC_NETWORK_LIST_ENTRIES = 10;
// The record size the camera uses in scan results and in the network payload's second byte.
constexpr unsigned KLC_NETWORK_RECORD_SIZE = 127;
// Reply of the "al" request: status, scan id, two reserved bytes, record count, total, reserved.
constexpr unsigned KLC_NETWORK_REPLY_HEADER = 7;
constexpr unsigned KLC_NETWORK_RECORD_NAME = 2;
constexpr unsigned KLC_NETWORK_RECORD_VALUE = 118;

#pragma pack(push, 1)
// One joinable network as listed to clients.
struct klc_network_entry_t {
  char name[32];  // at most 31 characters and a zero
  uint8_t pad[4];
  uint32_t auth_type;  // record byte 0
  int32_t signal;      // record bytes 118-121 (dBm on the simulated camera)
  uint8_t flags;       // record byte 1 (bit 0 saved, bit 1 joined on the simulated camera)
  uint8_t pad2[3];
};

// Answer payload of KLCONTROL_WIFI_SSID_LIST.
struct klc_network_list_t {
  uint8_t offset;  // the request's offset
  uint8_t pad;
  uint16_t scan_id;  // reply byte 1
  uint16_t count;    // entries filled
  uint16_t pad2;
  uint32_t total;  // reply byte 5: networks the scan found
  klc_network_entry_t entries[KLC_NETWORK_LIST_ENTRIES];
};

// Payload of the "CT", "CL" and "CD" requests.
struct klc_network_payload_t {
  uint8_t operation;    // 1 select or delete all, 0 delete one
  uint8_t record_size;  // always KLC_NETWORK_RECORD_SIZE
  uint8_t auth_type;
  uint8_t pad;
  char name[32];  // at most 31 characters and a zero
  uint8_t pad2;
  char password[63];  // at most 62 characters and a zero
  uint8_t pad3[28];
};
#pragma pack(pop)

static_assert(sizeof(klc_network_entry_t) == 48, "network entry");
static_assert(offsetof(klc_network_entry_t, auth_type) == 36, "entry auth");
static_assert(offsetof(klc_network_entry_t, signal) == 40, "entry value");
static_assert(offsetof(klc_network_entry_t, flags) == 44, "entry flags");
static_assert(sizeof(klc_network_list_t) == 492, "network list");
static_assert(offsetof(klc_network_list_t, entries) == 12, "first entry");
static_assert(sizeof(klc_network_payload_t) == 128, "network payload");
static_assert(offsetof(klc_network_payload_t, name) == 4, "payload name");
static_assert(offsetof(klc_network_payload_t, password) == 37, "payload password");

constexpr unsigned KLC_NETWORK_LIST_SIZE = sizeof(klc_network_list_t);

enum klc_network_operation_t : uint8_t {
  KLC_NETWORK_SELECT,
  KLC_NETWORK_DELETE,
  KLC_NETWORK_DELETE_ALL,
};

// The 128-byte payload of a select, delete or delete-all; name and password are cut to their fields.
klc_network_payload_t klcNetworkPayload(klc_network_operation_t operation, uint8_t authType,
                                        const std::string& name, const std::string& password);

// The "AP" payload that names the access point: code, 1, password length and bytes, name length and
// bytes. keepRunning picks code 0 instead of 6.
std::vector<uint8_t> klcApNamePayload(const std::string& name, const std::string& password, bool keepRunning);

// The "CQ" payload: the name and its zero, then the password and its zero when there is one.
// False when the name is not 1 to 32 characters or the password is longer than 63.
bool klcSaveNetworkPayload(const std::string& name, const std::string& password,
                           std::vector<uint8_t>& payload);

// Fills list from a reply of length bytes (at least one) of the "al" request: KL_ERR with list left
// zero when the reply's status byte is not 0, else 0. Only whole records within the reply are read.
int klcFillNetworkList(uint8_t offset, const uint8_t* reply, unsigned length, uint8_t* list);
