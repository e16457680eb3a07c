// klbench: the figures of scripts/bench, each a ratio of a baseline measured in the same run or an
// absolute cost, with its goal. Run it beside a daemon and a simulator (--fast) that it alone uses; it
// ends the simulator to measure against a camera of its own last. With --start-up it starts and stops
// the daemon itself, beside a simulator and no other daemon. Exit status: 0 every goal met, 1 a goal
// missed, 2 a measurement failed. With --klctl-rounds it times klctl's exchange of command 41 in rounds
// asked for on its input, for the Python module's figure.
#include <sched.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <iostream>
#include <memory>
#include <thread>

#include "bench_camera.h"
#include "bench_camera_requests.h"
#include "bench_daemon_costs.h"
#include "bench_dbus.h"
#include "bench_echo.h"
#include "bench_klctl_rounds.h"
#include "bench_latency.h"
#include "bench_proc.h"
#include "bench_report.h"
#include "bench_start_up.h"
#include "klcontrol_command_table.h"
#include "klcontrol_endpoints.h"
#include "klctl_exchange.h"

namespace {

constexpr double KIB_PER_MIB = 1024;
constexpr double RSS_GOAL_MIB = 6;
// The goal of a command in floors: each round trip it makes may cost 15 % above the floor.
constexpr double GOAL_PER_FLOOR = 1.15;

struct BenchPlan {
  pid_t daemon = 0;
  pid_t camera = 0;          // the simulator, ended for the bench camera's phase
  std::string startUp;       // the daemon's program, to measure its start-up alone
  unsigned klctlRounds = 0;  // exchanges per round of klctl's exchange, served on the input
  unsigned starts = 5;
  unsigned rounds = 20;
  unsigned long loadCommands = 100000;
  int cpuWindowMs = 10000;
  double throughputSeconds = 3;
  unsigned changes = 12;
  std::string busAddress;  // of the bus for the D-Bus side-by-side
};

bool parse(int argc, char** argv, BenchPlan& plan) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--daemon-pid") == 0 && i + 1 < argc) {
      plan.daemon = pid_t(std::atoi(argv[++i]));
    } else if (std::strcmp(argv[i], "--camera-pid") == 0 && i + 1 < argc) {
      plan.camera = pid_t(std::atoi(argv[++i]));
    } else if (std::strcmp(argv[i], "--start-up") == 0 && i + 1 < argc) {
      plan.startUp = argv[++i];
    } else if (std::strcmp(argv[i], "--klctl-rounds") == 0 && i + 1 < argc) {
      plan.klctlRounds = unsigned(std::atoi(argv[++i]));
    } else if (std::strcmp(argv[i], "--bus-address") == 0 && i + 1 < argc) {
      plan.busAddress = argv[++i];
    } else if (std::strcmp(argv[i], "--quick") == 0) {
      plan.rounds = 2;
      plan.loadCommands = 2000;
      plan.cpuWindowMs = 1000;
      plan.throughputSeconds = 0.5;
      plan.changes = 2;
      plan.starts = 2;
    } else {
      return false;
    }
  }
  return !plan.startUp.empty() || plan.klctlRounds > 0 ||
         (plan.daemon > 0 && plan.camera > 0 && !plan.busAddress.empty());
}

std::string loadAverage() {
  std::ifstream in("/proc/loadavg");
  double one = 0, five = 0;
  in >> one >> five;
  return benchText("load average %.2f (1 min), %.2f (5 min)", one, five);
}

std::string mib(long kib) {
  return benchText("%.2f MiB", double(kib) / KIB_PER_MIB);
}

