// Mailboxes: named POSIX message queues carrying one TLV message per queue message.
#pragma once
#include <mqueue.h>
#include <sys/time.h>
#include <ctime>

#include "klTlv.h"

struct klMbox_t {
  mqd_t mqd = -1;
  struct mq_attr attr {};
  const char* name = nullptr;  // the caller's string, not copied
};

constexpr int KLMBOX_TX_MAXMSG = 40;
constexpr mode_t KLMBOX_MODE = 0664;

// Time-out of snklMbox_timedreceive in seconds (initially 10).
extern int g_timedreceive;

void klMbox_init(const char* name, long maxMessages, klMbox_t* mbox);
int klMbox_rxopen_ext(const char* name, long maxMessages, long messageSize, klMbox_t* mbox);
int klMbox_rxopen(const char* name, long maxMessages, klMbox_t* mbox);
int klMbox_rxopen_shared_ext(const char* name, long maxMessages, long messageSize, klMbox_t* mbox);
int klMbox_rxopen_shared(const char* name, long maxMessages, klMbox_t* mbox);
int klMbox_txopen(const char* name, klMbox_t* mbox);
int klMbox_close(klMbox_t* mbox);
int klMbox_unlink(const char* name);
int klMbox_create_ext(const char* name, long maxMessages, long messageSize);
int klMbox_create(const char* name, long maxMessages);
// Sends without blocking on a full queue: a message for a full queue is dropped and 0 returned.
int klMbox_send(const void* msg, int length, klMbox_t* mbox);
int snklMbox_receive(void* buf, int size, klMbox_t* mbox);
// -1 after g_timedreceive seconds without a message.
int snklMbox_timedreceive(void* buf, int size, klMbox_t* mbox);
// Relative time-outs: whole seconds (with a report), or seconds and microseconds (silent).
ssize_t kl_mq_timedreceive(mqd_t mqd, char* buf, size_t size, unsigned* priority, const struct timespec* timeout);
ssize_t kl_mq_timedreceive2(mqd_t mqd, char* buf, size_t size, unsigned* priority, const struct timespec* timeout);
