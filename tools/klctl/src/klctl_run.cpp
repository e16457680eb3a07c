#include "klctl_run.h"

#include "klctl_report.h"
#include "klctl_watch.h"

namespace {

KlctlResult send(const KlctlStep& step, double timeout) {
  switch (step.kind) {
    case KlctlStepKind::Suspend:
      return klctlSendSystem("JS", timeout);
    case KlctlStepKind::Resume:
      return klctlSendSystem("JR", timeout);
    case KlctlStepKind::Command:
      break;
  }
  return klctlSendCommand(step.number, step.hasArgument ? &step.argument : nullptr, timeout);
}

KlctlOutcome probe(const KlctlPlan& plan, std::ostream& out) {
  const bool exists = klctlQueueExists(plan.probeQueue.c_str());
  out << plan.probeQueue << (exists ? " exists\n" : " does not exist\n");
  return exists ? KlctlOutcome::Ok : KlctlOutcome::NoDaemon;
}

}  // namespace

KlctlOutcome klctlRun(const KlctlPlan& plan, std::ostream& out, std::ostream& err) {
  if (plan.help) {
    out << klctlUsage();
    return KlctlOutcome::Ok;
  }
  if (plan.probe) return probe(plan, out);
  if (plan.watch) return klctlWatch(plan.watchOptions, out, err);
  KlctlOutcome first = KlctlOutcome::Ok;
  for (const KlctlStep& step : plan.steps) {
    const KlctlResult result = send(step, plan.timeout);
    klctlReport(step, result, plan.json, out, err);
    if (result.outcome == KlctlOutcome::Ok) continue;
    if (first == KlctlOutcome::Ok) first = result.outcome;
    if (!plan.keepGoing) break;
  }
  return first;
}
