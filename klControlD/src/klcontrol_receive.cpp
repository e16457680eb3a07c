// Reception: waits for one message on the daemon queue and sorts it into status-interface
// messages, suspend/resume, preset updates and client commands. Only client commands leave.
#include <poll.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "KLCSIListener.h"
#include "klDebug.h"
#include "klErrno.h"
#include "klHexdump.h"
#include "klMbox.h"
#include "klcontrol_if_server.h"
#include "klcontrol_log.h"
#include "klcontrol_preset_loader.h"
#include "klcontrol_tlv_text.h"

constexpr const char* LOG_SOURCE = "klcontrol_if_server";

namespace {

bool codeIs(const uint8_t* tlv, const char* code) {
  return tlv != nullptr && tlv_value_len(tlv) >= 2 && std::memcmp(tlv_value(tlv), code, 2) == 0;
}

bool isCsiCode(const uint8_t* tlv) {
  return codeIs(tlv, "CN") || codeIs(tlv, "CU") || codeIs(tlv, "CR") || codeIs(tlv, "CI");
}

// Cuts the closing TLV_END so that an answer can be appended; only when it really is the last TLV.
void removeTrailingEnd(uint8_t* msg) {
  const uint8_t* end = tlv_find(msg, TLV_END);
  if (end == nullptr) return;
  if (end + TLV_HDR_LEN + tlv_value_len(end) != msg + sntlv_msg_len(msg)) return;
  sntlv_remove(msg, KLCONTROL_BUFFER_SIZE, TLV_END);
}

bool isModifiedEvent(uint8_t event) {
  return event == KLC_PU_PRESET_CHANGED || klc_preset_group_event(event) || event == KLC_PU_EVENT_7 ||
         event == KLC_PU_EVENT_8;
}

}  // namespace

bool KlcontrolCommandServer::receiveMsg(Msg& msg, klcontrol_command_t& command, unsigned timeoutMs,
                                        bool& timedOut) {
  int received = 0;
  if (!waitForMessage(timeoutMs, timedOut, received)) return false;
  Lock lock(mCommandMutex);
  return classifyMessage(msg, command, received);
}

bool KlcontrolCommandServer::waitForMessage(unsigned timeoutMs, bool& timedOut, int& received) {
  timedOut = false;
  const auto turnEnd = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  int error = 0;
  const ssize_t length = receiveWhenReady(timeoutMs, error);
  if (length >= 0) {
    mReceiveError = 0;
    received = int(length);
    return true;
  }
  if (error == ETIMEDOUT) {
    LOG(UTIL_LOG_ERROR, "Timedout receiving on daemon message queue");
    timedOut = true;
  } else {
    LOG(UTIL_LOG_INFO, "no message received on daemon message queue");
  }
  if (error != 0 && error != EAGAIN && error != EINTR && error != ETIMEDOUT)
    waitOutFailedTurn(error, turnEnd);
  return false;
}

ssize_t KlcontrolCommandServer::receiveWhenReady(unsigned timeoutMs, int& error) {
  mWaitSet.assign(1, pollfd{mDaemonQueue.get(), POLLIN, 0});
  watchSocketClients(mWaitSet);
  const int ready = poll(mWaitSet.data(), mWaitSet.size(), int(timeoutMs));
  error = ready < 0 ? errno : 0;
  if (ready <= 0) return -1;
  removeHungUpClients(mWaitSet);
  if (mWaitSet[0].revents == 0) return -1;
  const ssize_t length = mq_receive(mDaemonQueue.get(), reinterpret_cast<char*>(mRxBuffer.get()),
                                    KLCONTROL_BUFFER_SIZE, nullptr);
  if (length < 0) error = errno;
  return length;
}

// A receive error other than a time-out or an interruption comes back at once on every turn (the
// message stays, or the descriptor stays bad): logged once, and the rest of the turn waited out, so that
// the worker never spins.
void KlcontrolCommandServer::waitOutFailedTurn(int error, std::chrono::steady_clock::time_point turnEnd) {
  if (error != mReceiveError) {
    LOG(UTIL_LOG_ERROR, "mq_receive() failed for '%s': %s", KLCONTROL_DAEMON_QUEUE, strerror(error));
  }
  mReceiveError = error;
  std::this_thread::sleep_until(turnEnd);
}

