#include "klcontrol_peer_queue.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>

#include "klMqWait.h"

int KlcontrolPeerQueues::send(mqd_t queue, const uint8_t* bytes, size_t length, bool mayWait) {
  Identity identity;
  const bool known = identify(queue, identity);
  const bool peer = known && !isOwn(identity);
  const bool stalled = peer && std::find(mStalled.begin(), mStalled.end(), identity) != mStalled.end();
  const bool wait = mayWait && !stalled && (peer || !known);
  const int rc = kl_mq_send_within(queue, bytes, length, 0, wait ? KLCONTROL_PEER_SEND_TIMEOUT_MS : 0);
  const int error = errno;
  if (peer && (rc == 0 || error == EAGAIN || error == ETIMEDOUT)) remember(identity, rc != 0);
  errno = error;
  return rc;
}

bool KlcontrolPeerQueues::identify(mqd_t queue, Identity& identity) {
  struct stat status {};
  if (fstat(queue, &status) != 0) return false;
  identity = {status.st_dev, status.st_ino};
  return true;
}

bool KlcontrolPeerQueues::isOwn(const Identity& identity) const {
  return std::any_of(mOwnQueues.begin(), mOwnQueues.end(), [&identity](const mqd_t* own) {
    Identity ownIdentity;
    return *own != mqd_t(-1) && identify(*own, ownIdentity) && ownIdentity == identity;
  });
}

void KlcontrolPeerQueues::remember(const Identity& identity, bool stalled) {
  mStalled.erase(std::remove(mStalled.begin(), mStalled.end(), identity), mStalled.end());
  if (!stalled) return;
  if (mStalled.size() == KLCONTROL_STALLED_PEERS_MAX) mStalled.pop_front();
  mStalled.push_back(identity);
}
