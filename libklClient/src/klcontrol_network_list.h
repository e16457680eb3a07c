// The 492-byte answer of KLCONTROL_WIFI_SSID_LIST: the networks of the last scan as the daemon lists
// them to clients.
#pragma once
#include <cstddef>
#include <cstdint>

constexpr uint8_t KLCONTROL_NETWORK_LIST_ENTRIES = 10;

#pragma pack(push, 1)
// One joinable network as listed to clients.
struct klcontrol_network_entry_t {
  char name[32];  // at most 31 characters and a zero
  uint8_t pad[4];
  uint32_t auth_type;  // record byte 0
  int32_t signal;      // record bytes 118-121 (dBm on the simulated camera)
  uint8_t flags;       // record byte 1 (bit 0 saved, bit 1 joined on the simulated camera)
  uint8_t pad2[3];
};

// Answer payload of KLCONTROL_WIFI_SSID_LIST.
struct klcontrol_network_list_t {
  uint8_t offset;  // the request's offset
  uint8_t pad;
  uint16_t scan_id;  // reply byte 1
  uint16_t count;    // entries filled
  uint16_t pad2;
  uint32_t total;  // reply byte 5: networks the scan found
  klcontrol_network_entry_t entries[KLCONTROL_NETWORK_LIST_ENTRIES];
};
#pragma pack(pop)

static_assert(sizeof(klcontrol_network_entry_t) == 48, "network entry");
static_assert(offsetof(klcontrol_network_entry_t, auth_type) == 36, "entry auth");
static_assert(offsetof(klcontrol_network_entry_t, signal) == 40, "entry value");
static_assert(offsetof(klcontrol_network_entry_t, flags) == 44, "entry flags");
static_assert(sizeof(klcontrol_network_list_t) == 492, "network list");
static_assert(offsetof(klcontrol_network_list_t, entries) == 12, "first entry");

constexpr unsigned KLCONTROL_NETWORK_LIST_SIZE = sizeof(klcontrol_network_list_t);
