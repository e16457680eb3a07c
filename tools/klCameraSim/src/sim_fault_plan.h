// Faults armed from the control interface: the next N replies of one request go wrong in one way.
#pragma once
#include <cstdint>
#include <deque>
#include <map>
#include <string>

enum class SimFaultKind { ERROR_STATUS, NAK_OFF, WRONG_SIZE, NO_REPLY };

struct SimFault {
  SimFaultKind kind = SimFaultKind::ERROR_STATUS;
  int32_t value = 0;  // the status for ERROR_STATUS, the answer length for WRONG_SIZE
};

class SimFaultPlan {
 public:
  // Queues count faults for the request; they apply to its next count replies, after earlier ones.
  void arm(uint16_t group, uint16_t id, const SimFault& fault, unsigned count);
  // Takes the fault for the request's reply now being made; false when none is armed.
  bool take(uint16_t group, uint16_t id, SimFault& fault);
  // Forgets every armed fault.
  void clear() { mPending.clear(); }
  // One text of every armed fault, "g/i:kind[:value]xN" separated by blanks, in key order.
  std::string describe() const;

 private:
  std::map<uint32_t, std::deque<SimFault>> mPending;
};

// The control-interface word of a fault kind ("error", "nakoff", "size", "drop").
const char* simFaultKindName(SimFaultKind kind);
// Parses a fault kind word; false for an unknown word.
bool simFaultKindFromName(const std::string& name, SimFaultKind& kind);