// Command 41 per second from 1 and 4 requesters (each with its own reply queue) beside D-Bus calls
// per second from as many callers (each with its own bus connection).
bool reportThroughput(BenchReport& report, const BenchPlan& plan) {
  for (unsigned count : {1u, 4u}) {
    std::vector<std::unique_ptr<BenchRequester>> requesters;
    std::vector<std::unique_ptr<BenchDbusCaller>> callers;
    std::vector<BenchExchange> commands, calls;
    for (unsigned i = 0; i < count; ++i) {
      requesters.push_back(std::make_unique<BenchRequester>());
      callers.push_back(std::make_unique<BenchDbusCaller>());
      if (!requesters.back()->open() || !callers.back()->open(plan.busAddress)) {
        report.failed("throughput", "cannot open a reply queue or a bus connection");
        return false;
      }
      BenchRequester& requester = *requesters.back();
      commands.push_back(benchQueueExchange(requester, requester.request(KLCONTROL_REMOTE_API, nullptr)));
      calls.push_back(benchDbusExchange(*callers.back(), KLCONTROL_REMOTE_API));
    }
    const double commandRate = benchThroughput(commands, plan.throughputSeconds);
    const double callRate = benchThroughput(calls, plan.throughputSeconds);
    if (commandRate < 0 || callRate < 0) {
      report.failed(benchText("throughput, %u clients", count), "a request went unanswered");
      return false;
    }
    const char* plural = count > 1 ? "s" : "";
    report.figure(benchText("command 41 per second, %u requester%s", count, plural),
                  benchText("%.0f /s (%.2f x D-Bus)", commandRate, commandRate / callRate));
    report.figure(benchText("D-Bus calls per second, %u caller%s", count, plural),
                  benchText("%.0f /s", callRate));
  }
  return true;
}

struct Command {
  uint32_t number;
  unsigned perRound;
  int roundTrips;   // the goal in floors: 1 + its camera requests; -1: counted in the run; 0: no goal
  bool versusDbus;  // also printed as a ratio of the D-Bus call
};

const Command kCommands[] = {
    {KLCONTROL_REMOTE_API, 500, 1, true},
    {KLCONTROL_GET_ALL_STATUS, 250, 2, true},
    {KLCONTROL_PRESET_GET_PRESETS, 10, -1, false},
    {KLCONTROL_GET_ALL_SETTINGS_STATUS_IDS, 50, 0, false},
};
constexpr size_t kCommandCount = sizeof kCommands / sizeof kCommands[0];
// The latency series: the baselines, then one per command.
enum : size_t { kRaw, kFloor, kDbus, kFirstCommand };

// The commands measured against the bench's own camera: those that ask the camera.
const Command kBenchCameraCommands[] = {
    {KLCONTROL_GET_ALL_STATUS, 250, 2, false},
    {KLCONTROL_PRESET_GET_PRESETS, 10, -1, false},
};

// The latency series of a command.
BenchSeries commandSeries(BenchRequester& daemon, const Command& command) {
  return {benchText("command %u", command.number),
          benchQueueExchange(daemon, daemon.request(command.number, nullptr)),
          command.perRound,
          {}};
}

// The camera requests one exchange made; -1 with the reason when they could not be counted.
using RequestCounter = std::function<long(const BenchExchange&, std::string&)>;

// A command's p50 and p99 as ratios of the floor's, and the p50 against its goal: one floor for the
// client's round trip and one for each camera request, each allowed 15 % above it. The camera is
// named in the figures when it is not the simulated one; dbus, when not null, adds the ratio to it.
void reportCommand(BenchReport& report, const Command& command, const char* camera, const BenchSamples& floor,
                   const BenchSamples* dbus, const BenchSamples& samples, long requests) {
  const double p50 = samples.percentile(50), ratio = p50 / floor.percentile(50);
  const std::string name = benchText("command %u%s p50 / floor p50", command.number, camera);
  const std::string value = benchText("%.2f x (%.1f us)", ratio, p50);
  const int roundTrips = command.roundTrips < 0 ? int(requests) + 1 : command.roundTrips;
  report.figure(benchText("command %u%s, camera requests of one", command.number, camera),
                benchText("%ld", requests));
  if (roundTrips > 0) {
    const double goal = roundTrips * GOAL_PER_FLOOR;
    report.goal(name, value, benchText("<= %.2f x (%d x %.2f)", goal, roundTrips, GOAL_PER_FLOOR),
                ratio <= goal);
  } else {
    report.figure(name, value);
  }
  const double p99 = samples.percentile(99);
  report.figure(benchText("command %u%s p99 / floor p99", command.number, camera),
                benchText("%.2f x (%.1f us)", p99 / floor.percentile(99), p99));
  if (dbus != nullptr) {
    report.figure(benchText("command %u p50 / D-Bus call p50", command.number),
                  benchText("%.2f x", p50 / dbus->percentile(50)));
  }
}

