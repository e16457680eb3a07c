#include "klctl_exchange.h"

#include <fcntl.h>
#include <mqueue.h>
#include <unistd.h>

#include <atomic>
#include <cmath>
#include <cstdio>

#include "klMbox.h"
#include "klMsg.h"
#include "klUniqueQueue.h"

namespace {

KlctlResult failure(KlctlOutcome outcome, std::string problem) {
  KlctlResult result;
  result.outcome = outcome;
  result.problem = std::move(problem);
  return result;
}

KlctlResult answered(const klcontrol_answer_t& answer) {
  KlctlResult result;
  result.outcome = answer.status == 0 ? KlctlOutcome::Ok : KlctlOutcome::CommandFailed;
  result.answer = answer;
  return result;
}

KlctlResult noDaemon() {
  return failure(KlctlOutcome::NoDaemon,
                 std::string(KLCONTROL_DAEMON_QUEUE) + " does not exist: is klControlD running?");
}

std::string noAnswerWithin(double timeout) {
  char text[64];
  std::snprintf(text, sizeof text, "no answer within %g s", timeout);
  return text;
}

// Hands the request to the daemon's queue; false with the result when it did not get there.
bool deliver(const uint8_t* msg, int length, KlctlResult& result) {
  klMbox_t daemon;
  if (klMbox_txopen(KLCONTROL_DAEMON_QUEUE, &daemon) != 0) {
    result = noDaemon();
    return false;
  }
  const int sent = klMbox_send(msg, length, &daemon);
  // The mailbox send drops a message for a full queue and still reports success.
  const bool full = daemon.attr.mq_curmsgs >= daemon.attr.mq_maxmsg;
  klMbox_close(&daemon);
  if (sent == 0 && !full) return true;
  result = failure(KlctlOutcome::NoAnswer, full ? "the daemon's queue is full; the request was not delivered"
                                                : "sending the request failed");
  return false;
}

}  // namespace

int klctlExitStatus(KlctlOutcome outcome) {
  switch (outcome) {
    case KlctlOutcome::Ok:
      return 0;
    case KlctlOutcome::CommandFailed:
      return 1;
    case KlctlOutcome::Usage:
      return 2;
    case KlctlOutcome::NoAnswer:
      return 3;
    case KlctlOutcome::NoDaemon:
      return 4;
  }
  return 3;
}

UniqueQueue klctlCreateReplyQueue(const std::string& name) {
  klMbox_t mbox;
  // Room for two answers, as the library's reply mailboxes have; one is expected.
  if (klMbox_rxopen_shared_ext(name.c_str(), KLMSG_MAX_COUNT_SM, KLMSG_MAX, &mbox) != 0) return UniqueQueue();
  return UniqueQueue(mbox.mqd, name);
}

int klctlReceiveAnswer(const UniqueQueue& queue, uint8_t* buffer, int size, double timeout) {
  double whole = 0;
  const double fraction = std::modf(timeout, &whole);
  const struct timespec wait = {static_cast<time_t>(whole), static_cast<long>(fraction * 1e9)};
  const ssize_t received = kl_mq_timedreceive2(queue.get(), reinterpret_cast<char*>(buffer),
                                               static_cast<size_t>(size), nullptr, &wait);
  return received < 0 ? -1 : static_cast<int>(received);
}

std::string klctlReplyQueueName() {
  static std::atomic<unsigned> next{0};
  return "/klctl." + std::to_string(getpid()) + "." + std::to_string(next++);
}

bool klctlQueueExists(const char* name) {
  return UniqueQueue::open(name, O_WRONLY).valid();
}

KlctlResult klctlSendCommand(uint32_t command, const std::vector<uint8_t>* argument, double timeout) {
  const std::string name = klctlReplyQueueName();
  const UniqueQueue reply = klctlCreateReplyQueue(name);
  if (!reply.valid()) return failure(KlctlOutcome::NoAnswer, "cannot create the reply queue " + name);
  return klctlSendCommand(reply, command, argument, timeout);
}

KlctlResult klctlSendCommand(const UniqueQueue& reply, uint32_t command, const std::vector<uint8_t>* argument,
                             double timeout) {
  uint8_t msg[KLMSG_MAX];
  const int length = klcontrol_build_command(msg, sizeof msg, command, argument, reply.name());
  if (length == 0) return failure(KlctlOutcome::Usage, "the request does not fit in one message");
  KlctlResult result;
  if (!deliver(msg, length, result)) return result;
  const int received = klctlReceiveAnswer(reply, msg, sizeof msg, timeout);
  if (received < 0) return failure(KlctlOutcome::NoAnswer, noAnswerWithin(timeout));
  klcontrol_answer_t answer;
  std::string problem;
  if (!klcontrol_decode_answer(msg, received, answer, problem))
    return failure(KlctlOutcome::NoAnswer, problem);
  return answered(answer);
}

KlctlResult klctlSendSystem(const char* code, double timeout) {
  // The library ends the process when the destination cannot be opened: look first.
  if (!klctlQueueExists(KLCONTROL_DAEMON_QUEUE)) return noDaemon();
  klmsg_iobuf_t io{};
  io.size = sizeof io.buf;
  static const uint8_t kNone = 0;
  klmsg_build(&io, code, &kNone, 0, CAT_SYS_CMD);
  g_timedreceive = static_cast<int>(std::ceil(timeout));
  const std::string reply = klctlReplyQueueName();
  const uint32_t received = klmsg_send_timedreceive(&io, reply.c_str(), KLCONTROL_DAEMON_QUEUE, nullptr, 0);
  if (received == static_cast<uint32_t>(-1)) {
    return failure(KlctlOutcome::NoAnswer, "no answer within " + std::to_string(g_timedreceive) + " s");
  }
  klcontrol_answer_t answer;
  std::string problem;
  if (!klcontrol_decode_system_answer(io.buf, static_cast<int>(received), answer, problem)) {
    return failure(KlctlOutcome::NoAnswer, problem);
  }
  return answered(answer);
}
