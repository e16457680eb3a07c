#include "sim_reply_queues.h"

#include <fcntl.h>

#include <algorithm>

namespace {

UniqueQueue openForReply(const char* name) {
  return UniqueQueue::open(name, O_WRONLY | O_NONBLOCK | O_CLOEXEC);
}

// The send on a non-blocking descriptor drops the reply when the queue is full: the same as
// checking the queue first, one system call fewer.
void sendWithoutWaiting(const UniqueQueue& queue, const uint8_t* msg, size_t length) {
  mq_send(queue.get(), reinterpret_cast<const char*>(msg), length, 0);
}

}  // namespace

bool simSendReplyOnce(const char* name, const uint8_t* msg, size_t length) {
  const UniqueQueue queue = openForReply(name);
  if (queue.valid()) sendWithoutWaiting(queue, msg, length);
  return queue.valid();
}

bool SimReplyQueues::send(const char* name, const KlQueueIdentity& identity, const uint8_t* msg,
                          size_t length) {
  if (!identity.known()) return simSendReplyOnce(name, msg, length);
  const auto kept = std::find_if(mKept.begin(), mKept.end(), [&](const Kept& candidate) {
    return candidate.identity == identity && candidate.name == name;
  });
  if (kept != mKept.end()) {
    sendWithoutWaiting(kept->queue, msg, length);
    return true;
  }
  UniqueQueue queue = openForReply(name);
  if (!queue.valid()) return false;
  KlQueueIdentity opened;
  // The name leads to another queue than the request's: it gets this reply, as a name always did,
  // but is not kept for the identity.
  if (!kl_mq_identify(queue.get(), &opened) || opened != identity) {
    sendWithoutWaiting(queue, msg, length);
    return true;
  }
  sendWithoutWaiting(keep(name, identity, std::move(queue)), msg, length);
  return true;
}

const UniqueQueue& SimReplyQueues::keep(const char* name, const KlQueueIdentity& identity,
                                        UniqueQueue queue) {
  mKept.erase(
      std::remove_if(mKept.begin(), mKept.end(), [name](const Kept& old) { return old.name == name; }),
      mKept.end());
  if (mKept.size() == SIM_KEPT_REPLY_QUEUES) mKept.erase(mKept.begin());
  mKept.push_back(Kept{name, identity, std::move(queue)});
  return mKept.back().queue;
}
