#include "sim_request_router.h"

#include "klErrno.h"
#include "klTlv.h"

namespace {

// What a camera asleep or off still answers: the reads the daemon makes at start and resume, and the
// power request itself.
constexpr uint32_t kAnsweredAsleep[] = {
    KLC_OP_STATE_GET_MODEL_NUMBER, KLC_OP_STATE_SELECT_PROTOCOL_ADAPTER, KLC_OP_SYSTEM_GET_LENSES,
    KLC_OP_SYSTEM_GET_LENS_TYPE,   KLC_OP_SYSTEM_GET_POWER_PROFILE,      KLC_OP_SETUP_GET_ORIENTATION,
    REMOTE_SYSTEM_POWER,
};

bool needsCameraAwake(uint32_t key) {
  for (uint32_t answered : kAnsweredAsleep) {
    if (answered == key) return false;
  }
  return true;
}

}  // namespace

bool SimRequestRouter::handle(const uint8_t* msg, unsigned length, SimOutcome& outcome) {
  // Cleared, not replaced: the buffers keep their capacity from one request to the next.
  outcome.send = false;
  outcome.replyQueue.clear();
  outcome.message.clear();
  outcome.copies = 1;
  outcome.delayMs = 0;
  klc_link_request request{};
  if (klc_link_decode_request(msg, length, &request) != 0) {
    ++mMalformed;
    return false;
  }
  const klc_link_header& header = request.header;
  const uint32_t key = klc_link_key(header.group, header.id);
  ++mCounts[key];
  mLastPayloads[key].assign(request.payload, request.payload + request.payloadLength);

  SimFault fault{};
  const bool faulted = mFaults.take(header.group, header.id, fault);
  // A refused request leaves the camera as it was; a garbled or lost reply does not undo the work.
  const bool asleep = mCamera.system().power_state != SIM_POWER_ON && needsCameraAwake(key);
  const bool refused =
      asleep ||
      (faulted && (fault.kind == SimFaultKind::ERROR_STATUS || fault.kind == SimFaultKind::NAK_OFF));
  SimReply& reply = mReply;
  reply.status = KL_OK;
  reply.answer.clear();
  if (asleep) reply.answer.assign(1, KLC_LINK_NAK_OFF);
  if (!refused) {
    const SimHandler handler = mHandlers.find(key);
    if (handler != nullptr) {
      handler(mCamera, request, reply);
    } else {
      reply.status = KL_ERR_NOT_SUPPORTED;
    }
  }
  if (faulted) applyFault(fault, reply);
  if (faulted && fault.kind == SimFaultKind::NO_REPLY) return true;

  klc_link_header replyHeader = header;
  if (faulted && fault.kind == SimFaultKind::WRONG_SEQUENCE) ++replyHeader.seq;
  uint8_t encoded[KLMSG_MAX];
  const int size = klc_link_encode_reply(encoded, sizeof encoded, replyHeader, reply.status,
                                         reply.answer.data(), uint16_t(reply.answer.size()));
  if (size <= 0) return true;
  outcome.message.assign(encoded, encoded + size);
  outcome.replyQueue.assign(request.replyQueue);
  outcome.send = true;
  if (faulted) applyToMessage(fault, outcome);
  return true;
}

void SimRequestRouter::applyToMessage(const SimFault& fault, SimOutcome& outcome) {
  std::vector<uint8_t>& message = outcome.message;
  if (fault.kind == SimFaultKind::DUPLICATE) outcome.copies = 2;
  if (fault.kind == SimFaultKind::LATE) outcome.delayMs = fault.value;
  if (fault.kind != SimFaultKind::MALFORMED) return;
  if (fault.value == SIM_MALFORMED_SHORT) {
    message.resize(TLV_HDR_LEN - 1);
  } else if (fault.value == SIM_MALFORMED_LYING) {
    // The length field claims more than the message holds.
    const unsigned claimed = unsigned(message.size()) + 16;
    message[0] = uint8_t(claimed >> 8);
    message[1] = uint8_t(claimed);
  } else {
    // The same bytes every time: a test sees the same garbage.
    uint32_t state = uint32_t(message.size());
    for (uint8_t& byte : message) byte = uint8_t((state = state * 1103515245u + 12345u) >> 16);
  }
}

void SimRequestRouter::applyFault(const SimFault& fault, SimReply& reply) const {
  switch (fault.kind) {
    case SimFaultKind::ERROR_STATUS:
      reply.status = fault.value;
      reply.answer.clear();
      break;
    case SimFaultKind::NAK_OFF:
      reply.status = KL_OK;
      reply.answer.assign(1, KLC_LINK_NAK_OFF);
      break;
    case SimFaultKind::WRONG_SIZE:
      reply.answer.resize(size_t(fault.value), 0);
      break;
    case SimFaultKind::NO_REPLY:
    case SimFaultKind::LATE:
    case SimFaultKind::WRONG_SEQUENCE:
    case SimFaultKind::MALFORMED:
    case SimFaultKind::DUPLICATE:
      // These spoil the encoded reply or its sending (applyToMessage).
      break;
  }
}

unsigned SimRequestRouter::count(uint16_t group, uint16_t id) const {
  auto it = mCounts.find(klc_link_key(group, id));
  return it == mCounts.end() ? 0 : it->second;
}

std::string SimRequestRouter::describeCounts() const {
  std::string text;
  for (const auto& [key, number] : mCounts) {
    text += std::to_string(klc_link_group(key)) + '/' + std::to_string(klc_link_id(key)) + '=' +
            std::to_string(number) + ' ';
  }
  return text + "malformed=" + std::to_string(mMalformed);
}

bool SimRequestRouter::lastPayload(uint16_t group, uint16_t id, std::vector<uint8_t>& payload) const {
  auto it = mLastPayloads.find(klc_link_key(group, id));
  if (it == mLastPayloads.end()) return false;
  payload = it->second;
  return true;
}

void SimRequestRouter::resetCounters() {
  mCounts.clear();
  mLastPayloads.clear();
  mMalformed = 0;
}
