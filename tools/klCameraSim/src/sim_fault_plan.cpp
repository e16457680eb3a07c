#include "sim_fault_plan.h"

#include "camera_link.h"

namespace {

struct KindName {
  SimFaultKind kind;
  const char* name;
};

constexpr KindName kKindNames[] = {
    {SimFaultKind::ERROR_STATUS, "error"},  {SimFaultKind::NAK_OFF, "nakoff"},
    {SimFaultKind::WRONG_SIZE, "size"},     {SimFaultKind::NO_REPLY, "drop"},
    {SimFaultKind::LATE, "late"},           {SimFaultKind::WRONG_SEQUENCE, "seq"},
    {SimFaultKind::MALFORMED, "malformed"}, {SimFaultKind::DUPLICATE, "dup"},
};

constexpr const char* kMalformedNames[] = {"short", "lying", "random"};

// "kind" or "kind:value" of one fault.
std::string describeFault(const SimFault& fault) {
  std::string text = simFaultKindName(fault.kind);
  if (fault.kind == SimFaultKind::MALFORMED) return text + ":" + kMalformedNames[fault.value];
  return simFaultHasValue(fault.kind) ? text + ":" + std::to_string(fault.value) : text;
}

}  // namespace

bool simFaultHasValue(SimFaultKind kind) {
  return kind == SimFaultKind::ERROR_STATUS || kind == SimFaultKind::WRONG_SIZE ||
         kind == SimFaultKind::LATE || kind == SimFaultKind::MALFORMED;
}

bool simMalformedFromName(const std::string& name, int32_t& value) {
  for (int32_t i = 0; i < 3; ++i) {
    if (name == kMalformedNames[i]) {
      value = i;
      return true;
    }
  }
  return false;
}

const char* simFaultKindName(SimFaultKind kind) {
  for (const KindName& entry : kKindNames) {
    if (entry.kind == kind) return entry.name;
  }
  return "?";
}

bool simFaultKindFromName(const std::string& name, SimFaultKind& kind) {
  for (const KindName& entry : kKindNames) {
    if (name == entry.name) {
      kind = entry.kind;
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