// A warm-up round, then the camera requests of one of each command from the first on.
bool warmUp(BenchReport& report, const std::vector<BenchSeries>& series, size_t firstCommand,
            const RequestCounter& countRequests, std::vector<long>& requests) {
  std::vector<BenchSeries> warmUp = series;
  std::string problem;
  if (!benchMeasureRounds(warmUp, 1, problem)) {
    report.failed("latencies, warm-up", problem);
    return false;
  }
  for (size_t i = firstCommand; i < series.size(); ++i) {
    requests.push_back(countRequests(series[i].exchange, problem));
    if (requests.back() < 0) {
      report.failed(series[i].name + ", camera requests", problem);
      return false;
    }
  }
  return true;
}

bool measureRounds(BenchReport& report, std::vector<BenchSeries>& series, const BenchPlan& plan) {
  std::string problem;
  if (benchMeasureRounds(series, plan.rounds, problem)) return true;
  report.failed("latencies", problem);
  return false;
}

// The latency block: the raw round trip, the floor (a server making the daemon's queue calls and
// nothing else), the D-Bus call, and each command against the floor and the D-Bus call.
bool reportLatencies(BenchReport& report, BenchRequester& raw, BenchRequester& floor, BenchDbusCaller& dbus,
                     BenchRequester& daemon, const BenchPlan& plan) {
  // The same bytes for the queue baselines as for the cheapest command: only the far side differs.
  std::vector<BenchSeries> series = {
      {"raw round trip", benchQueueExchange(raw, raw.request(KLCONTROL_REMOTE_API, nullptr)), 500, {}},
      {"floor", benchQueueExchange(floor, floor.request(KLCONTROL_REMOTE_API, nullptr)), 500, {}},
      {"D-Bus call", benchDbusExchange(dbus, KLCONTROL_REMOTE_API), 500, {}},
  };
  for (const Command& command : kCommands) series.push_back(commandSeries(daemon, command));
  std::vector<long> requests;
  if (!warmUp(report, series, kFirstCommand, benchCameraRequests, requests) ||
      !measureRounds(report, series, plan))
    return false;
  const BenchSamples &rawSamples = series[kRaw].samples, &floorSamples = series[kFloor].samples;
  const BenchSamples& dbusSamples = series[kDbus].samples;
  const double raw50 = rawSamples.percentile(50);
  report.figure("raw queue round trip p50 / p99",
                benchText("%.1f / %.1f us", raw50, rawSamples.percentile(99)));
  report.figure("floor (the daemon's queue calls) p50 / p99",
                benchText("%.2f x raw (%.1f / %.1f us)", floorSamples.percentile(50) / raw50,
                          floorSamples.percentile(50), floorSamples.percentile(99)));
  report.figure("D-Bus call p50 / p99", benchText("%.2f x floor (%.1f / %.1f us)",
                                                  dbusSamples.percentile(50) / floorSamples.percentile(50),
                                                  dbusSamples.percentile(50), dbusSamples.percentile(99)));
  for (size_t i = 0; i < kCommandCount; ++i) {
    const BenchSamples* versus = kCommands[i].versusDbus ? &dbusSamples : nullptr;
    reportCommand(report, kCommands[i], "", floorSamples, versus, series[kFirstCommand + i].samples,
                  requests[i]);
  }
  return reportThroughput(report, plan);
}

void reportCpu(BenchReport& report, const char* name, double percent, double goal) {
  if (percent < 0) return report.failed(name, "/proc unreadable");
  report.goal(name, benchText("%.2f %% of one core", percent), benchText("< %.1f %%", goal), percent < goal);
}

