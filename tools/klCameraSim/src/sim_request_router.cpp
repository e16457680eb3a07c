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
  const SimFaultKindRow* spoiler =
      mFaults.take(header.group, header.id, fault) ? &simFaultKind(fault.kind) : nullptr;
  // A refused request leaves the camera as it was; a garbled or lost reply does not undo the work.
  const bool asleep = mCamera.system().power_state != SIM_POWER_ON && needsCameraAwake(key);
  const bool refused = asleep || (spoiler != nullptr && spoiler->refuses);
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
  klc_link_header replyHeader = header;
  if (spoiler != nullptr) spoiler->spoilReply(fault.value, reply, replyHeader);
  if (spoiler != nullptr && !spoiler->replies) return true;
  uint8_t encoded[KLMSG_MAX];
  const int size = klc_link_encode_reply(encoded, sizeof encoded, replyHeader, reply.status,
                                         reply.answer.data(), uint16_t(reply.answer.size()));
  if (size <= 0) return true;
  outcome.message.assign(encoded, encoded + size);
  outcome.replyQueue.assign(request.replyQueue);
  outcome.replyQueueId = request.replyQueueId;
  outcome.send = true;
  if (spoiler != nullptr) spoiler->spoilMessage(fault.value, outcome);
  return true;
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
