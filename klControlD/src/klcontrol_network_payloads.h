// Byte layouts of the Wi-Fi commands: the payloads sent on the accessory-port channel, and the
// filling of the network list answered to clients (its layout is the client library's).
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "klcontrol_network_list.h"

// The record size the camera uses in scan results and in the network payload's second byte.
constexpr unsigned KLCONTROL_NETWORK_RECORD_SIZE = 127;
// Reply of the "al" request: status, scan id, two reserved bytes, record count, total, reserved.
constexpr unsigned KLCONTROL_NETWORK_REPLY_HEADER = 7;
constexpr unsigned KLCONTROL_NETWORK_RECORD_NAME = 2;
constexpr unsigned KLCONTROL_NETWORK_RECORD_VALUE = 118;

#pragma pack(push, 1)
// Payload of the "CT", "CL" and "CD" requests.
struct klcontrol_network_payload_t {
  uint8_t operation;    // 1 select or delete all, 0 delete one
  uint8_t record_size;  // always KLCONTROL_NETWORK_RECORD_SIZE
  uint8_t auth_type;
  uint8_t pad;
  char name[32];  // at most 31 characters and a zero
  uint8_t pad2;
  char password[63];  // at most 62 characters and a zero
  uint8_t pad3[28];
};
#pragma pack(pop)

static_assert(sizeof(klcontrol_network_payload_t) == 128, "network payload");
static_assert(offsetof(klcontrol_network_payload_t, name) == 4, "payload name");
static_assert(offsetof(klcontrol_network_payload_t, password) == 37, "payload password");

enum klcontrol_network_operation_t : uint8_t {
  KLCONTROL_NETWORK_SELECT,
  KLCONTROL_NETWORK_DELETE,
  KLCONTROL_NETWORK_DELETE_ALL,
};

// The 128-byte payload of a select, delete or delete-all; name and password are cut to their fields.
klcontrol_network_payload_t klcontrol_network_payload(klcontrol_network_operation_t operation,
                                                      uint8_t authType, const std::string& name,
                                                      const std::string& password);

// The "AP" payload that names the access point: code, 1, password length and bytes, name length and
// bytes. keepRunning picks code 0 instead of 6.
std::vector<uint8_t> klcontrol_ap_name_payload(const std::string& name, const std::string& password,
                                               bool keepRunning);

// The "CQ" payload: the name and its zero, then the password and its zero when there is one.
// False when the name is not 1 to 32 characters or the password is longer than 63.
bool klcontrol_save_network_payload(const std::string& name, const std::string& password,
                                    std::vector<uint8_t>& payload);

// Fills list from a reply of length bytes (at least one) of the "al" request: KL_ERR with list left
// zero when the reply's status byte is not 0, else 0. Only whole records within the reply are read.
int klcontrol_fill_network_list(uint8_t offset, const uint8_t* reply, unsigned length, uint8_t* list);
