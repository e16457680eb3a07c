#include "sim_events.h"

#include <cstring>

#include "camera_presets.h"
#include "klMbox.h"
#include "klTlv.h"

namespace {

// Appends the addresses and the end marker; the total length, or 0 when something did not fit.
int finishMessage(uint8_t* msg, unsigned capacity, const char* source) {
  const unsigned sourceLength = unsigned(std::strlen(source));
  const unsigned destinationLength = unsigned(std::strlen(KLCONTROL_DAEMON_QUEUE));
  if (sourceLength == 0 || sntlv_add_bin(msg, capacity, TLV_SRC, sourceLength, source) == 0 ||
      sntlv_add_bin(msg, capacity, TLV_DST, destinationLength, KLCONTROL_DAEMON_QUEUE) == 0 ||
      sntlv_add_dat(msg, capacity, TLV_END, 0, 0) == 0) {
    return 0;
  }
  return sntlv_msg_len(msg);
}

std::string textOf(uint8_t* msg, uint8_t type) {
  uint8_t* tlv = tlv_find(msg, type);
  if (tlv == nullptr) return std::string();
  return std::string(reinterpret_cast<const char*>(tlv_value(tlv)), tlv_value_len(tlv));
}

}  // namespace

int simBuildSystemEvent(uint8_t* msg, unsigned capacity, const char* code, const char* replyQueue) {
  sntlv_msg_init(msg, capacity, CAT_SYS_CMD);
  // The command argument is empty but present: validation on the daemon's side requires it.
  if (sntlv_add_bin(msg, capacity, TLV_CMD, 2, code) == 0 ||
      sntlv_add_bin(msg, capacity, TLV_CMDARG, 0, "") == 0) {
    return 0;
  }
  return finishMessage(msg, capacity, replyQueue);
}

int simBuildPresetUpdate(uint8_t* msg, unsigned capacity, uint8_t event, uint32_t id, const char* sourceQueue,
                         bool withArgument) {
  const klc_preset_event_arg argument{event, id};
  sntlv_msg_init(msg, capacity, CAT_RTOS_CMD);
  if (sntlv_add_bin(msg, capacity, TLV_CMD, 2, KLC_PRESET_EVENT_CODE) == 0 ||
      (withArgument && sntlv_add_bin(msg, capacity, TLV_CMDARG, sizeof argument, &argument) == 0)) {
    return 0;
  }
  return finishMessage(msg, capacity, sourceQueue);
}

int simSendToDaemon(const uint8_t* msg, int length) {
  klMbox_t mbox;
  if (klMbox_txopen(KLCONTROL_DAEMON_QUEUE, &mbox) != 0) return -1;
  const int sent = klMbox_send(msg, length, &mbox);
  klMbox_close(&mbox);
  return sent == 0 ? 0 : -1;
}

bool simParseSystemAnswer(const uint8_t* msg, unsigned length, SimSystemAnswer& answer) {
  uint8_t copy[KLMSG_MAX];
  // Validation walks by the header's length, so it must not claim more than was received.
  if (length < TLV_MIN_MSG_LEN || length > sizeof copy) return false;
  std::memcpy(copy, msg, length);
  if (unsigned(sntlv_msg_len(copy)) != length || tlv_validate(copy) != 0) return false;
  uint8_t* rsparg = tlv_find(copy, TLV_RSPARG);
  if (rsparg == nullptr) return false;
  answer.category = copy[TLV_CATEGORY_BYTE];
  answer.code = textOf(copy, TLV_CMD);
  answer.source = textOf(copy, TLV_SRC);
  answer.destination = textOf(copy, TLV_DST);
  answer.rsparg.assign(tlv_value(rsparg), tlv_value(rsparg) + tlv_value_len(rsparg));
  return true;
}
