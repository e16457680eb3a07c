// Any bytes received on the link queue: the simulator never crashes, and whatever it answers is a
// well-formed reply that echoes the request it answers.
#include <cstdint>
#include <cstdlib>

#include "CameraFactory.h"
#include "camera_link.h"
#include "sim_request_router.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // One camera for the whole run: state left by earlier inputs is part of what gets explored.
  static SimCamera camera(CAMERA_DEFAULT_MODEL);
  static SimRequestRouter router(camera);
  if (size > KLMSG_MAX) return 0;
  SimOutcome outcome;
  klc_link_request request{};
  const bool decodes = klc_link_decode_request(data, unsigned(size), &request) == 0;
  if (router.handle(data, unsigned(size), outcome) != decodes) std::abort();
  if (!outcome.send) return 0;
  klc_link_reply reply{};
  if (klc_link_decode_reply(outcome.message.data(), unsigned(outcome.message.size()), &reply) != 0)
    std::abort();
  if (reply.header.seq != request.header.seq || reply.header.group != request.header.group ||
      reply.header.id != request.header.id || outcome.replyQueue != request.replyQueue ||
      outcome.replyQueueId != request.replyQueueId) {
    std::abort();
  }
  return 0;
}
