#include "klctl_reply_queue.h"

#include <cmath>

#include "klMsg.h"

KlctlReplyQueue::KlctlReplyQueue(std::string name) : mName(std::move(name)) {
  // Room for two answers, as the library's reply mailboxes have; one is expected.
  if (klMbox_rxopen_shared_ext(mName.c_str(), KLMSG_MAX_COUNT_SM, KLMSG_MAX, &mMbox) != 0) mMbox.mqd = -1;
}

KlctlReplyQueue::~KlctlReplyQueue() {
  if (!isOpen()) return;
  klMbox_close(&mMbox);
  klMbox_unlink(mName.c_str());
}

int KlctlReplyQueue::receive(uint8_t* buffer, int size, double timeout) {
  double whole = 0;
  const double fraction = std::modf(timeout, &whole);
  const struct timespec wait = {static_cast<time_t>(whole), static_cast<long>(fraction * 1e9)};
  const ssize_t received = kl_mq_timedreceive2(mMbox.mqd, reinterpret_cast<char*>(buffer),
                                               static_cast<size_t>(size), nullptr, &wait);
  return received < 0 ? -1 : static_cast<int>(received);
}
