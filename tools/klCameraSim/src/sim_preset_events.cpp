#include "sim_preset_events.h"

#include <fcntl.h>
#include <mqueue.h>

#include "klTlv.h"
#include "klUniqueQueue.h"
#include "sim_events.h"
#include "sim_log.h"
#include "sim_simulator.h"

namespace {

// The simulator serves the daemon's requests on the same thread: waiting for room in the daemon's queue
// while the daemon waits for our next reply would stall both.
void sendWithoutWaiting(uint8_t code, uint32_t id) {
  uint8_t msg[KLMSG_MAX];
  const int length = simBuildPresetUpdate(msg, sizeof msg, code, id, SIM_EVENT_QUEUE);
  const UniqueQueue queue =
      length > 0 ? UniqueQueue::open(KLCONTROL_DAEMON_QUEUE, O_WRONLY | O_NONBLOCK) : UniqueQueue();
  const bool sent =
      queue.valid() && mq_send(queue.get(), reinterpret_cast<const char*>(msg), size_t(length), 0) == 0;
  if (!sent) simLog("PU %u 0x%08x not sent", unsigned(code), unsigned(id));
}

}  // namespace

void simPresetEventsAfterRequest(SimCamera& camera, bool send) {
  camera.syncPresetModified();
  const auto events = camera.presets().takeEvents();
  const uint32_t active = camera.status().modified_preset_id;
  uint32_t announced = 0;
  const bool known = camera.presets().announcedActive(announced);
  camera.presets().setAnnouncedActive(active);
  if (!send) return;
  for (const auto& [code, id] : events) sendWithoutWaiting(code, id);
  if (known && announced != active) sendWithoutWaiting(KLC_PU_SWITCHED, active);
}
