// One request to the daemon and its answer, over the daemon's queue and a private reply queue.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "klUniqueQueue.h"
#include "klcontrol_client_message.h"

// How a request ended; klctlExitStatus gives each its exit status.
enum class KlctlOutcome {
  Ok,             // answered with status 0
  CommandFailed,  // answered with another status
  Usage,          // the command line was wrong; nothing was sent
  NoAnswer,       // no usable answer within the time-out
  NoDaemon,       // the daemon's queue does not exist
};

// Exit status of klctl: 0 Ok, 1 CommandFailed, 2 Usage, 3 NoAnswer, 4 NoDaemon.
int klctlExitStatus(KlctlOutcome outcome);

struct KlctlResult {
  KlctlOutcome outcome = KlctlOutcome::NoAnswer;
  std::string problem;        // why there is no answer, for NoAnswer and NoDaemon
  klcontrol_answer_t answer;  // valid for Ok and CommandFailed
};

// A reply queue name of this process not used before: "/klctl.<pid>.<n>".
std::string klctlReplyQueueName();
// Creates that reply queue exclusively, with room for two answers; removed with its owner. Not valid
// when it cannot be made.
UniqueQueue klctlCreateReplyQueue(const std::string& name);
// Receives one message of at most size bytes; its length, or -1 when none came within timeout seconds.
int klctlReceiveAnswer(const UniqueQueue& queue, uint8_t* buffer, int size, double timeout);

// True when the named queue exists (it is opened for writing and closed at once; nothing is sent).
bool klctlQueueExists(const char* name);

// Sends one client command (argument null: no TLV_CMDARG) and waits up to timeout seconds for the
// answer on a reply queue of its own, which is removed again on every path.
KlctlResult klctlSendCommand(uint32_t command, const std::vector<uint8_t>* argument, double timeout);
// The same on the caller's (valid) reply queue, which stays open for further commands.
KlctlResult klctlSendCommand(const UniqueQueue& reply, uint32_t command, const std::vector<uint8_t>* argument,
                             double timeout);

// Sends "JS" (suspend) or "JR" (resume) with the request/response operations of the common
// library and reads the daemon's in-place answer; the time-out is rounded up to whole seconds.
KlctlResult klctlSendSystem(const char* code, double timeout);
