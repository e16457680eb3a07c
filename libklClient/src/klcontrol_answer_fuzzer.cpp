// Answers come from whatever process writes to a client's reply queue: decoding must stay inside them.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "klcontrol_answer_decoders.h"
#include "klcontrol_client_message.h"
#include "klcontrol_command_table.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // An exact-size copy, so that any read past the received bytes is caught.
  const std::vector<uint8_t> received(data, data + size);
  klcontrol_answer_t answer;
  std::string problem;
  const int length = static_cast<int>(size);
  if (klcontrol_decode_answer(received.data(), length, answer, problem) && answer.payload.size() > size)
    std::abort();
  // Whatever the payload, every decoder reads it within its bytes.
  for (uint32_t command = 0; command < KLCONTROL_COMMAND_COUNT; ++command)
    klcontrol_decoded_text(command, klcontrol_decode_payload(command, answer.payload));
  if (klcontrol_decode_system_answer(received.data(), length, answer, problem) && answer.payload.empty())
    std::abort();
  return 0;
}
