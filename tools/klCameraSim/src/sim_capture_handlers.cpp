// Capture: the shutter starts and stops recordings and takes photos.
#include "klErrno.h"
#include "sim_handlers.h"

namespace {

void shutter(SimCamera& camera, const klc_link_request& request, SimReply& reply) {
  uint8_t value = 0;
  reply.status = simPayloadByte(request, value) && value <= 1 ? camera.shutter(value == 1) : KL_ERR_INVALID_PARAM;
}

}  // namespace

void simAddCaptureHandlers(SimHandlerTable& table) { table.add(KLC_OP_APP_SHUTTER, shutter); }
