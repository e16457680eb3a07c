// Mailboxes: named POSIX message queues carrying one TLV message per queue message.
#pragma once
#include <mqueue.h>
#include <sys/time.h>

#include <ctime>

#include "klTlv.h"

// A caller-owned mailbox record; mqd is -1 until an open succeeds and after a failed one.
struct klMbox_t {
  mqd_t mqd = -1;
  struct mq_attr attr {};
  const char* name = nullptr;  // the caller's string, not copied
};

constexpr int KLMBOX_TX_MAXMSG = 40;
constexpr mode_t KLMBOX_MODE = 0664;

// Time-out of snklMbox_timedreceive in seconds (initially 10).
extern int g_timedreceive;

// Fills the record (flags 0, the maximum, size 1500, the name); opens nothing.
void klMbox_init(const char* name, long maxMessages, klMbox_t* mbox);
// Opens for reading, creating the queue if needed; 5 attempts 10 ms apart; 0 or -1.
int klMbox_rxopen_ext(const char* name, long maxMessages, long messageSize, klMbox_t* mbox);
// klMbox_rxopen_ext with 1500-byte messages.
int klMbox_rxopen(const char* name, long maxMessages, klMbox_t* mbox);
// Creates the queue exclusively for reading, so that only one party owns it; 6 attempts over
// about 1.5 s while the name is in use; 0 or -1.
int klMbox_rxopen_shared_ext(const char* name, long maxMessages, long messageSize, klMbox_t* mbox);
// klMbox_rxopen_shared_ext with 1500-byte messages.
int klMbox_rxopen_shared(const char* name, long maxMessages, klMbox_t* mbox);
// Opens an existing queue for writing; 0 or -1.
int klMbox_txopen(const char* name, klMbox_t* mbox);
// Closes the descriptor (the record's mqd becomes -1); the close result.
int klMbox_close(klMbox_t* mbox);
// Removes the queue name; 0 or -1.
int klMbox_unlink(const char* name);
// Makes sure the queue exists (opens, creating, and closes again); always 0.
int klMbox_create_ext(const char* name, long maxMessages, long messageSize);
// klMbox_create_ext with 1500-byte messages.
int klMbox_create(const char* name, long maxMessages);
// Sends without blocking on a full queue: a message for a full queue is dropped and 0 returned.
// -1 when the send fails or the queue's state cannot be read; a length above KLMSG_MAX is an assertion.
int klMbox_send(const void* msg, int length, klMbox_t* mbox);
// Receives one message (a failed receive is an assertion); its length.
int snklMbox_receive(void* buf, int size, klMbox_t* mbox);
// As snklMbox_receive, or -1 after g_timedreceive seconds without a message.
int snklMbox_timedreceive(void* buf, int size, klMbox_t* mbox);
// Relative time-outs: whole seconds (with a report), or seconds and microseconds (silent).
// -1 with errno ETIMEDOUT when nothing arrives in time.
ssize_t kl_mq_timedreceive(mqd_t mqd, char* buf, size_t size, unsigned* priority,
                           const struct timespec* timeout);
ssize_t kl_mq_timedreceive2(mqd_t mqd, char* buf, size_t size, unsigned* priority,
                            const struct timespec* timeout);
