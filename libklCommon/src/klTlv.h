// TLV messages: a 4-byte header (big-endian length, reserved, category) followed by records of
// a zero byte, a big-endian 16-bit value length, a type and the value, closed by TLV_END.
//
// Readers never leave the message: every walk stops at the length field (capped at KLMSG_MAX),
// and a TLV whose header or value does not lie wholly inside the message is never read or
// returned. A receiver first checks the length field against what it received (tlv_msg_check).
#pragma once
#include <cstdint>

constexpr int KLMSG_MAX = 1500;       // largest valid message, header included
constexpr int TLV_HDR_LEN = 4;        // both the message header and a TLV header
constexpr int TLV_MIN_MSG_LEN = 18;   // shortest message tlv_validate accepts
constexpr int TLV_CATEGORY_BYTE = 3;  // of the message header
constexpr int TLV_TYPE_BYTE = 3;      // of a TLV header

enum : uint8_t {
  TLV_CMD = 0x41,
  TLV_CMDARG = 0x42,
  TLV_DST = 0x43,
  TLV_SRC = 0x44,
  TLV_RSPARG = 0x45,
  TLV_VOID = 0x58,
  TLV_RSPCODE = 0xEC,
  TLV_END = 0xEE,
};

enum : uint8_t {
  CAT_RTOS_CMD = 0x0A,
  CAT_SYS_CMD = 0x10,
  CAT_SYS_RSP = 0x11,
  CAT_CLIENT_CMD = 0x14,
  CAT_CLIENT_RSP = 0x15,
  CAT_CLIENT_EVENT = 0x16,
};

// Writes an empty message (length 4) of the category; returns 4.
int sntlv_msg_init(uint8_t* msg, unsigned capacity, uint8_t category);
// The length field, signed 16 bits widened to int.
int sntlv_msg_len(const uint8_t* msg);
// 0 when the length field of a received message is at least 4, at most received and at most
// KLMSG_MAX; -1 otherwise (also when fewer than 4 bytes were received). Call it before reading.
int tlv_msg_check(const uint8_t* msg, int received);
// Appends a TLV; returns 4 + length, or 0 (buffer unchanged) when it does not fit the capacity
// (or the current length field is below 4). An empty TLV_SRC or TLV_DST is an assertion.
int sntlv_add_bin(uint8_t* msg, unsigned capacity, uint8_t type, unsigned length, const void* value);
// Appends a TLV whose value is the first length (at most 4) bytes of word as it lies in memory.
int sntlv_add_dat(uint8_t* msg, unsigned capacity, uint8_t type, unsigned length, uint32_t word);
// The header of the first TLV of the type lying wholly inside the message, or null.
uint8_t* tlv_find(uint8_t* msg, uint8_t type);
const uint8_t* tlv_find(const uint8_t* msg, uint8_t type);
// Copies the first TLV value of the type when it is shorter than size; returns its length, else 0.
int sntlv_find(void* dst, int size, uint8_t type, const uint8_t* msg);
// Voids the first TLV of the type in place (asserts that it exists).
void sntlv_void(uint8_t* msg, uint8_t type);
// Cuts the first TLV of the type off the end of the message (asserts that it exists); returns
// minus its size. Meant for the trailing TLV_END only.
int sntlv_remove(uint8_t* msg, unsigned capacity, uint8_t type);
// 0 when the message is acceptable; -1 framing, -2 unknown category, -3 a required TLV missing.
// Failures are reported on the debug channel above verbosity 15; the message is not changed.
int tlv_validate(const uint8_t* msg);
// Writes the low n bytes of value as n characters, most significant first; returns n or 0.
int snLoclItoI(char* dst, int size, int n, uint32_t value);
// Copies n bytes when 0 < n <= size; returns n or 0.
int snLoclbin(void* dst, int size, int n, const void* src);

// Reading helpers for the TLV found by tlv_find.
inline unsigned tlv_value_len(const uint8_t* tlv) {
  return (unsigned(tlv[1]) << 8) | tlv[2];
}
inline uint8_t* tlv_value(uint8_t* tlv) {
  return tlv + TLV_HDR_LEN;
}
inline const uint8_t* tlv_value(const uint8_t* tlv) {
  return tlv + TLV_HDR_LEN;
}
