#include "bench_start_up.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <thread>

#include "bench_requester.h"
#include "bench_samples.h"
#include "klUniqueFd.h"
#include "klcontrol_command_table.h"
#include "klcontrol_endpoints.h"
#include "klcontrol_notification_socket.h"

namespace {

constexpr double kWaitUs = 10e6;
// Fine beside the milliseconds a start takes, and leaves the core to the daemon.
constexpr auto kProbePeriod = std::chrono::microseconds(200);

// Microseconds after start at which the probe first held; -1 when it did not within 10 s.
double firstHolds(const std::function<bool()>& probe, double start) {
  while (!probe()) {
    if (benchNowUs() - start > kWaitUs) return -1;
    std::this_thread::sleep_for(kProbePeriod);
  }
  return benchNowUs() - start;
}

bool queueExists(const char* name) {
  return benchOpenForWriting(name).valid();
}

bool answers41() {
  BenchRequester requester;
  klcontrol_answer_t answer;
  return requester.open() && requester.exchange(requester.request(KLCONTROL_REMOTE_API, nullptr), answer);
}

bool listening() {
  return UniqueFd(klcontrol_connect_notifications()).valid();
}

// Command 97, then the program's end: it notices within one wait of its accept loop.
bool stop(pid_t daemon) {
  BenchRequester requester;
  klcontrol_answer_t answer;
  if (requester.open()) requester.exchange(requester.request(KLCONTROL_WORKER_EXIT, nullptr), answer);
  const double start = benchNowUs();
  const bool ended = firstHolds([daemon] { return waitpid(daemon, nullptr, WNOHANG) == daemon; }, start) >= 0;
  if (ended) return true;
  kill(daemon, SIGKILL);
  waitpid(daemon, nullptr, 0);
  return false;
}

// One start: the times to the first answer of command 41 and to a connection on the port.
bool measureStart(const std::string& program, BenchSamples& answered, BenchSamples& accepted) {
  const double start = benchNowUs();
  const pid_t daemon = fork();
  if (daemon == 0) {
    execl(program.c_str(), program.c_str(), nullptr);
    _exit(127);
  }
  if (daemon < 0) return false;
  // The queue first: a request sent before it exists would have nowhere to go.
  const bool queue = firstHolds([] { return queueExists(KLCONTROL_DAEMON_QUEUE); }, start) >= 0;
  const double answerUs = queue && answers41() ? benchNowUs() - start : -1;
  const double acceptUs = firstHolds(listening, start);
  answered.add(answerUs / 1e3);
  accepted.add(acceptUs / 1e3);
  return stop(daemon) && answerUs >= 0 && acceptUs >= 0;
}

}  // namespace

bool benchReportStartUps(BenchReport& report, const std::string& program, unsigned starts) {
  BenchSamples answered, accepted;
  for (unsigned i = 0; i < starts; ++i) {
    if (!measureStart(program, answered, accepted)) {
      report.failed("daemon start", benchText("start %u did not answer, listen or end within 10 s", i + 1));
      return false;
    }
  }
  report.figure(benchText("daemon start to first answered command (%u)", starts),
                benchText("%.1f ms median (%.1f to %.1f)", answered.percentile(50), answered.percentile(0),
                          answered.max()));
  // Everything else the start does takes milliseconds: whole seconds are the start-up wait's sleeps.
  const double acceptedMs = accepted.percentile(50);
  const unsigned sleeps = unsigned(acceptedMs / (KLCONTROL_STARTUP_CHECK_S * 1e3));
  report.figure(benchText("daemon start to listening on %u (%u)", KLCONTROL_NOTIFICATION_PORT, starts),
                benchText("%.1f ms median: %u x %u s start-up wait + %.1f ms", acceptedMs, sleeps,
                          KLCONTROL_STARTUP_CHECK_S, acceptedMs - sleeps * KLCONTROL_STARTUP_CHECK_S * 1e3));
  return true;
}
