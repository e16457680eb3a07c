// Answers come from whatever process writes to klctl's reply queue: decoding must stay inside them.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "klctl_message.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // An exact-size copy, so that any read past the received bytes is caught.
  const std::vector<uint8_t> received(data, data + size);
  KlctlAnswer answer;
  std::string problem;
  const int length = static_cast<int>(size);
  if (klctlDecodeAnswer(received.data(), length, answer, problem) && answer.payload.size() > size)
    std::abort();
  if (klctlDecodeSystemAnswer(received.data(), length, answer, problem) && answer.payload.empty())
    std::abort();
  return 0;
}
