// Mode selection and the values that belong to a mode (flat mode, zoom, video format).
#include "klErrno.h"
#include "sim_handlers.h"

namespace {

constexpr int32_t kMaxZoom = 103;

void setMode(SimCamera& camera, const klc_link_request& request, SimReply& reply) {
  int32_t mode = 0;
  reply.status = simPayloadWords(request, &mode, 1) ? camera.setMode(mode) : KL_ERR_INVALID_PARAM;
}

void setModeSubMode(SimCamera& camera, const klc_link_request& request, SimReply& reply) {
  int32_t words[2] = {};
  reply.status =
      simPayloadWords(request, words, 2) ? camera.setModeSubMode(words[0], words[1]) : KL_ERR_INVALID_PARAM;
}

void getModeFlatMode(SimCamera& camera, const klc_link_request&, SimReply& reply) {
  const int32_t words[2] = {camera.status().mode, camera.settings().flat_mode};
  simAnswerBytes(reply, words, sizeof words);
}

void setDigitalZoom(SimCamera& camera, const klc_link_request& request, SimReply& reply) {
  int32_t zoom = 0;
  if (!simPayloadWords(request, &zoom, 1) || zoom < 0 || zoom > kMaxZoom) {
    reply.status = KL_ERR_INVALID_PARAM;
    return;
  }
  camera.setZoom(uint8_t(zoom));
}

// Only video modes have a resolution to bring back to a valid combination.
void resetVideoFormat(SimCamera& camera, const klc_link_request&, SimReply& reply) {
  if (SimCamera::groupOfFlatMode(camera.settings().flat_mode) != 0) reply.status = KL_ERR_NOT_SUPPORTED;
}

}  // namespace

void simAddModeHandlers(SimHandlerTable& table) {
  table.add({
      {KLC_OP_APP_SET_MODE, setMode},
      {KLC_OP_APP_SET_MODE_SUB_MODE, setModeSubMode},
      {KLC_OP_APP_GET_MODE_FLAT_MODE, getModeFlatMode},
      {KLC_OP_APP_SET_DIGITAL_ZOOM, setDigitalZoom},
      {KLC_OP_VIDEO_RESET_TO_VALID_RES_FPS_FOV, resetVideoFormat},
  });
}
