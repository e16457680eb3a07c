#include "sim_fault_plan.h"

#include "camera_link.h"
#include "klErrno.h"
#include "klTlv.h"
#include "sim_request_router.h"

namespace {

constexpr const char* kMalformedNames[] = {"short", "lying", "random"};
constexpr int64_t kMaxLateMs = 60000;

void keepReply(int32_t, SimReply&, klc_link_header&) {}
void keepMessage(int32_t, SimOutcome&) {}

void refuseWithStatus(int32_t status, SimReply& reply, klc_link_header&) {
  reply.status = status;
  reply.answer.clear();
}

void answerNakOff(int32_t, SimReply& reply, klc_link_header&) {
  reply.status = KL_OK;
  reply.answer.assign(1, KLC_LINK_NAK_OFF);
}

void resizeAnswer(int32_t size, SimReply& reply, klc_link_header&) {
  reply.answer.resize(size_t(size), 0);
}

void nextSequence(int32_t, SimReply&, klc_link_header& header) {
  ++header.seq;
}

void delay(int32_t ms, SimOutcome& outcome) {
  outcome.delayMs = ms;
}

void duplicate(int32_t, SimOutcome& outcome) {
  outcome.copies = 2;
}

void malform(int32_t how, SimOutcome& outcome) {
  std::vector<uint8_t>& message = outcome.message;
  if (how == SIM_MALFORMED_SHORT) {
    message.resize(TLV_HDR_LEN - 1);
  } else if (how == SIM_MALFORMED_LYING) {
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

constexpr SimFaultKindRow kKinds[] = {
    {SimFaultKind::ERROR_STATUS, "error", true, INT32_MIN, INT32_MAX, "error bad status", true, true,
     refuseWithStatus, keepMessage},
    {SimFaultKind::NAK_OFF, "nakoff", false, 0, 0, "", true, true, answerNakOff, keepMessage},
    {SimFaultKind::WRONG_SIZE, "size", true, 0, KLC_LINK_MAX_ANSWER, "error bad size", false, true,
     resizeAnswer, keepMessage},
    {SimFaultKind::NO_REPLY, "drop", false, 0, 0, "", false, false, keepReply, keepMessage},
    {SimFaultKind::LATE, "late", true, 0, kMaxLateMs, "error bad delay", false, true, keepReply, delay},
    {SimFaultKind::WRONG_SEQUENCE, "seq", false, 0, 0, "", false, true, nextSequence, keepMessage},
    {SimFaultKind::MALFORMED, "malformed", true, SIM_MALFORMED_SHORT, SIM_MALFORMED_RANDOM,
     "error malformed short|lying|random", false, true, keepReply, malform},
    {SimFaultKind::DUPLICATE, "dup", false, 0, 0, "", false, true, keepReply, duplicate},
};

// "kind" or "kind:value" of one fault.
std::string describeFault(const SimFault& fault) {
  const SimFaultKindRow& kind = simFaultKind(fault.kind);
  const std::string text = kind.name;
  if (fault.kind == SimFaultKind::MALFORMED) return text + ":" + kMalformedNames[fault.value];
  return kind.hasValue ? text + ":" + std::to_string(fault.value) : text;
}

}  // namespace

const SimFaultKindRow& simFaultKind(SimFaultKind kind) {
  for (const SimFaultKindRow& row : kKinds) {
    if (row.kind == kind) return row;
  }
  return kKinds[0];  // every kind has its row
}

bool simMalformedFromName(const std::string& name, int32_t& value) {
  for (int32_t i = SIM_MALFORMED_SHORT; i <= SIM_MALFORMED_RANDOM; ++i) {
    if (name == kMalformedNames[i]) {
      value = i;
      return true;
    }
  }
  return false;
}

bool simFaultKindFromName(const std::string& name, SimFaultKind& kind) {
  for (const SimFaultKindRow& row : kKinds) {
    if (name == row.name) {
      kind = row.kind;
      return true;
    }
  }
  return false;
}

void SimFaultPlan::arm(uint16_t group, uint16_t id, const SimFault& fault, unsigned count) {
  std::deque<SimFault>& queue = mPending[klc_link_key(group, id)];
  queue.insert(queue.end(), count, fault);
}

bool SimFaultPlan::take(uint16_t group, uint16_t id, SimFault& fault) {
  auto it = mPending.find(klc_link_key(group, id));
  if (it == mPending.end()) return false;
  fault = it->second.front();
  if (fault.lasting) return true;
  it->second.pop_front();
  if (it->second.empty()) mPending.erase(it);
  return true;
}

std::string SimFaultPlan::describe() const {
  std::string text;
  for (const auto& [key, queue] : mPending) {
    // Runs of equal faults are shown once with their count.
    for (size_t i = 0; i < queue.size();) {
      size_t run = 1;
      while (i + run < queue.size() && queue[i + run].kind == queue[i].kind &&
             queue[i + run].value == queue[i].value)
        ++run;
      if (!text.empty()) text += ' ';
      text += std::to_string(klc_link_group(key)) + '/' + std::to_string(klc_link_id(key)) + ':' +
              describeFault(queue[i]);
      text += queue[i].lasting ? std::string("xalways") : 'x' + std::to_string(run);
      i += run;
    }
  }
  return text;
}
