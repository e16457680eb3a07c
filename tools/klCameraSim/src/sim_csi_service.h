// The camera-status service as the simulated camera runs it: it takes the daemon's subscriptions
// ("CS") and value writes ("CW") on its queue and answers them ("CR", "CI"), and it builds the
// messages the service sends to the daemon's queue.
#pragma once
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

// A message of the service to the daemon: the code, then a TLV_CMDARG and a TLV_RSPCODE when present.
struct SimCsiMessage {
  std::string code;  // "CN", "CU", "CR", "CI"
  bool hasArgument = false;
  std::vector<uint8_t> argument;
  bool hasStatus = false;
  int32_t status = 0;
};

// The message's bytes: category 0x16 for notifications and updates, 0x11 for answers; its length, or 0
// when it does not fit.
int simBuildCsiMessage(uint8_t* msg, unsigned capacity, const SimCsiMessage& message);
// A "CN" of the id with the text.
SimCsiMessage simCsiNotification(uint32_t id, const std::string& text);

class SimCsiService {
 public:
  // Takes one received request; false for one that is not a well-formed "CS" or "CW" (counted as
  // malformed). Else the answer to send and the queue it goes to.
  bool handle(const uint8_t* msg, unsigned length, SimCsiMessage& answer, std::string& replyQueue);
  // "subscribed=7,138 values=7:0 requests=3 malformed=0" for the control interface.
  std::string describe() const;

 private:
  std::set<uint32_t> mSubscribed;
  std::map<uint32_t, uint32_t> mValues;
  unsigned mRequests = 0;
  unsigned mMalformed = 0;
};
