// A command server against a simulated camera that a test prepares before it serves (custom presets,
// model, lens mode), and the camera's preset records read through the camera-control library.
#pragma once

#include <cstring>
#include <functional>
#include <string>

#include "klcontrol_preset_loader.h"
#include "test_server_fixture.h"

class PresetCameraTest : public ServerTest {
 protected:
  // Each test starts the camera itself, prepared as it needs.
  void SetUp() override { enterFreshNamespaces(); }

  void start(const std::function<void(SimCamera&)>& prepare = {}) {
    // Events would only pile up in the queue of a stopped worker.
    ASSERT_NO_FATAL_FAILURE(startCamera(prepare, workerServes));
    startServer();
    if (workerServes) return;
    // The worker reads the camera as it starts. The test then calls the camera library on its own
    // thread, with the process's one camera context: the worker is stopped and joined first, and
    // the queues are opened again for the library alone.
    server->shutdown();
    ASSERT_EQ(server->interfaceOpen(), 0);
  }

  // Whether the worker keeps serving commands (and the camera sends it "PU" events); off for tests
  // that call the camera library themselves.
  bool workerServes = false;

  // The camera's record of a preset, as the preset commands read it.
  static bool cameraRecord(uint32_t id, appc_presets_settings_info& info) {
    uint8_t* answer = nullptr;
    uint16_t length = 0;
    const int rc = klc_send_remote_api_payload_response(&KlcontrolCommandServer::m_cameraContext, 17, 2, &id,
                                                        sizeof id, &answer, &length);
    if (rc != 0 || answer == nullptr || length != sizeof info) return false;
    std::memcpy(&info, answer, sizeof info);
    return true;
  }
};
