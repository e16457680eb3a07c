// klbench: the figures of scripts/bench, each a ratio of a raw queue round trip measured in the
// same run or an absolute cost, with its goal. Run it beside a daemon and a simulator (--fast)
// that it alone uses. Exit status: 0 every goal met, 1 a goal missed, 2 a measurement failed.
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <thread>

#include "bench_daemon_costs.h"
#include "bench_echo.h"
#include "bench_latency.h"
#include "bench_proc.h"
#include "bench_report.h"
#include "klcontrol_command_table.h"
#include "klcontrol_if_server.h"

namespace {

constexpr double KIB_PER_MIB = 1024;
constexpr double RSS_GOAL_MIB = 6;

struct BenchPlan {
  pid_t daemon = 0;
  unsigned rounds = 20;
  unsigned long loadCommands = 100000;
  int cpuWindowMs = 10000;
  double throughputSeconds = 3;
  unsigned changes = 12;
};

bool parse(int argc, char** argv, BenchPlan& plan) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--daemon-pid") == 0 && i + 1 < argc) {
      plan.daemon = pid_t(std::atoi(argv[++i]));
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
  return plan.daemon > 0;
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

// Command 41 from one and from four requesters; the rate also as a ratio of the raw round trip's.
bool reportThroughput(BenchReport& report, double base50, const BenchPlan& plan) {
  for (unsigned requesters : {1u, 4u}) {
    const double rate = benchThroughput(requesters, KLCONTROL_REMOTE_API, plan.throughputSeconds);
    const std::string name =
        benchText("throughput, %u requester%s, command 41", requesters, requesters > 1 ? "s" : "");
    if (rate < 0) {
      report.failed(name, "a request went unanswered");
      return false;
    }
    report.figure(name, benchText("%.0f /s (%.2f x raw rate)", rate, rate * base50 / 1e6));
  }
  return true;
}

// The latency block: the baselines, then each command's p50 and p99 as ratios of the raw round
// trip's, and command 41 against the round trip with the daemon's own queue calls.
bool reportLatencies(BenchReport& report, BenchRequester& raw, BenchRequester& daemonCalls,
                     BenchRequester& daemon, const BenchPlan& plan) {
  struct Command {
    const char* name;
    uint32_t number;
    unsigned perRound;
    double goal;  // 0: a figure without a goal
  };
  const Command commands[] = {
      {"command 41 (no camera traffic)", KLCONTROL_REMOTE_API, 500, 1.15},
      {"command 33 (one camera request)", KLCONTROL_GET_ALL_STATUS, 250, 2.2},
      {"command 81 (whole preset model)", KLCONTROL_PRESET_GET_PRESETS, 10, 0},
      {"command 95 (JSON snapshot)", KLCONTROL_GET_ALL_SETTINGS_STATUS_IDS, 50, 0},
  };
  // The same bytes for the baselines as for the cheapest command: only the far side differs.
  std::vector<BenchSeries> series = {
      {"raw round trip", &raw, raw.request(KLCONTROL_REMOTE_API, nullptr), 500, {}},
      {"daemon's queue calls", &daemonCalls, daemonCalls.request(KLCONTROL_REMOTE_API, nullptr), 500, {}},
  };
  for (const Command& command : commands) {
    series.push_back({command.name, &daemon, daemon.request(command.number, nullptr), command.perRound, {}});
  }
  std::vector<BenchSeries> warmUp = series;
  std::string problem;
  if (!benchMeasureRounds(warmUp, 1, problem) || !benchMeasureRounds(series, plan.rounds, problem)) {
    report.failed("latencies", problem);
    return false;
  }
  const double base50 = series[0].samples.percentile(50), base99 = series[0].samples.percentile(99);
  report.figure("raw queue round trip p50 / p99 (baseline)", benchText("%.1f / %.1f us", base50, base99));
  const double calls50 = series[1].samples.percentile(50);
  report.figure("  with the daemon's queue calls, p50",
                benchText("%.2f x (%.1f us)", calls50 / base50, calls50));
  for (size_t i = 0; i < sizeof commands / sizeof commands[0]; ++i) {
    const BenchSamples& samples = series[i + 2].samples;
    const double p50 = samples.percentile(50), p99 = samples.percentile(99);
    const std::string p50Text = benchText("%.2f x (%.1f us)", p50 / base50, p50);
    const std::string name = std::string(commands[i].name) + " p50";
    if (commands[i].goal > 0) {
      report.goal(name, p50Text, benchText("<= %.2f x", commands[i].goal), p50 / base50 <= commands[i].goal);
    } else {
      report.figure(name, p50Text);
    }
    report.figure(std::string(commands[i].name) + " p99", benchText("%.2f x (%.1f us)", p99 / base99, p99));
  }
  report.figure("command 41 p50 / queue-calls p50",
                benchText("%.2f x", series[2].samples.percentile(50) / calls50));
  return reportThroughput(report, base50, plan);
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
    std::cerr << "usage: klbench --daemon-pid PID [--quick]\n";
    return 2;
  }
  const long startKib = benchRssKib(plan.daemon);
  BenchEcho rawServer, daemonCallsServer;
  BenchRequester raw, daemonCalls, daemon;
  if (!rawServer.start(benchPlainAnswer(), BenchEchoCalls::Raw) || !raw.open(rawServer.requestQueue()) ||
      !daemonCallsServer.start(benchPlainAnswer(), BenchEchoCalls::Daemon) ||
      !daemonCalls.open(daemonCallsServer.requestQueue()) || !daemon.open()) {
    std::cerr << "klbench: cannot open the queues (is klControlD running?)\n";
    return 2;
  }
  std::cout << "klbench: " << sysconf(_SC_NPROCESSORS_ONLN) << " cores, " << loadAverage() << " at start\n";
  if (plan.rounds < BenchPlan().rounds)
    std::cout << "klbench: a quick run: too few samples for the verdicts to mean anything\n";
  BenchReport report(std::cout);
  BenchCpuWindow idle(plan.daemon);
  std::this_thread::sleep_for(std::chrono::milliseconds(plan.cpuWindowMs));
  reportCpu(report, "daemon CPU, idle (no client)", idle.percent(), 0.5);
  if (reportLatencies(report, raw, daemonCalls, daemon, plan)) reportMemory(report, daemon, plan, startKib);
  reportActiveClient(report, daemon, plan);
  std::cout << "klbench: " << loadAverage() << " at the end; " << report.misses() << " goal(s) missed, "
            << report.failures() << " measurement(s) failed\n";
  if (report.failures() > 0) return 2;
  return report.misses() > 0 ? 1 : 0;
}