bool KlcontrolCommandServer::classifyMessage(Msg& msg, klcontrol_command_t& command, int received) {
  uint8_t* buffer = mRxBuffer.get();
  LOG(UTIL_LOG_DEBUG, "received %d bytes at server\n", received);
  // Nothing is read from a message whose length field disagrees with what arrived.
  if (tlv_msg_check(buffer, received) != 0) {
    LOG(UTIL_LOG_ERROR, "Malformed message of %d bytes dropped", received);
    return false;
  }
  const uint8_t* code = tlv_find(buffer, TLV_CMD);
  if (isCsiCode(code)) {
    handleCsiMessage(code, size_t(received));
    return false;
  }
  switch (buffer[TLV_CATEGORY_BYTE]) {
    case CAT_SYS_RSP:
      LOG(UTIL_LOG_ERROR, "Unexpected Response type on CSI subscribe response [%s]",
          klcontrol_tlv_text(code).c_str());
      return false;
    case CAT_SYS_CMD:
      handleSystemCommand();
      return false;
    case CAT_RTOS_CMD:
      handlePresetUpdate();
      return false;
    default:
      return acceptClientCommand(msg, command);
  }
}

void KlcontrolCommandServer::handleCsiMessage(const uint8_t* code, size_t received) {
  LOG(UTIL_LOG_DEBUG, "Processing CSI event");
  uint8_t* buffer = mRxBuffer.get();
  if (codeIs(code, "CR")) {
    mCsiListener->HandleSubscribeResponse(buffer, received);
  } else if (codeIs(code, "CI")) {
    mCsiListener->HandleSetResponse(buffer, received);
  } else {
    mCsiListener->HandleCSIMessage(buffer, received);
  }
}

void KlcontrolCommandServer::handleSystemCommand() {
  uint8_t* buffer = mRxBuffer.get();
  const std::string requester = klcontrol_tlv_text(tlv_find(buffer, TLV_SRC));
  removeTrailingEnd(buffer);
  const uint8_t* code = tlv_find(buffer, TLV_CMD);
  if (codeIs(code, "JS")) {
    handleSuspend();
  } else if (codeIs(code, "JR")) {
    handleResume();
  } else {
    LOG(UTIL_LOG_ERROR, "Unexpected Response type on CSI subscribe response [%s]",
        klcontrol_tlv_text(code).c_str());
    return;
  }
  answerSystemCommandInPlace(requester);
}

void KlcontrolCommandServer::handleSuspend() {
  LOG(UTIL_LOG_ERROR, ":JS received");
  mNeedLenses = true;
  mPresetsModified = true;
  mSuspended = true;
  mCsiListener->Suspend();
  deleteAllClients();
}

void KlcontrolCommandServer::handleResume() {
  LOG(UTIL_LOG_ERROR, "JR received (resume)");
  uint8_t model = 0;
  const int rc = _get_model_number(&model);
  mSuspended = false;
  mCsiListener->Resume();
  if (rc != 0) {
    LOG(UTIL_LOG_ERROR,
        "Unable to set protocol adapter - Cannot get CSI_MODEL_NUMBER, err %d - try again on next resume",
        rc);
    return;
  }
  klc_select_protocol_adapter(klcontrol_camera(), model);
  mProtocolAdapterSet = true;
}

// The request becomes its own answer: response category, addresses swapped, status byte 0.
void KlcontrolCommandServer::answerSystemCommandInPlace(const std::string& requester) {
  uint8_t* buffer = mRxBuffer.get();
  buffer[TLV_CATEGORY_BYTE] = uint8_t(buffer[TLV_CATEGORY_BYTE] + 1);
  uint8_t* src = tlv_find(buffer, TLV_SRC);
  uint8_t* dst = tlv_find(buffer, TLV_DST);
  if (src != nullptr) src[TLV_TYPE_BYTE] = TLV_DST;
  if (dst != nullptr) dst[TLV_TYPE_BYTE] = TLV_SRC;
  const uint8_t ok = 0;
  const bool built = sntlv_add_bin(buffer, KLCONTROL_BUFFER_SIZE, TLV_RSPARG, 1, &ok) != 0 &&
                     sntlv_add_bin(buffer, KLCONTROL_BUFFER_SIZE, TLV_END, 0, nullptr) != 0;
  klMbox_t mbox;
  if (!built || requester.empty() || klMbox_txopen(requester.c_str(), &mbox) != 0) {
    kldbg_trace(7, "DMSGERR", __LINE__, "MSG_RESPOND (klMbox_txopen()) failed\n");
    hexprint("ERROR", 0, buffer, sntlv_msg_len(buffer));
    return;
  }
  // As the mailbox send does: at once, or dropped when the queue is full. Without a check for room
  // first, so that a queue filling up in between cannot hold the worker either.
  if (mPeerQueues.send(mbox.mqd, buffer, sntlv_msg_len(buffer), false) != 0) {
    LOG(UTIL_LOG_ERROR, "mq_send() failed for '%s': %s\n", requester.c_str(), strerror(errno));
  }
  klMbox_close(&mbox);
}

