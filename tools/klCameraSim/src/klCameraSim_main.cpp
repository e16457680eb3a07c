// klCameraSim: the simulated camera, or a control client of a running one.
#include <csignal>
#include <cstdio>

#include "sim_control_socket.h"
#include "sim_log.h"
#include "sim_options.h"
#include "sim_simulator.h"

namespace {

constexpr int kControlTimeoutMs = 5000;

SimSimulator* g_simulator = nullptr;

void onStopSignal(int) {
  if (g_simulator != nullptr) g_simulator->requestStop();
}

int runControl(const SimCommandLine& line) {
  std::string reply;
  const std::string name = line.options.controlName.empty() ? SIM_CONTROL_NAME : line.options.controlName;
  if (!simControlRequest(name, line.controlLine, reply, kControlTimeoutMs)) {
    std::fprintf(stderr, "klCameraSim: no simulator answers on @%s\n", name.c_str());
    return 2;
  }
  std::printf("%s\n", reply.c_str());
  return reply.compare(0, 2, "ok") == 0 ? 0 : 1;
}

int runSimulator(const SimOptions& options) {
  SimSimulator simulator(options);
  if (!simulator.open()) return 1;
  g_simulator = &simulator;
  struct sigaction action {};
  action.sa_handler = onStopSignal;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  const int result = simulator.run();
  g_simulator = nullptr;
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  SimCommandLine line;
  std::string error;
  if (!simParseCommandLine(argc, argv, line, error)) {
    simLog("%s", error.c_str());
    std::fputs(simUsage(), stderr);
    return 2;
  }
  return line.control ? runControl(line) : runSimulator(line.options);
}