bool reportMemory(BenchReport& report, BenchRequester& daemon, const BenchPlan& plan, long startKib) {
  const std::vector<uint32_t> cycle = {KLCONTROL_REMOTE_API, KLCONTROL_GET_ALL_STATUS, KLCONTROL_REMOTE_API,
                                       KLCONTROL_GET_ALL_STATUS, KLCONTROL_GET_ALL_SETTINGS_STATUS_IDS};
  const long warmKib = benchRssKib(plan.daemon);
  std::string problem;
  if (!benchCommandLoad(daemon, cycle, plan.loadCommands, problem)) {
    report.failed("memory under load", problem);
    return false;
  }
  const long afterKib = benchRssKib(plan.daemon);
  const double limit = RSS_GOAL_MIB * KIB_PER_MIB;
  const std::string goal = benchText("<= %.0f MiB", RSS_GOAL_MIB);
  report.goal("resident memory after start", mib(startKib), goal, startKib <= limit);
  report.goal("resident memory after warm-up", mib(warmKib), goal, warmKib <= limit);
  report.goal(benchText("resident memory after %lu more commands", plan.loadCommands), mib(afterKib), goal,
              afterKib <= limit);
  report.goal("growth over those commands", benchText("%ld KiB", afterKib - warmKib), "0 KiB",
              afterKib <= warmKib);
  // Most of VmRSS is pages of shared libraries; what the daemon has to itself is the anonymous part.
  report.figure("  of which anonymous (RssAnon) / Pss",
                benchText("%s / %s", mib(benchProcKib(plan.daemon, "status", "RssAnon")).c_str(),
                          mib(benchProcKib(plan.daemon, "smaps_rollup", "Pss")).c_str()));
  return true;
}

// Changes of setting 105 on the simulated camera, alternately to 3 and back.
std::vector<BenchCameraChange> settingChanges(const BenchPlan& plan) {
  std::vector<BenchCameraChange> changes;
  for (unsigned i = 0; i < plan.changes; ++i) {
    changes.push_back({i % 2 == 0 ? "set settings@82:1 3" : "set settings@82:1 0", "\"105\":"});
  }
  return changes;
}

unsigned documentsRead(const std::vector<BenchDocumentClient*>& clients) {
  unsigned documents = 0;
  for (const BenchDocumentClient* client : clients) documents += client->documents();
  return documents;
}

// Each change's document reaches every client: the last at most 5 ms after the first, and within a
// poll period plus the time of a poll after the change, as for one client. Then how much daemon CPU
// each document sent costs (the polls between changes included).
void reportFanOutFigures(BenchReport& report, const std::vector<BenchDocumentClient*>& clients,
                         const BenchPlan& plan) {
  const unsigned period = KLCONTROL_RECEIVE_TIMEOUT_MS;
  const double runBefore = benchRunSeconds(plan.daemon);
  const unsigned documentsBefore = documentsRead(clients);
  std::vector<std::vector<double>> arrivals;
  std::string problem;
  if (!benchChangeArrivals(clients, settingChanges(plan), period, arrivals, problem))
    return report.failed("fan-out", problem);
  const double runUs = (benchRunSeconds(plan.daemon) - runBefore) * 1e6;
  const unsigned documents = documentsRead(clients) - documentsBefore;
  const BenchArrivals figures = benchArrivals(arrivals);
  const size_t count = clients.size();
  report.goal(
      benchText("fan-out to %zu clients, first to last, worst", count),
      benchText("%.2f ms (p50 %.2f ms)", figures.spread.max() / 1e3, figures.spread.percentile(50) / 1e3),
      "<= 5 ms", figures.spread.max() <= 5e3);
  report.goal(
      benchText("fan-out to %zu clients, change to last, worst", count),
      benchText("%.1f ms (p50 %.1f ms)", figures.toLast.max() / 1e3, figures.toLast.percentile(50) / 1e3),
      benchText("<= %u + 5 ms", period), figures.toLast.max() <= (period + 5) * 1e3);
  report.figure("daemon CPU per document sent, polls included",
                benchText("%.1f us (%u documents, %.1f ms)", runUs / documents, documents, runUs / 1e3));
}

