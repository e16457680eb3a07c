// Sends to queues that other processes own and read: requesters' reply queues and queue
// notification clients. A peer that stops reading must not hold the worker, and the bound holds per
// peer, not per message: a peer whose queue stayed full is remembered, and its further messages go
// out without waiting (or are dropped) until one goes through again. A queue the worker reads itself
// is never waited on: only the worker could make room there.
#pragma once

#include <mqueue.h>
#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <deque>
#include <utility>
#include <vector>

#include "klQueueIdentity.h"
#include "klUniqueQueue.h"

// The longest a full peer queue holds the worker, once per peer.
constexpr int KLCONTROL_PEER_SEND_TIMEOUT_MS = 2000;
// Peers remembered as stalled: as many queues as a namespace may hold by default
// (fs.mqueue.queues_max), so that a process making many queues cannot push one out.
constexpr size_t KLCONTROL_STALLED_PEERS_MAX = 256;

class KlcontrolPeerQueues {
 public:
  // ownQueues: the owners of the queues the worker reads; read at every send, since the queues are
  // opened again with the interface.
  explicit KlcontrolPeerQueues(std::vector<const UniqueQueue*> ownQueues)
      : mOwnQueues(std::move(ownQueues)) {}

  // Sends one message with priority 0. When mayWait, waits at most KLCONTROL_PEER_SEND_TIMEOUT_MS
  // for room, unless the queue is one of the worker's own or one that stayed full before; otherwise
  // not at all. 0, or -1 with errno: EAGAIN (full, not waited), ETIMEDOUT (full for the whole wait)
  // or the send's own error. Worker thread only.
  int send(mqd_t queue, const uint8_t* bytes, size_t length, bool mayWait = true);

 private:
  bool isOwn(const KlQueueIdentity& identity) const;
  // Remembers a peer whose queue was full, or forgets it once a send went through.
  void remember(const KlQueueIdentity& identity, bool stalled);

  std::vector<const UniqueQueue*> mOwnQueues;
  std::deque<KlQueueIdentity> mStalled;
};
