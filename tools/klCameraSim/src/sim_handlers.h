// Request handlers of the simulated camera, registered by command family in one table.
#pragma once
#include <cstdint>
#include <initializer_list>
#include <map>
#include <vector>

#include "camera_remote_api.h"
#include "sim_camera.h"

// What the camera answers to one request, before any injected fault.
struct SimReply {
  int32_t status = 0;
  std::vector<uint8_t> answer;
};

// A handler changes the camera as the request asks and fills the reply.
using SimHandler = void (*)(SimCamera& camera, const klc_link_request& request, SimReply& reply);

// One simulated request: its (group, id) key and its handler.
struct SimHandlerRow {
  uint32_t key;
  SimHandler handler;
};

class SimHandlerTable {
 public:
  // The table of every simulated request.
  SimHandlerTable();
  // The handler of a (group, id) key, or null when the request is not simulated.
  SimHandler find(uint32_t key) const;
  // Registers the handler of one key.
  void add(uint32_t key, SimHandler handler) { mHandlers[key] = handler; }
  // Registers a family's rows, one per request it serves.
  void add(std::initializer_list<SimHandlerRow> rows) {
    for (const SimHandlerRow& row : rows) add(row.key, row.handler);
  }

 private:
  std::map<uint32_t, SimHandler> mHandlers;
};

// Family registrations, one per handler file.
void simAddStatusHandlers(SimHandlerTable& table);
void simAddStateHandlers(SimHandlerTable& table);
void simAddModeHandlers(SimHandlerTable& table);
void simAddCaptureHandlers(SimHandlerTable& table);
void simAddExposureHandlers(SimHandlerTable& table);
void simAddPresetHandlers(SimHandlerTable& table);
void simAddPresetChangeHandlers(SimHandlerTable& table);
void simAddTranscodeHandlers(SimHandlerTable& table);
void simAddSystemHandlers(SimHandlerTable& table);
void simAddLiveviewHandlers(SimHandlerTable& table);
void simAddMediaHandlers(SimHandlerTable& table);
void simAddConnectivityHandlers(SimHandlerTable& table);
void simAddSettingsHandlers(SimHandlerTable& table);

// Payload readers shared by the families: false when the payload is not exactly that long.
bool simPayloadWords(const klc_link_request& request, int32_t* words, unsigned count);
bool simPayloadByte(const klc_link_request& request, uint8_t& value);
// Refuses the request as an invalid parameter.
void simRefuse(SimReply& reply);
// Answers the bytes of a value as they lie in memory.
void simAnswerBytes(SimReply& reply, const void* bytes, size_t length);
