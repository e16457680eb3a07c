#include "bench_klctl_rounds.h"

#include <string>
#include <vector>

#include "bench_report.h"
#include "bench_samples.h"
#include "klcontrol_answer_decoders.h"
#include "klctl_exchange.h"

namespace {

constexpr double kAnswerSeconds = 10;

}  // namespace

BenchExchange benchKlctlExchange(const UniqueQueue& reply, uint32_t command) {
  return [&reply, command](std::string& problem) {
    const KlctlResult result = klctlSendCommand(reply, command, nullptr, kAnswerSeconds);
    if (result.outcome != KlctlOutcome::Ok) {
      problem = result.outcome == KlctlOutcome::CommandFailed
                    ? benchText("answered with status %d", result.answer.status)
                    : result.problem;
      return false;
    }
    // The text klctl would print, made and left unprinted.
    klcontrol_decoded_text(command, klcontrol_decode_payload(command, result.answer.payload));
    return true;
  };
}

int benchServeRounds(const BenchExchange& exchange, unsigned perRound, std::istream& in, std::ostream& out) {
  std::string line, problem;
  std::vector<double> samples(perRound);
  while (std::getline(in, line)) {
    for (double& sample : samples) {
      const double start = benchNowUs();
      const bool answered = exchange(problem);
      sample = benchNowUs() - start;
      if (!answered) {
        out << "failed: " << problem << std::endl;
        return 2;
      }
    }
    for (const double sample : samples) out << benchText("%.3f ", sample);
    out << std::endl;
  }
  return 0;
}