// Ten notification clients, the active TCP client and four more, and five queue clients, each with its
// full state read first.
void reportFanOut(BenchReport& report, BenchRequester& daemon, BenchPushClient& active,
                  const BenchPlan& plan) {
  constexpr unsigned kSockets = 5, kQueues = 5;
  constexpr int kFirstDocumentMs = 10000;
  std::vector<std::unique_ptr<BenchPushClient>> sockets;
  std::vector<std::unique_ptr<BenchQueueClient>> queues;
  std::vector<BenchDocumentClient*> clients = {&active};
  for (unsigned i = 1; i < kSockets; ++i) {
    sockets.push_back(std::make_unique<BenchPushClient>());
    if (!sockets.back()->connectAndResume(daemon, kFirstDocumentMs))
      return report.failed("fan-out", "a TCP client got no first document");
    clients.push_back(sockets.back().get());
  }
  for (unsigned i = 0; i < kQueues; ++i) {
    queues.push_back(std::make_unique<BenchQueueClient>(daemon));
    if (!queues.back()->open() || !queues.back()->waitFor("", kFirstDocumentMs))
      return report.failed("fan-out", "a queue client was refused or got no first document");
    clients.push_back(queues.back().get());
  }
  reportFanOutFigures(report, clients, plan);
}

// The active-client block: CPU while one TCP client listens, change latencies at it, then the fan-out
// to ten clients.
void reportActiveClient(BenchReport& report, BenchRequester& daemon, const BenchPlan& plan) {
  BenchPushClient client;
  if (!client.connectAndResume(daemon, 10000))
    return report.failed("notification client", "no first document");
  BenchCpuWindow window(plan.daemon);
  client.readFor(plan.cpuWindowMs);
  reportCpu(report, "daemon CPU, one active notification client", window.percent(), 2.0);
  std::vector<std::vector<double>> arrivals;
  std::string problem;
  const unsigned period = KLCONTROL_RECEIVE_TIMEOUT_MS;
  if (!benchChangeArrivals({&client}, settingChanges(plan), period, arrivals, problem))
    return report.failed("change latency", problem);
  const BenchSamples latency = benchArrivals(arrivals).toLast;
  const double worstMs = latency.max() / 1e3;
  report.goal("camera change to client, worst",
              benchText("%.1f ms (p50 %.1f ms)", worstMs, latency.percentile(50) / 1e3),
              benchText("<= %u + 5 ms", period), worstMs <= period + 5);
  reportFanOut(report, daemon, client, plan);
}

