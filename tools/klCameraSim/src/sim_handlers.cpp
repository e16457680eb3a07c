#include "sim_handlers.h"

#include <cstring>

#include "klErrno.h"

SimHandlerTable::SimHandlerTable() {
  simAddStatusHandlers(*this);
  simAddStateHandlers(*this);
  simAddModeHandlers(*this);
  simAddCaptureHandlers(*this);
  simAddExposureHandlers(*this);
  simAddPresetHandlers(*this);
  simAddPresetChangeHandlers(*this);
  simAddTranscodeHandlers(*this);
  simAddSystemHandlers(*this);
  simAddLiveviewHandlers(*this);
  simAddMediaHandlers(*this);
  simAddConnectivityHandlers(*this);
  simAddSettingsHandlers(*this);
}

SimHandler SimHandlerTable::find(uint32_t key) const {
  auto it = mHandlers.find(key);
  return it == mHandlers.end() ? nullptr : it->second;
}

bool simPayloadWords(const klc_link_request& request, int32_t* words, unsigned count) {
  if (request.payloadLength != count * sizeof(int32_t)) return false;
  std::memcpy(words, request.payload, request.payloadLength);
  return true;
}

bool simPayloadByte(const klc_link_request& request, uint8_t& value) {
  if (request.payloadLength != 1) return false;
  value = request.payload[0];
  return true;
}

void simRefuse(SimReply& reply) {
  reply.status = KL_ERR_INVALID_PARAM;
}

void simAnswerBytes(SimReply& reply, const void* bytes, size_t length) {
  const uint8_t* first = static_cast<const uint8_t*>(bytes);
  reply.answer.assign(first, first + length);
}
