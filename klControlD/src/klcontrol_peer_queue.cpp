#include "klcontrol_peer_queue.h"

#include <algorithm>
#include <cerrno>

#include "klMqWait.h"

int KlcontrolPeerQueues::send(mqd_t queue, const uint8_t* bytes, size_t length, bool mayWait) {
  // Most sends find room: they cost no look at what the queue is.
  if (kl_mq_send_within(queue, bytes, length, 0, 0) == 0) {
    KlQueueIdentity identity;
    if (!mStalled.empty() && kl_mq_identify(queue, &identity)) remember(identity, false);
    return 0;
  }
  if (errno != EAGAIN) return -1;
  KlQueueIdentity identity;
  const bool known = kl_mq_identify(queue, &identity);
  const bool peer = known && !isOwn(identity);
  const bool stalled = peer && std::find(mStalled.begin(), mStalled.end(), identity) != mStalled.end();
  int rc = -1;
  int error = EAGAIN;
  if (mayWait && !stalled && (peer || !known)) {
    rc = kl_mq_send_within(queue, bytes, length, 0, KLCONTROL_PEER_SEND_TIMEOUT_MS);
    error = errno;
  }
  if (peer) remember(identity, rc != 0);
  errno = error;
  return rc;
}

bool KlcontrolPeerQueues::isOwn(const KlQueueIdentity& identity) const {
  return std::any_of(mOwnQueues.begin(), mOwnQueues.end(), [&identity](const UniqueQueue* own) {
    KlQueueIdentity ownIdentity;
    return own->valid() && kl_mq_identify(own->get(), &ownIdentity) && ownIdentity == identity;
  });
}

void KlcontrolPeerQueues::remember(const KlQueueIdentity& identity, bool stalled) {
  mStalled.erase(std::remove(mStalled.begin(), mStalled.end(), identity), mStalled.end());
  if (!stalled) return;
  if (mStalled.size() == KLCONTROL_STALLED_PEERS_MAX) mStalled.pop_front();
  mStalled.push_back(identity);
}
