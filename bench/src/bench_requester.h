// A client of the daemon that keeps its reply queue for many commands, so that each measured
// exchange is one request and one answer, as a real requester's is.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "bench_queue.h"
#include "klcontrol_client_message.h"

class BenchRequester {
 public:
  // Creates the reply queue and opens the destination (the daemon's queue by default).
  bool open(const std::string& destination = KLCONTROL_DAEMON_QUEUE);
  const std::string& replyQueue() const { return mReply.name(); }

  // The request bytes of a command with this requester's reply queue (argument null: none).
  std::vector<uint8_t> request(uint32_t command, const std::vector<uint8_t>* argument) const;
  // Sends prepared request bytes and decodes the answer; false when none came within 10 s or it
  // was no answer.
  bool exchange(const std::vector<uint8_t>& request, klcontrol_answer_t& answer);

 private:
  UniqueQueue mReply;
  UniqueQueue mDestination;
  std::vector<uint8_t> mBuffer;
};
