// The Wi-Fi commands' payloads for the accessory-port channel (their layouts are the camera library's),
// and the filling of the network list answered to clients (its layout is the client library's).
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "camera_accessory_port.h"
#include "klcontrol_network_list.h"

enum klcontrol_network_operation_t : uint8_t {
  KLCONTROL_NETWORK_SELECT,
  KLCONTROL_NETWORK_DELETE,
  KLCONTROL_NETWORK_DELETE_ALL,
};

// The 128-byte payload of a select, delete or delete-all; name and password are cut to their fields.
klc_network_payload klcontrol_network_payload(klcontrol_network_operation_t operation, uint8_t authType,
                                              const std::string& name, const std::string& password);

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
