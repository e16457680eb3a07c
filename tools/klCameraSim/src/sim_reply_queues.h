// The camera's way to its requesters' reply queues. Opening a queue by name costs two system calls
// per reply; a request that names its queue's identity lets the camera keep that queue open between
// replies, and a queue made anew under the name (the requester restarted) shows by its new identity.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "klQueueIdentity.h"
#include "klUniqueQueue.h"

// Reply queues kept open at most: one per requester that names its identity.
constexpr size_t SIM_KEPT_REPLY_QUEUES = 8;

// Opens the queue by name for this one reply and sends it. Without waiting: a full queue drops the
// reply, as a camera does not wait for its requester. False when no queue has the name.
bool simSendReplyOnce(const char* name, const uint8_t* msg, size_t length);

// One thread's kept queues.
class SimReplyQueues {
 public:
  // Sends as simSendReplyOnce does, on the kept queue when the name still leads to the identity the
  // request named. An unknown identity opens the name for this reply only.
  bool send(const char* name, const KlQueueIdentity& identity, const uint8_t* msg, size_t length);

 private:
  struct Kept {
    std::string name;
    KlQueueIdentity identity;
    UniqueQueue queue;
  };
  // Keeps the queue in place of any kept under the name, giving up the oldest when full.
  const UniqueQueue& keep(const char* name, const KlQueueIdentity& identity, UniqueQueue queue);

  std::vector<Kept> mKept;
};
