#include "klTlv.h"

#include <cstdio>
#include <cstring>

#include "klDebug.h"

namespace {

// The length field is read as signed 16 bits, so no longer message can be described.
constexpr int kMaxLengthField = 0x7FFF;

void put_be16(uint8_t* p, unsigned value) {
  p[0] = static_cast<uint8_t>(value >> 8);
  p[1] = static_cast<uint8_t>(value);
}

// End of the bytes a walk may read: the length field, capped at the largest message.
int walk_end(const uint8_t* msg) {
  const int len = sntlv_msg_len(msg);
  return len < KLMSG_MAX ? len : KLMSG_MAX;
}

// Offset just past the TLV at off, or -1 when its header or value crosses end.
int next_tlv(const uint8_t* msg, int off, int end) {
  if (off + TLV_HDR_LEN > end) return -1;
  const int next = off + TLV_HDR_LEN + static_cast<int>(tlv_value_len(msg + off));
  return next <= end ? next : -1;
}

}  // namespace

int sntlv_msg_init(uint8_t* msg, unsigned /*capacity*/, uint8_t category) {
  put_be16(msg, TLV_HDR_LEN);
  msg[2] = 0;
  msg[TLV_CATEGORY_BYTE] = category;
  return TLV_HDR_LEN;
}

int sntlv_msg_len(const uint8_t* msg) {
  return static_cast<int16_t>((msg[0] << 8) | msg[1]);
}

int tlv_msg_check(const uint8_t* msg, int received) {
  if (received < TLV_HDR_LEN) return -1;
  const int len = sntlv_msg_len(msg);
  return (len >= TLV_HDR_LEN && len <= received && len <= KLMSG_MAX) ? 0 : -1;
}

int sntlv_add_bin(uint8_t* msg, unsigned capacity, uint8_t type, unsigned length, const void* value) {
  const int cur = sntlv_msg_len(msg);
  if (cur < TLV_HDR_LEN) return 0;
  const uint64_t total = static_cast<uint64_t>(cur) + TLV_HDR_LEN + length;
  if (total > capacity || total > kMaxLengthField) return 0;
  KL_ASSERT_TEXT(type != TLV_SRC || length > 0, "(atype != TLV_SRC) || (alen > 0)");
  KL_ASSERT_TEXT(type != TLV_DST || length > 0, "(atype != TLV_DST) || (alen > 0)");
  uint8_t* tlv = msg + cur;
  tlv[0] = 0;
  put_be16(tlv + 1, length);
  tlv[TLV_TYPE_BYTE] = type;
  if (length > 0) memcpy(tlv_value(tlv), value, length);
  put_be16(msg, static_cast<unsigned>(total));
  return static_cast<int>(TLV_HDR_LEN + length);
}

int sntlv_add_dat(uint8_t* msg, unsigned capacity, uint8_t type, unsigned length, uint32_t word) {
  KL_ASSERT_TEXT(length <= sizeof word, "alen <= sizeof(uint32_t)");
  return sntlv_add_bin(msg, capacity, type, length, &word);
}

const uint8_t* tlv_find(const uint8_t* msg, uint8_t type) {
  const int end = walk_end(msg);
  for (int off = TLV_HDR_LEN, next; (next = next_tlv(msg, off, end)) > 0; off = next) {
    if (msg[off + 3] == type) return msg + off;
  }
  return nullptr;
}

uint8_t* tlv_find(uint8_t* msg, uint8_t type) {
  return const_cast<uint8_t*>(tlv_find(static_cast<const uint8_t*>(msg), type));
}

int sntlv_find(void* dst, int size, uint8_t type, const uint8_t* msg) {
  const uint8_t* tlv = tlv_find(msg, type);
  if (tlv == nullptr) return 0;
  const int len = static_cast<int>(tlv_value_len(tlv));
  if (len >= size) return 0;
  memcpy(dst, tlv_value(tlv), static_cast<size_t>(len));
  return len;
}

void sntlv_void(uint8_t* msg, uint8_t type) {
  uint8_t* tlv = tlv_find(msg, type);
  KL_ASSERT_TEXT(tlv != nullptr, "tlv != NULL");
  tlv[TLV_TYPE_BYTE] = TLV_VOID;
  memset(tlv_value(tlv), 0, tlv_value_len(tlv));
}

int sntlv_remove(uint8_t* msg, unsigned /*capacity*/, uint8_t type) {
  const uint8_t* tlvend = tlv_find(msg, type);
  KL_ASSERT_TEXT(tlvend != nullptr, "tlvend != NULL");
  const int cut = TLV_HDR_LEN + static_cast<int>(tlv_value_len(tlvend));
  put_be16(msg, static_cast<unsigned>(sntlv_msg_len(msg) - cut));
  return -cut;
}

int snLoclItoI(char* dst, int size, int n, uint32_t value) {
  if (n < 1 || n > 4) return 0;
  for (int i = 0; i < n && i < size; ++i) {
    const unsigned byte = (value >> (8 * (n - 1 - i))) & 0xFFu;
    snprintf(dst + i, static_cast<size_t>(size - i), "%c", static_cast<int>(byte));
  }
  return n;
}

int snLoclbin(void* dst, int size, int n, const void* src) {
  if (n <= 0 || n > size) return 0;
  memcpy(dst, src, static_cast<size_t>(n));
  return n;
}
