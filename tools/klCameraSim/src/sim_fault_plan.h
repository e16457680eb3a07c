// Faults armed from the control interface: the next N replies of one request go wrong in one way.
#pragma once
#include <cstdint>
#include <deque>
#include <map>
#include <string>

struct SimReply;
struct SimOutcome;
struct klc_link_header;

enum class SimFaultKind {
  ERROR_STATUS,
  NAK_OFF,
  WRONG_SIZE,
  NO_REPLY,
  LATE,
  WRONG_SEQUENCE,
  MALFORMED,
  DUPLICATE
};

// How a MALFORMED reply is spoiled.
enum : int32_t { SIM_MALFORMED_SHORT = 0, SIM_MALFORMED_LYING = 1, SIM_MALFORMED_RANDOM = 2 };

struct SimFault {
  SimFaultKind kind = SimFaultKind::ERROR_STATUS;
  // The status for ERROR_STATUS, the answer length for WRONG_SIZE, the delay in milliseconds for LATE,
  // the spoiling for MALFORMED.
  int32_t value = 0;
  bool lasting = false;  // applies to every reply until cleared
};

class SimFaultPlan {
 public:
  // Queues count faults for the request; they apply to its next count replies, after earlier ones. A
  // lasting fault stays, once the ones before it are used up, until clear.
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

// Everything a fault kind is, in one row of one table: its control-interface word, its value and what
// it does to the reply of the request it is armed for.
struct SimFaultKindRow {
  SimFaultKind kind;
  const char* name;      // "error", "nakoff", "size", "drop", "late", "seq", "malformed", "dup"
  bool hasValue;         // a value word follows the name
  int64_t minValue;      // the value's range,
  int64_t maxValue;      //
  const char* badValue;  // and the control interface's answer to one outside it
  bool refuses;          // the camera does not act on the request
  bool replies;          // a reply is sent at all
  // What it does to the camera's reply before it is encoded, then to the encoded reply and its sending.
  void (*spoilReply)(int32_t value, SimReply& reply, klc_link_header& header);
  void (*spoilMessage)(int32_t value, SimOutcome& outcome);
};
const SimFaultKindRow& simFaultKind(SimFaultKind kind);
// Parses a fault kind word; false for an unknown word.
bool simFaultKindFromName(const std::string& name, SimFaultKind& kind);
// The MALFORMED value of "short", "lying" or "random"; false for another word.
bool simMalformedFromName(const std::string& name, int32_t& value);
