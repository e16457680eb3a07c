// Queue operations whose wait is bounded on the monotonic clock: a send or receive that never waits
// by itself, and poll with a time-out in milliseconds for room or a message. A wall-clock deadline
// (mq_timedsend, mq_timedreceive) would stretch with every step of the clock (NTP, a phone setting
// the time); these waits do not.
#pragma once

#include <mqueue.h>
#include <sys/types.h>

#include <cstddef>

// Milliseconds on the monotonic clock, which no setting of the time moves.
long long kl_monotonic_ms();
// Sends one message, waiting at most timeoutMs for room (0: not at all), whatever the descriptor's
// flags. 0, or -1 with errno: EAGAIN when the queue was full and no wait was allowed, ETIMEDOUT
// when it stayed full for the whole wait, or the send's own error.
int kl_mq_send_within(mqd_t mqd, const void* msg, size_t length, unsigned priority, int timeoutMs);
// Receives one message, waiting at most timeoutMs for one. Its length, or -1 with errno: EAGAIN or
// ETIMEDOUT as above when none came, or the receive's own error.
ssize_t kl_mq_receive_within(mqd_t mqd, void* buf, size_t size, int timeoutMs);
