// What a queue is, whatever name leads to it: the device and inode of the mqueue file system. A queue
// made anew under the name of a removed one has another identity.
#pragma once
#include <mqueue.h>

#include <cstdint>

struct KlQueueIdentity {
  uint64_t device = 0;
  uint64_t inode = 0;

  // An identity of all zeros stands for "not known".
  bool known() const { return device != 0 || inode != 0; }
  bool operator==(const KlQueueIdentity& other) const {
    return device == other.device && inode == other.inode;
  }
  bool operator!=(const KlQueueIdentity& other) const { return !(*this == other); }
};

// The identity of an open queue; false (and identity untouched) when the descriptor is not open.
bool kl_mq_identify(mqd_t queue, KlQueueIdentity* identity);
