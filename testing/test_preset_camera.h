// A command server against a simulated camera that a test prepares before it serves (custom presets,
// model, lens mode), optionally stopped so that the test calls the camera-control library itself.
#pragma once

#include <functional>

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
};
