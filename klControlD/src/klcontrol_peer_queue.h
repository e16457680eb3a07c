// Sends to queues that other processes own and read: requesters' reply queues and queue
// notification clients. A peer that stops reading must not hold the worker, so every such send
// waits a bounded time for room and then fails.
#pragma once

#include <mqueue.h>

#include <cstddef>
#include <cstdint>

// The longest a full peer queue holds the worker, per message.
constexpr int KLCONTROL_PEER_SEND_TIMEOUT_S = 2;

// Sends one message with priority 0; 0, or -1 with errno set (ETIMEDOUT when the queue stayed full).
int klcontrol_send_to_peer(mqd_t queue, const uint8_t* bytes, size_t length);
