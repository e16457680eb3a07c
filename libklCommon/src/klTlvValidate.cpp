// tlv_validate: the checks a sender applies before a message leaves the process.
#include <cstdarg>
#include <cstdio>

#include "klDebug.h"
#include "klTlv.h"

namespace {

constexpr unsigned kReportAbove = 15;
constexpr uint8_t kLastCategory = 0xEF;

// Reports one validation finding on the debug channel and passes its result on.
__attribute__((format(printf, 2, 3))) int report(int result, const char* format, ...) {
  if (!kldbg_above(kReportAbove)) return result;
  char line[1024];
  va_list args;
  va_start(args, format);
  vsnprintf(line, sizeof line, format, args);
  va_end(args);
  kldbg_printf("%s", line);
  return result;
}

// A value for "%.*s": it ends at its first NUL like the in-place string, but never past its TLV.
struct ValueText {
  int length;
  const char* chars;
};

ValueText value_text(const uint8_t* tlv, unsigned skip) {
  const unsigned len = tlv_value_len(tlv);
  const unsigned from = skip < len ? skip : len;
  return {static_cast<int>(len - from), reinterpret_cast<const char*>(tlv_value(tlv) + from)};
}

// Steps 1 to 4: length bounds, the TLV walk and the end marker.
int check_framing(const uint8_t* msg, int len) {
  if (len < TLV_MIN_MSG_LEN)
    return report(-1, "TLV_ERROR: MSG len is too short (%d < %d)\n", len, TLV_MIN_MSG_LEN);
  if (len > KLMSG_MAX) return report(-1, "TLV_ERROR: MSG len is too long (%d > 1500)\n", len);
  const int payload = len - TLV_HDR_LEN;
  int walked = 0;
  // A TLV header cut by the end is not read: the walk stops short and the mismatch is reported.
  while (walked + TLV_HDR_LEN <= payload)
    walked += TLV_HDR_LEN + static_cast<int>(tlv_value_len(msg + TLV_HDR_LEN + walked));
  if (walked != payload)
    return report(-1, "TLV_ERROR: MSG length (%d) does not match internal length (%d0.\n", walked, payload);
  if (msg[len - 1] != TLV_END) return report(-1, "TLV_ERROR: MSG is missing ending TLV: 0xEE\n");
  return 0;
}

// Steps 10 and 11: what a command and a response must carry besides the addresses.
int check_arguments(const uint8_t* msg, ValueText code, const uint8_t* src, const uint8_t* dst) {
  const bool response = (msg[TLV_CATEGORY_BYTE] & 1) != 0;
  if (tlv_find(msg, TLV_CMDARG) == nullptr) {
    return report(
        -3,
        response ? "TLV_ERROR: MSG :%.*s RSP needs a CMDARG\n" : "TLV_ERROR: MSG :%.*s CMD needs a CMDARG\n",
        code.length, code.chars);
  }
  if (response && tlv_find(msg, TLV_RSPARG) == nullptr) {
    const ValueText from = value_text(src, 3);
    const ValueText to = value_text(dst, 0);
    report(0, "TLV_WARNING: MSG :%.*s RSP needs a RSPARG fr%.*s %.*s\n", code.length, code.chars, from.length,
           from.chars, to.length, to.chars);
  }
  return 0;
}

// Steps 5 to 11, on a message whose framing is sound.
int check_content(const uint8_t* msg, int len) {
  const uint8_t* cmd = tlv_find(msg, TLV_CMD);
  if (cmd == nullptr) return report(-3, "TLV_ERROR: MSG needs a CMD\n");
  const ValueText code = value_text(cmd, 0);
  const uint8_t* dst = tlv_find(msg, TLV_DST);
  if (dst == nullptr) return report(-3, "TLV_ERROR: :%.*s MSG needs a DST\n", code.length, code.chars);
  const uint8_t* src = tlv_find(msg, TLV_SRC);
  if (src == nullptr) return report(-3, "TLV_ERROR: :%.*s MSG needs a SRC\n", code.length, code.chars);
  const uint8_t* end = tlv_find(msg, TLV_END);
  if (end == nullptr || end + 3 != msg + len - 1)
    return report(-1, "TLV_ERROR: :%.*s MSG has too many ending TLV: 0xEE\n", code.length, code.chars);
  if (msg[TLV_CATEGORY_BYTE] > kLastCategory) {
    return report(-2, "TLV_ERROR: :%.*s MSG needs a known CATagory. CAT=0x%02x\n", code.length, code.chars,
                  msg[TLV_CATEGORY_BYTE]);
  }
  return check_arguments(msg, code, src, dst);
}

}  // namespace

int tlv_validate(const uint8_t* msg) {
  const int len = sntlv_msg_len(msg);
  const int framing = check_framing(msg, len);
  return framing != 0 ? framing : check_content(msg, len);
}
