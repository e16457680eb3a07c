#include "klMsg.h"

#include <cstring>

#include "klDebug.h"
#include "klHexdump.h"
#include "klMbox.h"

// Two-letter peer codes; the arrow tells whether the message goes to (>) or comes from (<) it.
const char* const s_dmsgstr[KLMSG_DIRECTIONS] = {
    "            ",                                                  // 0: not traced
    ">Hb         ", " Hb>        ", " Hb<        ", "<Hb         ",  // 1-4
    ">Hc         ", " Hc>        ", " Hc<        ", "<Hc         ",  // 5-8
    ">UD         ", " UD>        ", " UD<        ", "<UD         ",  // 9-12
    "    >NW     ", "     NW>    ", "     NW<    ", "    <NW     ",  // 13-16: network daemon
    "        >RT ", "         RT>", "         RT<", "        <RT ",  // 17-20
    "        >WI ", "        <WI ",                                  // 21-22
    "        >BT ", "        <BT ",                                  // 23-24
    "        >XX ", "        <XX ",                                  // 25-26
    "DB>         ", "DB<         ",                                  // 27-28
    nullptr,
};

// Bits 0-11 for 1-12 and 16-29 for 13-26; the debug directions 27 and 28 share bits 26 and 27.
const uint32_t s_dmsghex[KLMSG_DIRECTIONS] = {
    0,         0x1,        0x2,        0x4,       0x8,       0x10,      0x20,      0x40,
    0x80,      0x100,      0x200,      0x400,     0x800,     0x10000,   0x20000,   0x40000,
    0x80000,   0x100000,   0x200000,   0x400000,  0x800000,  0x1000000, 0x2000000, 0x4000000,
    0x8000000, 0x10000000, 0x20000000, 0x4000000, 0x8000000, 0,
};

namespace {

// The line number the answer error report has always carried; log readers search for it.
constexpr int kAnswerErrorLine = 260;

unsigned capacity(const klmsg_iobuf_t* io) {
  KL_ASSERT_TEXT(io->size <= sizeof io->buf, "iobuf->size <= KLMSG_MAX");
  return io->size;
}

void trace(const klmsg_iobuf_t* io, int direction) {
  KL_ASSERT_TEXT(direction >= 0 && direction < KLMSG_DIRECTIONS, "direction < KLMSG_DIRECTIONS");
  if ((g_debug_level & KLDBG_TRACE_MSGS) != 0 && (s_dmsghex[direction] & g_debug) != 0)
    hexprint(s_dmsgstr[direction], 0, io->buf, static_cast<int>(io->len));
}

// Adds the addresses and the end marker; a message that then fails validation is a caller error.
void address(klmsg_iobuf_t* io, const char* from, const char* to, int direction) {
  const unsigned cap = capacity(io);
  io->len += sntlv_add_bin(io->buf, cap, TLV_SRC, static_cast<unsigned>(strlen(from)), from);
  io->len += sntlv_add_bin(io->buf, cap, TLV_DST, static_cast<unsigned>(strlen(to)), to);
  io->len += sntlv_add_dat(io->buf, cap, TLV_END, 0, 0);
  trace(io, direction);
  KL_ASSERT_TEXT(0 == tlv_validate(io->buf), "0 == tlv_validate(iobuf->buf)");
}

// Sends the message on a transmit mailbox opened for this one message; the close result.
int transmit(const klmsg_iobuf_t* io, const char* via) {
  klMbox_t txq;
  KL_ASSERT_TEXT(klMbox_txopen(via, &txq) == 0, "klMbox_txopen(via, &txq) == 0");
  klMbox_send(io->buf, static_cast<int>(io->len), &txq);
  return klMbox_close(&txq);
}

// The private reply mailbox of one request: closed and its name removed on every way out.
class ReplyMbox {
 public:
  explicit ReplyMbox(const char* name) {
    KL_ASSERT_TEXT(klMbox_rxopen_shared(name, KLMSG_MAX_COUNT_SM, &mBox) == 0,
                   "klMbox_rxopen_shared(from, KLMSG_MAX_COUNT_SM, &rxq) == 0");
  }
  ~ReplyMbox() {
    klMbox_close(&mBox);
    klMbox_unlink(mBox.name);
  }
  ReplyMbox(const ReplyMbox&) = delete;
  ReplyMbox& operator=(const ReplyMbox&) = delete;

  int receive(klmsg_iobuf_t* io) { return snklMbox_timedreceive(io->buf, static_cast<int>(io->size), &mBox); }

 private:
  klMbox_t mBox;
};

// An answer from another process: its header must match what arrived before it is validated.
bool valid_answer(const klmsg_iobuf_t* io, int received) {
  return tlv_msg_check(io->buf, received) == 0 && tlv_validate(io->buf) == 0;
}

void report_bad_answer(const klmsg_iobuf_t* io, int received) {
  if (kldbg_above(7))
    kldbg_printf("[%16s:%4d] %s:\n\n", "DMSGERR", kAnswerErrorLine, "klmsg_send_timedreceive");
  hexprint("ERROR", 0, io->buf, received);
}

}  // namespace

int klmsg_build(klmsg_iobuf_t* io, const char* cmd, const void* arg, int argLength, uint8_t category) {
  const unsigned cap = capacity(io);
  io->len = static_cast<uint32_t>(sntlv_msg_init(io->buf, cap, category));
  io->len += sntlv_add_bin(io->buf, cap, TLV_CMD, 2, cmd);
  const int added = sntlv_add_bin(io->buf, cap, TLV_CMDARG, static_cast<unsigned>(argLength), arg);
  io->len += added;
  return added;
}

int klmsg_send(klmsg_iobuf_t* io, const char* from, const char* to, const char* via, int direction) {
  address(io, from, to, direction);
  return transmit(io, via != nullptr ? via : to);
}

uint32_t klmsg_send_timedreceive(klmsg_iobuf_t* io, const char* from, const char* to, const char* via,
                                 int direction) {
  address(io, from, to, direction);
  int received;
  {
    ReplyMbox reply(from);
    transmit(io, via != nullptr ? via : to);
    received = reply.receive(io);
  }
  io->len = static_cast<uint32_t>(received);
  // After a time-out the buffer still holds the request.
  if (received < 0 || valid_answer(io, received)) return io->len;
  // An answer that does not validate is reported, then ends the process as any failed check here.
  report_bad_answer(io, received);
  KL_ASSERT_TEXT(valid_answer(io, received), "0 == tlv_validate(iobuf->buf)");
  return io->len;
}

uint8_t* klmsg_response(klmsg_iobuf_t* io, uint8_t** arg, uint16_t* length) {
  const int held = io->len < sizeof io->buf ? static_cast<int>(io->len) : static_cast<int>(sizeof io->buf);
  if (tlv_msg_check(io->buf, held) != 0) return nullptr;
  uint8_t* tlv = tlv_find(io->buf, TLV_RSPARG);
  if (tlv == nullptr) return nullptr;
  *arg = tlv_value(tlv);
  *length = static_cast<uint16_t>(tlv_value_len(tlv));
  return *arg;
}
