// One request and its reply over the context's queues, with a sequence number, a bounded wait
// and library-owned answers.
#include <fcntl.h>

#include <cerrno>
#include <cstring>

#include "klCtrlD.h"
#include "klDebug.h"
#include "klErrno.h"
#include "klMbox.h"
#include "klMqWait.h"

int g_klc_link_timeout_ms = KLC_LINK_TIMEOUT_MS;

namespace {

constexpr unsigned kTraceAbove = 7;

bool sameRequest(const klc_link_header& a, const klc_link_header& b) {
  return a.seq == b.seq && a.group == b.group && a.id == b.id;
}

// A bounded send needs no check for room first, and a camera that stops reading a full queue
// cannot hold the caller for good.
int sendRequest(klc_msg_q_context_t* ctx, const uint8_t* msg, int length) {
  return kl_mq_send_within(ctx->klnet_mqd, msg, size_t(length), 0, g_klc_link_timeout_ms) == 0
             ? 0
             : KL_ERR_MQ_FAIL;
}

// Receives until the reply to request arrives in buf; replies to earlier, abandoned requests and
// malformed messages are dropped. KL_ERR_MQ_FAIL when the time-out passes first. The loop counts on
// the monotonic clock, so neither a stream of stale replies nor a step of the wall clock can
// stretch it.
int awaitReply(klc_msg_q_context_t* ctx, const klc_link_header& request, uint8_t* buf,
               klc_link_reply* reply) {
  const long long end = kl_monotonic_ms() + g_klc_link_timeout_ms;
  for (long long left; (left = end - kl_monotonic_ms()) > 0;) {
    const ssize_t length = kl_mq_receive_within(ctx->reply_mqd, buf, KLMSG_MAX, int(left));
    if (length < 0 && errno != ETIMEDOUT && errno != EAGAIN) return KL_ERR_MQ_FAIL;
    if (length < 0) continue;
    if (klc_link_decode_reply(buf, unsigned(length), reply) != 0) {
      kldbg_trace(kTraceAbove, __func__, __LINE__, "dropped a malformed camera reply of %zd bytes\n", length);
    } else if (!sameRequest(reply->header, request)) {
      kldbg_trace(kTraceAbove, __func__, __LINE__, "dropped a late camera reply, seq %u\n",
                  reply->header.seq);
    } else {
      return 0;
    }
  }
  kldbg_trace(kTraceAbove, __func__, __LINE__, "camera request %u/%u timed out\n", request.group, request.id);
  return KL_ERR_MQ_FAIL;
}

// A camera that restarted made a new queue under the old name, while the context still holds the
// removed one: after a failed request the queue is opened again by name, so the next one reaches it.
void reopenCameraQueue(klc_msg_q_context_t* ctx) {
  const mqd_t fresh = mq_open(KLC_LINK_CAMERA_QUEUE, O_WRONLY);
  if (fresh == mqd_t(-1)) return;
  if (ctx->klnet_mqd != mqd_t(-1)) mq_close(ctx->klnet_mqd);
  ctx->klnet_mqd = fresh;
}

// Hands the answer out: by reference into the context, or copied into the caller's buffer.
int handOut(klc_msg_q_context_t* ctx, const klc_link_reply& reply, uint8_t** answer, uint16_t* answerLength) {
  // A caller that takes no answer would never see the camera's refusal otherwise.
  if (answer == nullptr) {
    return reply.answerLength == 1 && reply.answer[0] == KLC_LINK_NAK_OFF ? KL_ERR_NAK_OFF : 0;
  }
  KL_ASSERT(answerLength != nullptr);
  if (*answer == nullptr) {
    *answer = ctx->answer;
  } else if (reply.answerLength > *answerLength) {
    return KL_ERR_OUTOFMEM;
  }
  // An empty answer has no source bytes to copy.
  if (reply.answerLength > 0) std::memcpy(*answer, reply.answer, reply.answerLength);
  *answerLength = reply.answerLength;
  return 0;
}

}  // namespace

int klc_link_call(klc_msg_q_context_t* ctx, uint16_t group, uint16_t id, const void* payload, uint16_t length,
                  uint8_t** answer, uint16_t* answerLength) {
  KL_ASSERT(ctx != nullptr);
  const bool transcode = group == KLC_REMOTE_GROUP_TRANSCODE;
  if (transcode) ctx->transcode_refusal = 0;
  uint8_t msg[KLMSG_MAX];
  const klc_link_header header{++ctx->last_seq, group, id};
  // Once per fill of the context: the daemon zeroes it when it closes the queues.
  if (!ctx->reply_queue_id.known()) kl_mq_identify(ctx->reply_mqd, &ctx->reply_queue_id);
  const int encoded = klc_link_encode_request(msg, sizeof msg, header, payload, length, ctx->reply_queue_name,
                                              ctx->reply_queue_id);
  if (encoded < 0) return encoded;
  klc_link_reply reply{};
  const int received =
      sendRequest(ctx, msg, encoded) == 0 ? awaitReply(ctx, header, msg, &reply) : KL_ERR_MQ_FAIL;
  if (received != 0) {
    reopenCameraQueue(ctx);
    return received;
  }
  if (reply.status != 0) {
    // A refused transcode start names its reason in the answer's first byte.
    if (transcode && reply.answerLength > 0) ctx->transcode_refusal = int8_t(reply.answer[0]);
    return reply.status;
  }
  return handOut(ctx, reply, answer, answerLength);
}
