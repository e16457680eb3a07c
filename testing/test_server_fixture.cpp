#include "test_server_fixture.h"

#include <algorithm>
#include <regex>

#include "klErrno.h"
#include "kl_test_namespace.h"
#include "wait_until.h"

void ServerTest::SetUp() {
  enterFreshNamespaces();
  startCamera();
  for (const std::string& line : cameraSetup) ASSERT_EQ(control(line), "ok") << line;
  startServer();
}

// Fixed queue names and port: each test starts from empty ones (no thread runs at this point).
void ServerTest::enterFreshNamespaces() {
  ASSERT_TRUE(klEnterPrivateNamespaces());
  requester = std::make_unique<TestRequester>();
  g_logLevel = UTIL_LOG_TRACE;
}

void ServerTest::TearDown() {
  if (server != nullptr) {
    server->setRunning(false);
    server->shutdown();
    KlcontrolCommandServer::destroy();
  }
  _reset_model_number_cache();
  if (sim) {
    sim->requestStop();
    simThread.join();
    sim.reset();
  }
  g_logLevel = UTIL_LOG_ERROR;
}

void ServerTest::startCamera(const std::function<void(SimCamera&)>& prepare, bool presetEvents) {
  SimOptions options;
  options.replyDelayMs = 0;
  options.presetEvents = presetEvents;
  sim = std::make_unique<SimSimulator>(options);
  ASSERT_TRUE(sim->open());
  if (prepare) {
    KlLock lock(sim->mutex());
    prepare(sim->camera());
  }
  simThread = std::thread([this] { sim->run(); });
}

void ServerTest::startServer() {
  server = KlcontrolCommandServer::getInstance();
  ASSERT_EQ(server->start(), 0);
  ASSERT_TRUE(waitUntil([this] { return server->isRunning(); }));
  // Faults armed and requests counted afterwards are the test's own.
  if (server->isProtocolAdapterSet()) sync();
}

bool ServerTest::anyLine(const std::function<bool(const std::string&)>& matches) {
  const std::vector<std::string> texts = syslog.texts();
  lines.insert(lines.end(), texts.begin(), texts.end());
  return std::any_of(lines.begin(), lines.end(), matches);
}

void ServerTest::forgetLog() {
  syslog.texts();
  lines.clear();
}

bool ServerTest::loggedLine(int level, const std::string& text, const std::string& file) {
  const std::string head = std::string(klLogLevelName(level)) + ":" + text + " @" + file + ":";
  const auto matches = [&head](const std::string& line) {
    return line.size() > head.size() && line.compare(0, head.size(), head) == 0 &&
           line.find_first_not_of("0123456789", head.size()) == std::string::npos;
  };
  return waitUntil([&] { return anyLine(matches); }, std::chrono::seconds(2));
}

bool ServerTest::loggedLineMatching(int level, const std::string& pattern, const std::string& file) {
  const std::regex whole(std::string(klLogLevelName(level)) + ":" + pattern + " @" + file + ":[0-9]+");
  const auto matches = [&whole](const std::string& line) { return std::regex_match(line, whole); };
  return waitUntil([&] { return anyLine(matches); }, std::chrono::seconds(2));
}

void ServerTest::keepClientsUnserved() {
  EXPECT_EQ(control("fault 8/11 error -1 1000"), "ok");
}

void ServerTest::sync() {
  ASSERT_EQ(requester->call(1), KL_ERR_NOT_SUPPORTED);
}
