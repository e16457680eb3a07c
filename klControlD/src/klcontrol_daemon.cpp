#include "klcontrol_daemon.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <utility>

#include "klCrashHandler.h"
#include "klDebug.h"
#include "klPresetSchemas.h"
#include "klPushClient.h"
#include "klUniqueFd.h"
#include "klcontrol_if_server.h"
#include "klcontrol_log.h"

constexpr const char* LOG_SOURCE = "klControlD";

namespace {

constexpr uint32_t CRASH_HANDLER_OPTIONS = 0x0F0001FF;
constexpr int STARTUP_CHECKS = 10;
constexpr int ACCEPT_WAIT_MS = 2000;
constexpr int LISTEN_BACKLOG = 3;

void installCrashHandler() {
  const int rc = klch_install_crash_handler(CRASH_HANDLER_OPTIONS);
  if (rc != 0 && (g_debug_level & KLDBG_CRASH_HANDLER_LINE) != 0 && kldbg_above(23)) {
    kldbg_printf("Crash handler could not be initialized: %d (continuing)", rc);
  }
}

// At most STARTUP_CHECKS looks at the running flag, one second apart. A stop command that ends
// the worker before the first look makes the daemon exit as if the worker never ran.
bool waitForWorker() {
  for (int check = 0; check < STARTUP_CHECKS; ++check) {
    if (KlcontrolCommandServer::getInstance()->isRunning()) return true;
    sleep(KLCONTROL_STARTUP_CHECK_S);
  }
  return false;
}

int stopServer(int status) {
  KlcontrolCommandServer::getInstance()->shutdown();
  KlcontrolCommandServer::destroy();
  return status;
}

// The listening socket, or -1 after logging why (the caller then stops the server).
int openListener() {
  UniqueFd listener(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
  if (listener.get() < 0) {
    LOG(UTIL_LOG_ERROR, "Failed to create server socket, Exiting daemon");
    return -1;
  }
  // A restarted daemon listens again at once, not only when its predecessor's connections have left
  // TIME_WAIT; a port held by another listener still fails the bind.
  const int reuse = 1;
  setsockopt(listener.get(), SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_ANY);
  address.sin_port = htons(KLCONTROL_NOTIFICATION_PORT);
  if (bind(listener.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    LOG(UTIL_LOG_ERROR, "bind() failed on socket, Exiting daemon");
    return -1;
  }
  if (listen(listener.get(), LISTEN_BACKLOG) != 0) {
    LOG(UTIL_LOG_ERROR, "listen() failed on socket, Exiting daemon");
    return -1;
  }
  return listener.release();
}

bool setOption(int socket, int level, int name, int value) {
  return setsockopt(socket, level, name, &value, sizeof value) == 0;
}

// A peer that vanished without closing (a dropped Wi-Fi link) would keep its place for good; a failed
// connection shows in the worker's hang-up watch.
bool keepAlive(int socket) {
  const int silence =
      KLCONTROL_KEEPALIVE_IDLE_S + KLCONTROL_KEEPALIVE_INTERVAL_S * KLCONTROL_KEEPALIVE_PROBES;
  return setOption(socket, SOL_SOCKET, SO_KEEPALIVE, 1) &&
         setOption(socket, IPPROTO_TCP, TCP_KEEPIDLE, KLCONTROL_KEEPALIVE_IDLE_S) &&
         setOption(socket, IPPROTO_TCP, TCP_KEEPINTVL, KLCONTROL_KEEPALIVE_INTERVAL_S) &&
         setOption(socket, IPPROTO_TCP, TCP_KEEPCNT, KLCONTROL_KEEPALIVE_PROBES) &&
         setOption(socket, IPPROTO_TCP, TCP_USER_TIMEOUT, silence * 1000);
}

void acceptClient(int listener) {
  LOG(UTIL_LOG_INFO, "Accepting a notification client...\n");
  sockaddr_in peer{};
  socklen_t peerLength = sizeof peer;
  UniqueFd connection(accept(listener, reinterpret_cast<sockaddr*>(&peer), &peerLength));
  if (connection.get() < 0) {
    LOG(UTIL_LOG_ERROR, "accept() failed");
    return;
  }
  if (!setOption(connection.get(), IPPROTO_TCP, TCP_NODELAY, 1) || !keepAlive(connection.get())) return;
  char text[INET_ADDRSTRLEN] = "";
  inet_ntop(AF_INET, &peer.sin_addr, text, sizeof text);
  LOG(UTIL_LOG_DEBUG, "Accepted client %s\n", text);
  auto* client = new SocketNotificationClient(std::move(connection));
  if (!KlcontrolCommandServer::getInstance()->addNotificationClient(client)) {
    LOG(UTIL_LOG_ERROR, "Failed to add notification client");
    delete client;
  }
}

void acceptUntilStopped(int listener) {
  while (KlcontrolCommandServer::getInstance()->isRunning()) {
    pollfd readable{listener, POLLIN, 0};
    if (poll(&readable, 1, ACCEPT_WAIT_MS) <= 0) continue;
    acceptClient(listener);
  }
}

}  // namespace

int klcontrol_run(const char* argv0) {
  installCrashHandler();
  // A write to a pipe whose reader has gone (a standard error that log lines also reach) must
  // cost that write, not the daemon.
  signal(SIGPIPE, SIG_IGN);
  return klcontrol_serve(argv0);
}

int klcontrol_serve(const char* argv0) {
  LOG(UTIL_LOG_INFO, "Starting klControlD daemon");
  // Preset bodies are decoded against these descriptors; a build without them cannot serve presets.
  if (!klRegisterPresetSchemas()) LOG(UTIL_LOG_ERROR, "Preset schemas are not registered");
  const int rc = KlcontrolCommandServer::getInstance()->start();
  if (rc != 0) {
    LOG(UTIL_LOG_ERROR, "Failed to start daemon [%s], ret %d\n", argv0, rc);
    return rc;
  }
  if (!waitForWorker()) {
    stopServer(-1);
    LOG(UTIL_LOG_INFO, "Exiting klControlD daemon due to error");
    return -1;
  }
  UniqueFd listener(openListener());
  if (listener.get() < 0) return stopServer(-1);
  acceptUntilStopped(listener.get());
  stopServer(0);
  LOG(UTIL_LOG_INFO, "Exiting klControlD daemon");
  return 0;
}
