// klbench: the figures of scripts/bench, each a ratio of a baseline measured in the same run or an
// absolute cost, with its goal. Run it beside a daemon and a simulator (--fast)
// that it alone uses. Exit status: 0 every goal met, 1 a goal missed, 2 a measurement failed.
#include <sched.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <memory>
#include <thread>

#include "bench_camera_requests.h"
#include "bench_daemon_costs.h"
#include "bench_dbus.h"
#include "bench_echo.h"
#include "bench_latency.h"
#include "bench_proc.h"
#include "bench_report.h"
#include "klcontrol_command_table.h"
#include "klcontrol_endpoints.h"

namespace {

constexpr double KIB_PER_MIB = 1024;
constexpr double RSS_GOAL_MIB = 6;
// The goal of a command in floors: each round trip it makes may cost 15 % above the floor.
constexpr double GOAL_PER_FLOOR = 1.15;

struct BenchPlan {
  pid_t daemon = 0;
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
    } else if (std::strcmp(argv[i], "--bus-address") == 0 && i + 1 < argc) {
      plan.busAddress = argv[++i];
    } else if (std::strcmp(argv[i], "--quick") == 0) {
      plan.rounds = 2;
      plan.loadCommands = 2000;
      plan.cpuWindowMs = 1000;
      plan.throughputSeconds = 0.5;
      plan.changes = 2;
    } else {
      return false;
    }
  }
  return plan.daemon > 0 && !plan.busAddress.empty();
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

// A command's p50 and p99 as ratios of the floor's, and the p50 against its goal: one floor for the
// client's round trip and one for each camera request, each allowed 15 % above it.
void reportCommand(BenchReport& report, const Command& command, const std::vector<BenchSeries>& series,
                   const BenchSamples& samples, long requests) {
  const BenchSamples& floor = series[kFloor].samples;
  const double p50 = samples.percentile(50), ratio = p50 / floor.percentile(50);
  const std::string name = benchText("command %u p50 / floor p50", command.number);
  const std::string value = benchText("%.2f x (%.1f us)", ratio, p50);
  const int roundTrips = command.roundTrips < 0 ? int(requests) + 1 : command.roundTrips;
  report.figure(benchText("command %u, camera requests of one", command.number), benchText("%ld", requests));
  if (roundTrips > 0) {
    const double goal = roundTrips * GOAL_PER_FLOOR;
    report.goal(name, value, benchText("<= %.2f x (%d x %.2f)", goal, roundTrips, GOAL_PER_FLOOR),
                ratio <= goal);
  } else {
    report.figure(name, value);
  }
  const double p99 = samples.percentile(99);
  report.figure(benchText("command %u p99 / floor p99", command.number),
                benchText("%.2f x (%.1f us)", p99 / floor.percentile(99), p99));
  if (command.versusDbus) {
    report.figure(benchText("command %u p50 / D-Bus call p50", command.number),
                  benchText("%.2f x", p50 / series[kDbus].samples.percentile(50)));
  }
}

// A warm-up round, the camera requests of one of each command, then the measured rounds.
bool measureLatencies(BenchReport& report, std::vector<BenchSeries>& series, std::vector<long>& requests,
                      const BenchPlan& plan) {
  std::vector<BenchSeries> warmUp = series;
  std::string problem;
  if (!benchMeasureRounds(warmUp, 1, problem)) {
    report.failed("latencies", problem);
    return false;
  }
  for (size_t i = 0; i < kCommandCount; ++i) {
    requests.push_back(benchCameraRequests(series[kFirstCommand + i].exchange, problem));
    if (requests.back() < 0) {
      report.failed(benchText("command %u, camera requests", kCommands[i].number), problem);
      return false;
    }
  }
  if (!benchMeasureRounds(series, plan.rounds, problem)) {
    report.failed("latencies", problem);
    return false;
  }
  return true;
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
  for (const Command& command : kCommands) {
    series.push_back({benchText("command %u", command.number),
                      benchQueueExchange(daemon, daemon.request(command.number, nullptr)),
                      command.perRound,
                      {}});
  }
  std::vector<long> requests;
  if (!measureLatencies(report, series, requests, plan)) return false;
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
    reportCommand(report, kCommands[i], series, series[kFirstCommand + i].samples, requests[i]);
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

// The active-client block: CPU while one TCP client listens, then change latencies at it.
void reportActiveClient(BenchReport& report, BenchRequester& daemon, const BenchPlan& plan) {
  BenchPushClient client;
  if (!client.connectAndResume(daemon, 10000))
    return report.failed("notification client", "no first document");
  BenchCpuWindow window(plan.daemon);
  client.readFor(plan.cpuWindowMs);
  reportCpu(report, "daemon CPU, one active notification client", window.percent(), 2.0);
  std::vector<BenchCameraChange> changes;
  for (unsigned i = 0; i < plan.changes; ++i) {
    changes.push_back({i % 2 == 0 ? "set settings@82:1 3" : "set settings@82:1 0", "\"105\":"});
  }
  BenchSamples latency;
  std::string problem;
  const unsigned period = KLCONTROL_RECEIVE_TIMEOUT_MS;
  if (!benchChangeLatency(client, changes, period, latency, problem))
    return report.failed("change latency", problem);
  const double worstMs = latency.max() / 1e3;
  report.goal("camera change to client, worst",
              benchText("%.1f ms (p50 %.1f ms)", worstMs, latency.percentile(50) / 1e3),
              benchText("<= %u + 5 ms", period), worstMs <= period + 5);
}

}  // namespace

int main(int argc, char** argv) {
  BenchPlan plan;
  if (!parse(argc, argv, plan)) {
    std::cerr << "usage: klbench --daemon-pid PID --bus-address ADDRESS [--quick]\n";
    return 2;
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
  cpu_set_t allowed;
  CPU_ZERO(&allowed);
  sched_getaffinity(0, sizeof allowed, &allowed);
  std::cout << "klbench: " << sysconf(_SC_NPROCESSORS_ONLN) << " cores, this run on " << CPU_COUNT(&allowed)
            << ", " << loadAverage() << " at start\n";
  if (plan.rounds < BenchPlan().rounds)
    std::cout << "klbench: a quick run: too few samples for the verdicts to mean anything\n";
  BenchReport report(std::cout);
  BenchCpuWindow idle(plan.daemon);
  std::this_thread::sleep_for(std::chrono::milliseconds(plan.cpuWindowMs));
  reportCpu(report, "daemon CPU, idle (no client)", idle.percent(), 0.5);
  if (reportLatencies(report, raw, floor, dbus, daemon, plan)) reportMemory(report, daemon, plan, startKib);
  reportActiveClient(report, daemon, plan);
  std::cout << "klbench: " << loadAverage() << " at the end; " << report.misses() << " goal(s) missed, "
            << report.failures() << " measurement(s) failed\n";
  if (report.failures() > 0) return 2;
  return report.misses() > 0 ? 1 : 0;
}
