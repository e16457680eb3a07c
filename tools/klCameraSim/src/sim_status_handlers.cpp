// The whole-block reads of the remote API that change polling and the snapshot commands use.
#include "sim_handlers.h"

namespace {

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
  table.add({
      {REMOTE_SYSTEM_ALL_STATUS_GET, allStatus},
      {REMOTE_SYSTEM_ALL_SETTINGS_GET, allSettings},
      {REMOTE_SETTINGS_ACTIVE_GROUP_GET, activeGroup},
  });
}