void KlcontrolCommandServer::handlePresetUpdate() {
  uint8_t* buffer = mRxBuffer.get();
  removeTrailingEnd(buffer);
  if (mSuspended) {
    LOG(UTIL_LOG_ERROR, "klcontrol dropped CAT_RTOS_CMD for preset update while suspended\n");
    return;
  }
  LOG(UTIL_LOG_INFO, "Processing CAT_RTOS_CMD for preset update");
  const uint8_t* code = tlv_find(buffer, TLV_CMD);
  if (!codeIs(code, KLC_PRESET_EVENT_CODE)) {
    LOG(UTIL_LOG_ERROR, "Unexpected type expected PU [%s]", klcontrol_tlv_text(code).c_str());
    return;
  }
  const uint8_t* arg = tlv_find(buffer, TLV_CMDARG);
  klc_preset_event_arg update{};
  if (arg == nullptr || tlv_value_len(arg) < sizeof update) {
    LOG(UTIL_LOG_ERROR, "Failed to find TLV_CMDARG in message from klNet");
    return;
  }
  std::memcpy(&update, tlv_value(arg), sizeof update);
  uint32_t id = update.id;
  LOG(UTIL_LOG_DEBUG, "KLCONTROL: event- %u, id- %u\n", update.event, id);
  if (klc_preset_group_event(update.event))
    id = uint32_t(RemapPresetGroup(int(id))) + KLC_PRESET_CLIENT_GROUP_BASE;
  if (isModifiedEvent(update.event)) {
    handlePresetModified(update.event, id);
  } else if (update.event == KLC_PU_SWITCHED) {
    handlePresetSwitched(id);
  }
}

void KlcontrolCommandServer::handlePresetModified(uint8_t event, uint32_t id) {
  const uint32_t value = klc_preset_event_value(event, id);
  LOG(UTIL_LOG_DEBUG, "KLCONTROL: presets are now in modified state 0x%08x\n", value);
  if (event != KLC_PU_GROUP_EVENT_3) mCsiListener->SetCSIValue(KLC_CSI_PRESET_CHANGE, value);
  if (event == KLC_PU_EVENT_7) return;
  refreshLenses("Failed to pull lenses after preset modified update");
  LOG(UTIL_LOG_DEBUG, "edit: lens: %d lens mode: %d, preset: %d, needlenses:%d\n", mLens, mLensMode,
      int(mCurrentPreset.load()), int(mNeedLenses.load()));
  if (event == KLC_PU_GROUP_EVENT_3) mPresetsModified = true;
}

void KlcontrolCommandServer::handlePresetSwitched(uint32_t id) {
  LOG(UTIL_LOG_DEBUG, "Preset switched\n");
  const unsigned next = klc_preset_group_of(id);
  const unsigned current = klc_preset_group_of(mCurrentPreset);
  // Moving between the single-lens and the dual-lens groups changes the preset lists clients show.
  const bool crossesLenses = (klc_preset_single_lens_group(current) && klc_preset_dual_lens_group(next)) ||
                             (klc_preset_dual_lens_group(current) && klc_preset_single_lens_group(next));
  if (crossesLenses || mPresetsModified) {
    const uint32_t value = klc_preset_refresh_value(id);
    LOG(UTIL_LOG_DEBUG, "presets now need to be refreshed %d\n", int(value));
    mCsiListener->SetCSIValue(KLC_CSI_PRESET_CHANGE, value);
  }
  refreshLenses("Failed to pull lenses after preset active set");
  if (!klc_preset_special_group(next)) {
    mPresetsModified = false;
    mCurrentPreset = id;
  }
  LOG(UTIL_LOG_DEBUG, "switch: lens mode: %d, preset: %d, needlenses:%d\n", mLensMode,
      int(mCurrentPreset.load()), int(mNeedLenses.load()));
}

bool KlcontrolCommandServer::acceptClientCommand(Msg& msg, klcontrol_command_t& command) {
  if (!mProtocolAdapterSet) {
    LOG(UTIL_LOG_ERROR, "protocol adapter not set - throwing out command");
    return false;
  }
  // The length field was checked against what arrived; the parse stays within it.
  MemStream stream(mRxBuffer.get(), uint16_t(sntlv_msg_len(mRxBuffer.get())));
  stream >> msg;
  msg.dump("Msg From Client");
  if (msg.getCategory() != CAT_CLIENT_CMD) {
    msg.dump("Invalid expected category");
    LOG(UTIL_LOG_ERROR, "Invalid command category received: %d", msg.getCategory());
    return false;
  }
  const MsgElement* element = msg.findElement(TLV_CMD);
  uint32_t number = 0;
  if (element == nullptr || element->getUint32(&number) != 0) {
    LOG(UTIL_LOG_ERROR, "No command specified in message. Skipping");
    return false;
  }
  command = klcontrol_command_t(number);
  if (command != KLCONTROL_WORKER_EXIT) return true;
  mRunning = false;
  sendResponse(msg, KL_OK, nullptr, 0);
  return false;
}
