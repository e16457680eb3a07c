// The whole-block reads of the remote API that change polling and the snapshot commands use.
#include "sim_handlers.h"

namespace {

constexpr uint16_t kGroupSettings = 7;
constexpr uint16_t kGroupSystem = 8;

void allStatus(SimCamera& camera, const klc_link_request&, SimReply& reply) {
  simAnswerBytes(reply, &camera.status(), sizeof(appc_system_all_status));
}

void allSettings(SimCamera& camera, const klc_link_request&, SimReply& reply) {
  simAnswerBytes(reply, &camera.settings(), sizeof(appc_setup_all_settings));
}

// The active preset group as one byte, as the multi-camera button reads it.
void activeGroup(SimCamera& camera, const klc_link_request&, SimReply& reply) {
  reply.answer.assign(1, uint8_t(camera.status().active_preset_group));
}

}  // namespace

void simAddStatusHandlers(SimHandlerTable& table) {
  table.add(klc_link_key(kGroupSystem, 11), allStatus);
  table.add(klc_link_key(kGroupSettings, 30), allSettings);
  table.add(klc_link_key(kGroupSettings, 10), activeGroup);
}