// Ends the simulated camera and lets the bench camera take its queues. The daemon's next camera
// request still goes to the removed queue and fails after the link's time-out; the camera library
// then opens the new one.
bool switchToBenchCamera(BenchCamera& camera, BenchRequester& daemon, pid_t simulator) {
  constexpr double kEndUs = 10e6;
  const double start = benchNowUs();
  kill(simulator, SIGTERM);
  while (!benchProcessEnded(simulator)) {
    if (benchNowUs() - start > kEndUs) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  klcontrol_answer_t answer;
  return camera.start() && daemon.exchange(daemon.request(KLCONTROL_GET_ALL_STATUS, nullptr), answer);
}

// Commands 33 and 81 against the bench camera, which costs nothing beyond the link's calls, each against
// the floor of the same rounds; the camera counts the requests itself.
void reportBenchCamera(BenchReport& report, BenchRequester& floor, BenchRequester& daemon,
                       const BenchPlan& plan) {
  BenchCamera camera;
  if (!switchToBenchCamera(camera, daemon, plan.camera))
    return report.failed("bench camera", "the simulated camera did not end or left its queues");
  std::vector<BenchSeries> series = {
      {"floor", benchQueueExchange(floor, floor.request(KLCONTROL_REMOTE_API, nullptr)), 500, {}}};
  for (const Command& command : kBenchCameraCommands) series.push_back(commandSeries(daemon, command));
  const RequestCounter countRequests = [&camera](const BenchExchange& exchange, std::string& problem) {
    const unsigned long before = camera.requests();
    return exchange(problem) ? long(camera.requests() - before) : -1L;
  };
  std::vector<long> requests;
  if (!warmUp(report, series, 1, countRequests, requests)) return;
  const unsigned long made = camera.made();
  if (!measureRounds(report, series, plan)) return;
  // Every answer of the measured rounds must have come from the table.
  if (camera.made() != made)
    return report.failed("bench camera", benchText("%lu answers made in the rounds", camera.made() - made));
  const BenchSamples& floorSamples = series[0].samples;
  report.figure("floor p50, bench camera rounds", benchText("%.1f us", floorSamples.percentile(50)));
  for (size_t i = 0; i < requests.size(); ++i) {
    reportCommand(report, kBenchCameraCommands[i], " (bench camera)", floorSamples, nullptr,
                  series[i + 1].samples, requests[i]);
  }
}

void printRun(const BenchPlan& plan) {
  cpu_set_t allowed;
  CPU_ZERO(&allowed);
  sched_getaffinity(0, sizeof allowed, &allowed);
  std::cout << "klbench: " << sysconf(_SC_NPROCESSORS_ONLN) << " cores, this run on " << CPU_COUNT(&allowed)
            << ", " << loadAverage() << " at start\n";
  if (plan.rounds < BenchPlan().rounds)
    std::cout << "klbench: a quick run: too few samples for the verdicts to mean anything\n";
}

int finish(const BenchReport& report) {
  std::cout << "klbench: " << loadAverage() << " at the end; " << report.misses() << " goal(s) missed, "
            << report.failures() << " measurement(s) failed\n";
  if (report.failures() > 0) return 2;
  return report.misses() > 0 ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  BenchPlan plan;
  if (!parse(argc, argv, plan)) {
    std::cerr << "usage: klbench --daemon-pid PID --camera-pid PID --bus-address ADDRESS [--quick]\n"
                 "       klbench --start-up PROGRAM [--quick]\n"
                 "       klbench --klctl-rounds EXCHANGES\n";
    return 2;
  }
  if (plan.klctlRounds > 0) {
    const UniqueQueue reply = klctlCreateReplyQueue(klctlReplyQueueName());
    if (!reply.valid()) return 2;
    return benchServeRounds(benchKlctlExchange(reply, KLCONTROL_REMOTE_API), plan.klctlRounds, std::cin,
                            std::cout);
  }
  BenchReport report(std::cout);
  if (!plan.startUp.empty()) {
    printRun(plan);
    benchReportStartUps(report, plan.startUp, plan.starts);
    return finish(report);
  }
  const long startKib = benchRssKib(plan.daemon);
  BenchEcho rawServer, floorServer;
  BenchDbusServer dbusServer;
  BenchRequester raw, floor, daemon;
  BenchDbusCaller dbus;
  if (!rawServer.start(benchPlainAnswer(), BenchEchoCalls::Raw) || !raw.open(rawServer.requestQueue()) ||
      !floorServer.start(benchPlainAnswer(), BenchEchoCalls::Daemon) ||
      !floor.open(floorServer.requestQueue()) || !daemon.open()) {
    std::cerr << "klbench: cannot open the queues (is klControlD running?)\n";
    return 2;
  }
  if (!dbusServer.start(plan.busAddress) || !dbus.open(plan.busAddress)) {
    std::cerr << "klbench: no D-Bus server on the bus at " << plan.busAddress << "\n";
    return 2;
  }
  printRun(plan);
  BenchCpuWindow idle(plan.daemon);
  std::this_thread::sleep_for(std::chrono::milliseconds(plan.cpuWindowMs));
  reportCpu(report, "daemon CPU, idle (no client)", idle.percent(), 0.5);
  if (reportLatencies(report, raw, floor, dbus, daemon, plan)) reportMemory(report, daemon, plan, startKib);
  reportActiveClient(report, daemon, plan);
  reportBenchCamera(report, floor, daemon, plan);
  return finish(report);
}
