// The camera side of the link: decodes a request, lets its handler act on the camera, applies an
// armed fault, and encodes the reply. Keeps what the control interface inspects.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "klQueueIdentity.h"
#include "sim_camera.h"
#include "sim_fault_plan.h"
#include "sim_handlers.h"

// A reply ready to send, or nothing to send (a dropped reply).
struct SimOutcome {
  bool send = false;
  std::string replyQueue;
  KlQueueIdentity replyQueueId;  // as the request named it; not known when it named none
  std::vector<uint8_t> message;
  unsigned copies = 1;  // 2 for a duplicated reply
  int delayMs = 0;      // a late reply waits this long before it goes
};

class SimRequestRouter {
 public:
  // Serves requests on the camera, which must outlive the router.
  explicit SimRequestRouter(SimCamera& camera) : mCamera(camera) {}

  // Handles exactly length received bytes. False for a malformed request, which is only counted.
  // Reusing one outcome for every request spares the allocations of its buffers.
  bool handle(const uint8_t* msg, unsigned length, SimOutcome& outcome);

  SimFaultPlan& faults() { return mFaults; }
  // Requests of the (group, id) seen so far, faulted ones included.
  unsigned count(uint16_t group, uint16_t id) const;
  // "g/i=n" for every request seen, in key order, then "malformed=n".
  std::string describeCounts() const;
  // The payload of the last request of the (group, id); false when none was seen.
  bool lastPayload(uint16_t group, uint16_t id, std::vector<uint8_t>& payload) const;
  // Forgets counters and payloads.
  void resetCounters();

 private:
  SimCamera& mCamera;
  SimHandlerTable mHandlers;
  SimReply mReply;  // reused, so a handler's answer grows into capacity it had before
  SimFaultPlan mFaults;
  std::map<uint32_t, unsigned> mCounts;
  std::map<uint32_t, std::vector<uint8_t>> mLastPayloads;
  unsigned mMalformed = 0;
};
