// Accessory-port requests as they cross the camera link (group KLC_LINK_GROUP_AUXPOD, id the two
// characters of the code): the codes, and the payloads and answers of the Wi-Fi, BLE and
// remote-control requests. Daemon and simulator share it.
#pragma once
#include <cstddef>
#include <cstdint>

// The request codes.
inline constexpr char KLC_AUX_ACCESS_POINT[] = "AP";    // switch the access point or BLE, or name it
inline constexpr char KLC_AUX_SCAN[] = "NI";            // scan for networks
inline constexpr char KLC_AUX_LIST[] = "al";            // list the last scan's networks
inline constexpr char KLC_AUX_SAVE[] = "CQ";            // save a network
inline constexpr char KLC_AUX_JOIN_PROTECTED[] = "CT";  // join a network with a password
inline constexpr char KLC_AUX_JOIN_OPEN[] = "CL";       // join a network without one
inline constexpr char KLC_AUX_FORGET[] = "CD";          // forget one or every saved network
inline constexpr char KLC_AUX_PAIR[] = "PD";            // start remote-control pairing
inline constexpr char KLC_AUX_PAIR_CANCEL[] = "PX";     // cancel it

// "AP" switches: two bytes, the code and 0.
enum klc_ap_switch : uint8_t {
  KLC_AP_ON = 1,
  KLC_AP_OFF = 3,
  KLC_AP_RESTART = 6,  // stays on
  KLC_AP_BLE_TOGGLE = 0x24,
};
// "AP" naming the access point: KLC_AP_NAME_KEEP_RUNNING or KLC_AP_RESTART, KLC_AP_NAME_MARK, the
// password's length and bytes, the name's length and bytes.
constexpr uint8_t KLC_AP_NAME_KEEP_RUNNING = 0;
constexpr uint8_t KLC_AP_NAME_MARK = 1;

// "NI" payload that starts a scan.
inline constexpr uint8_t KLC_AUX_SCAN_START[2] = {1, 1};
// "PD" payload.
inline constexpr uint8_t KLC_AUX_PAIR_START[2] = {1, 2};
// "PX" answer: one byte.
enum klc_pair_cancel_answer : uint8_t { KLC_AUX_PAIR_CANCELLED = 0, KLC_AUX_PAIR_NOT_RUNNING = 1 };

// "CQ" payload: the name (1 to this many characters) and its zero, then the password and its zero
// when there is one.
constexpr size_t KLC_SAVE_MAX_NAME = 32;
constexpr size_t KLC_SAVE_MAX_PASSWORD = 63;

#pragma pack(push, 1)
// "NI" answer.
struct klc_scan_answer {
  uint8_t status;
  uint8_t scan_id;  // 1 to 255, one more each scan
};
// "al" payload.
struct klc_network_list_request {
  uint8_t offset;     // first result wanted
  uint8_t wanted;     // most records wanted
  uint8_t filter[2];  // KLC_NETWORK_LIST_FILTER
  uint8_t one;        // 1
};
// Head of the "al" answer, followed by count records.
struct klc_network_list_header {
  uint8_t status;  // 0, or KLC_NETWORK_NOT_SCANNED before any scan
  uint8_t scan_id;
  uint8_t reserved2[2];
  uint8_t count;  // records that follow
  uint8_t total;  // results of the scan in all
  uint8_t reserved6;
};
// One network of the "al" answer.
struct klc_network_record {
  uint8_t auth_type;  // 0 open, else protected
  uint8_t flags;      // KLC_NETWORK_SAVED, KLC_NETWORK_JOINED
  char name[116];     // zero-padded
  int32_t signal;     // dBm
  uint8_t reserved122[5];
};
// Payload of "CT", "CL" and "CD".
struct klc_network_payload {
  uint8_t operation;    // klc_network_operation
  uint8_t record_size;  // always sizeof(klc_network_record)
  uint8_t auth_type;
  uint8_t pad;
  char name[32];  // at most 31 characters and a zero
  uint8_t pad2;
  char password[63];  // at most 62 characters and a zero
  uint8_t pad3[28];
};
#pragma pack(pop)

inline constexpr uint8_t KLC_NETWORK_LIST_FILTER[2] = {0xFF, 0xFF};
constexpr uint8_t KLC_NETWORK_NOT_SCANNED = 1;
enum klc_network_flags : uint8_t { KLC_NETWORK_SAVED = 1, KLC_NETWORK_JOINED = 2 };
// Byte 0 of the network payload: "CD" with 0 forgets the named network, with 1 every one; joins use 1.
enum klc_network_operation : uint8_t { KLC_NETWORK_ONE = 0, KLC_NETWORK_ALL_OR_JOIN = 1 };

static_assert(sizeof(klc_scan_answer) == 2, "scan answer");
static_assert(sizeof(klc_network_list_request) == 5, "list request");
static_assert(sizeof(klc_network_list_header) == 7, "list answer header");
static_assert(offsetof(klc_network_list_header, count) == 4, "record count");
static_assert(offsetof(klc_network_list_header, total) == 5, "total");
static_assert(sizeof(klc_network_record) == 127, "network record");
static_assert(offsetof(klc_network_record, name) == 2, "record name");
static_assert(offsetof(klc_network_record, signal) == 118, "record signal");
static_assert(sizeof(klc_network_payload) == 128, "network payload");
static_assert(offsetof(klc_network_payload, name) == 4, "payload name");
static_assert(offsetof(klc_network_payload, password) == 37, "payload password");
