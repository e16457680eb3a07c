// Arbitrary received bytes through the TLV readers. The bytes past the message's own length are
// poisoned, so a sanitizer build catches any read beyond it; results are checked against the
// bounds they promise.
#include <sanitizer/asan_interface.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "klDebug.h"
#include "klLogOutput.h"
#include "klTlv.h"

namespace {

void discard(int, const char*) {}

void require(bool condition) {
  if (!condition) abort();
}

// The first TLV of the type, if any, lies inside the message and matches what sntlv_find copies.
void checkFind(const uint8_t* msg, int end, uint8_t type) {
  const uint8_t* tlv = tlv_find(msg, type);
  char dst[64];
  const int copied = sntlv_find(dst, sizeof dst, type, msg);
  if (tlv == nullptr) {
    require(copied == 0);
    return;
  }
  const int len = static_cast<int>(tlv_value_len(tlv));
  require(tlv[3] == type && tlv >= msg + TLV_HDR_LEN && tlv + TLV_HDR_LEN + len <= msg + end);
  require(copied == (len < static_cast<int>(sizeof dst) ? len : 0));
  require(memcmp(dst, tlv_value(tlv), static_cast<size_t>(copied)) == 0);
}

// What a message that passed validation must be.
void checkValid(const uint8_t* msg) {
  const int len = sntlv_msg_len(msg);
  require(len >= TLV_MIN_MSG_LEN && len <= KLMSG_MAX && msg[len - 1] == TLV_END);
  for (uint8_t type : {TLV_CMD, TLV_DST, TLV_SRC, TLV_CMDARG}) require(tlv_find(msg, type) != nullptr);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Reports are formatted (verbosity above 15) but not sent anywhere.
  klSetSyslogSink(&discard);
  g_debug_level = 0x10;
  alignas(8) static uint8_t buf[KLMSG_MAX];
  const size_t n = std::min(size, static_cast<size_t>(KLMSG_MAX));
  ASAN_UNPOISON_MEMORY_REGION(buf, sizeof buf);
  memset(buf, 0, sizeof buf);
  if (n > 0) memcpy(buf, data, n);

  const int received = static_cast<int>(n);
  const bool checked = tlv_msg_check(buf, received) == 0;
  const int end = std::clamp(sntlv_msg_len(buf), TLV_HDR_LEN, KLMSG_MAX);
  require(!checked || end <= received);
  ASAN_POISON_MEMORY_REGION(buf + end, sizeof buf - static_cast<size_t>(end));

  const int result = tlv_validate(buf);
  require(result == 0 || result == -1 || result == -2 || result == -3);
  if (result == 0) checkValid(buf);
  for (uint8_t type : {TLV_CMD, TLV_CMDARG, TLV_DST, TLV_SRC, TLV_RSPARG, TLV_VOID, TLV_RSPCODE, TLV_END})
    checkFind(buf, end, type);
  if (n > 0) checkFind(buf, end, data[0]);

  return 0;
}
