#include "bench_requester.h"

#include "klTlv.h"

namespace {
constexpr int ANSWER_TIMEOUT_MS = 10000;
}

bool BenchRequester::open(const std::string& destination) {
  mReply = benchCreateQueue(benchQueueName("reply"));
  mDestination = benchOpenForWriting(destination);
  return mReply.valid() && mDestination.valid();
}

std::vector<uint8_t> BenchRequester::request(uint32_t command, const std::vector<uint8_t>* argument) const {
  std::vector<uint8_t> bytes(KLMSG_MAX);
  const int length =
      klcontrol_build_command(bytes.data(), unsigned(bytes.size()), command, argument, mReply.name());
  bytes.resize(size_t(length));
  return bytes;
}

bool BenchRequester::exchange(const std::vector<uint8_t>& request, klcontrol_answer_t& answer) {
  if (!benchSend(mDestination, request) || !benchReceive(mReply, mBuffer, ANSWER_TIMEOUT_MS)) return false;
  std::string problem;
  return klcontrol_decode_answer(mBuffer.data(), int(mBuffer.size()), answer, problem);
}
