#include "test_fuzz_daemon.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "klLog.h"
#include "kl_test_namespace.h"
#include "klcontrol_if_server.h"
#include "klcontrol_preset_wire.h"
#include "test_process.h"
#include "wait_until.h"

namespace {

// Each thread's system call, so that a worker stuck in a send is told from a slow input.
[[noreturn]] void fail(const char* what) {
  const int error = errno;
  std::fprintf(stderr, "fuzz daemon: %s (%s)\n", what, std::strerror(error));
  for (const auto& [thread, call] : threadSyscalls(getpid()))
    std::fprintf(stderr, "thread %d: system call %ld\n", int(thread), call);
  std::abort();
}

FuzzCamera* gCamera = nullptr;
bool gServerStarted = false;

}  // namespace

// The replay main calls this before it returns: the threads stop before the static objects they use are
// destroyed (the daemon first, then the camera it talks to).
extern "C" void klFuzzTeardown() {
  if (gServerStarted) {
    KlcontrolCommandServer* server = KlcontrolCommandServer::getInstance();
    server->setRunning(false);
    server->shutdown();
  }
  if (gCamera != nullptr) {
    gCamera->sim->requestStop();
    gCamera->thread.join();
  }
}

FuzzCamera::FuzzCamera() {
  SimOptions options;
  options.replyDelayMs = 0;
  sim = std::make_unique<SimSimulator>(options);
  if (!sim->open()) std::abort();
  thread = std::thread([this] { sim->run(); });
  gCamera = this;
}

void FuzzDaemon::enterNamespaces() {
  static const bool entered = klEnterPrivateNamespaces();
  if (!entered) std::abort();
}

FuzzSimHarness& fuzzSimHarness() {
  static FuzzSimHarness* harness = [] {
    FuzzDaemon::enterNamespaces();
    return new FuzzSimHarness;
  }();
  return *harness;
}

FuzzDaemon::FuzzDaemon() {
  // Refusals are logged for most inputs; formatting them for nobody only slows the run.
  g_logLevel = UTIL_LOG_OFF;
  g_presetCreateSettleTime = std::chrono::milliseconds(0);
  KlcontrolCommandServer* server = KlcontrolCommandServer::getInstance();
  if (server->start() != 0 || !waitUntil([server] { return server->isRunning(); })) std::abort();
  gServerStarted = true;
}

std::vector<TestAnswer> FuzzDaemon::exchange(const std::vector<uint8_t>& msg) {
  if (!TestRequester::sendToDaemon(msg)) fail("the daemon queue takes no message");
  // One worker takes the daemon queue in order: once command 1 is answered, msg has been handled.
  TestAnswer answer;
  if (!mSync.sendCommand(1)) fail("the daemon queue takes no message");
  if (!mSync.receive(answer)) fail("the worker did not answer within 5 s");
  if (mSync.pending() != 0) fail("a second answer on the sync queue");
  std::vector<TestAnswer> answers;
  while (mAnswers.receive(answer, 0)) answers.push_back(answer);
  // A set-log-level input must not leave the rest of the run logging.
  g_logLevel = UTIL_LOG_OFF;
  return answers;
}
