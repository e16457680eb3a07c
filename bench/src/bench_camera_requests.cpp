#include "bench_camera_requests.h"

#include <cstdlib>
#include <sstream>

#include "sim_control_socket.h"

namespace {

constexpr int kControlTimeoutMs = 2000;

// The sum of the per-request counters of a "counts" reply ("ok 8/11=3 7/30=1 malformed=0");
// -1 when the reply is not one.
long countsTotal(const std::string& reply) {
  if (reply.rfind("ok ", 0) != 0) return -1;
  std::istringstream words(reply.substr(3));
  long total = 0;
  std::string word;
  while (words >> word) {
    const size_t equals = word.find('=');
    if (equals == std::string::npos) return -1;
    if (word.compare(0, equals, "malformed") != 0) total += std::atol(word.c_str() + equals + 1);
  }
  return total;
}

long readTotal(int control, std::string& problem) {
  std::string reply;
  const long total =
      simControlExchange(control, "counts", reply, kControlTimeoutMs) ? countsTotal(reply) : -1;
  if (total < 0) problem = "the simulator's request counters: \"" + reply + "\"";
  return total;
}

}  // namespace

long benchCameraRequests(const BenchExchange& exchange, std::string& problem) {
  UniqueFd control = simControlConnect(SIM_CONTROL_NAME);
  if (!control.valid()) {
    problem = "no simulator control socket";
    return -1;
  }
  const long before = readTotal(control.get(), problem);
  if (before < 0 || !exchange(problem)) return -1;
  const long after = readTotal(control.get(), problem);
  return after < 0 ? -1 : after - before;
}
