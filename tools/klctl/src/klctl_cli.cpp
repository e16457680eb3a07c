#include "klctl_cli.h"

#include <cstdlib>

#include "klctl_args.h"
#include "klctl_body_forms.h"
#include "klctl_commands.h"

namespace {

bool parseTimeout(const std::string& text, double& timeout) {
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  if (text.empty() || *end != '\0' || !(value > 0 && value <= 3600)) return false;
  timeout = value;
  return true;
}

// Consumes the options in front of the first command; returns the index of that command.
bool parseOptions(const std::vector<std::string>& words, size_t& i, KlctlPlan& plan, std::string& error) {
  for (; i < words.size() && words[i].size() > 1 && words[i][0] == '-' && words[i] != "--"; ++i) {
    const std::string& word = words[i];
    if (word == "--json") {
      plan.json = true;
    } else if (word == "--keep-going") {
      plan.keepGoing = true;
    } else if (word == "--help" || word == "-h") {
      plan.help = true;
    } else if (word == "--probe") {
      plan.probe = true;
      if (i + 1 < words.size() && words[i + 1][0] == '/') plan.probeQueue = words[++i];
    } else if (word == "--timeout" || word.compare(0, 10, "--timeout=") == 0) {
      const bool separate = word == "--timeout";
      if (separate && i + 1 == words.size()) {
        error = "--timeout needs a number of seconds";
        return false;
      }
      const std::string value = separate ? words[++i] : word.substr(10);
      if (!parseTimeout(value, plan.timeout)) {
        error = "bad time-out \"" + value + "\" (seconds, more than 0, at most 3600)";
        return false;
      }
      plan.timeoutGiven = true;
    } else {
      error = "unknown option " + word;
      return false;
    }
  }
  return true;
}

bool parseStep(const std::vector<std::string>& words, KlctlStep& step, std::string& error) {
  const std::string& name = words[0];
  const std::vector<std::string> arguments(words.begin() + 1, words.end());
  if (name == "suspend" || name == "resume") {
    if (!arguments.empty()) {
      error = name + " takes no argument";
      return false;
    }
    step.kind = name == "suspend" ? KlctlStepKind::Suspend : KlctlStepKind::Resume;
    return true;
  }
  if (klctlIsBodyForm(name)) {
    step.hasArgument = true;
    return klctlBuildBodyForm(name, arguments, step.number, step.argument, error);
  }
  if (!klctlFindCommand(name, step.number)) {
    error = "unknown command \"" + name + "\" (klctl --help lists them)";
    return false;
  }
  step.hasArgument = !arguments.empty();
  return klctlParseArguments(arguments, step.argument, error);
}

// "watch [--count N] [--timeout S] [--json]"; --timeout and --json in front of watch count as well.
bool parseWatch(const std::vector<std::string>& words, KlctlPlan& plan, std::string& error) {
  plan.watch = true;
  KlctlWatchOptions& options = plan.watchOptions;
  options.compact = plan.json;
  if (plan.timeoutGiven) options.timeout = plan.timeout;
  for (size_t i = 1; i < words.size(); ++i) {
    const bool hasValue = i + 1 < words.size();
    uint64_t count = 0;
    if (words[i] == "--json") {
      options.compact = true;
    } else if (words[i] == "--count" && hasValue && klctlParseUnsigned(words[i + 1], UINT32_MAX, count) &&
               count > 0) {
      options.count = static_cast<unsigned>(count);
      ++i;
    } else if (words[i] == "--timeout" && hasValue && parseTimeout(words[i + 1], options.timeout)) {
      ++i;
    } else {
      error = "watch takes --count N (at least 1), --timeout S (more than 0, at most 3600) and --json";
      return false;
    }
  }
  return true;
}

}  // namespace

bool klctlParseCommandLine(const std::vector<std::string>& words, KlctlPlan& plan, std::string& error) {
  size_t i = 0;
  if (!parseOptions(words, i, plan, error)) return false;
  if (i < words.size() && words[i] == "watch")
    return parseWatch({words.begin() + i, words.end()}, plan, error);
  while (i < words.size()) {
    size_t end = i;
    while (end < words.size() && words[end] != "--") ++end;
    if (end == i) {
      error = "a \"--\" without a command in front of it";
      return false;
    }
    KlctlStep step;
    if (!parseStep({words.begin() + i, words.begin() + end}, step, error)) return false;
    plan.steps.push_back(std::move(step));
    i = end + 1;
  }
  if (plan.steps.empty() && !plan.help && !plan.probe) {
    error = "no command given";
    return false;
  }
  return true;
}

std::string klctlUsage() {
  return "usage: klctl [options] COMMAND [ARG...] [-- COMMAND [ARG...]]...\n"
         "\n"
         "Sends client commands to klControlD on " +
         std::string(KLCONTROL_DAEMON_QUEUE) +
         " and prints each answer's status and payload.\n"
         "COMMAND is a number or a name below (case does not matter, the KLCONTROL_ prefix may be left "
         "out),\n"
         "or suspend / resume (\"JS\" / \"JR\"). Commands run in order; the first failure stops the rest.\n"
         "klctl watch [--count N] [--timeout S] [--json] prints the documents pushed on port 8081 as JSON\n"
         "(indented; --json: one line each) until N documents came or S seconds passed (default: no limit).\n"
         "\n"
         "ARG (concatenated in order into the command's argument; without ARG none is sent):\n"
         "  u8:N u16:N u32:N   unsigned values in host byte order (decimal or 0x..)\n"
         "  i32:N              signed 32-bit value\n"
         "  str:TEXT           text with its terminating zero\n"
         "  hex:0A0B..         raw bytes (hex: alone sends an empty argument)\n"
         "\n"
         "options:\n"
         "  --timeout S        seconds to wait for each answer (default 5)\n"
         "  --json             one JSON object per command\n"
         "  --keep-going       go on after a failed command\n"
         "  --probe [QUEUE]    only tell whether the queue (default " +
         std::string(KLCONTROL_DAEMON_QUEUE) +
         ") exists\n"
         "  --help             this text\n"
         "\n"
         "exit status: 0 every command answered 0; 1 a command answered non-zero; 2 usage error;\n"
         "             3 no answer within the time-out (or a malformed one); 4 the daemon's queue is "
         "missing.\n"
         "             With --keep-going the first failure decides.\n"
         "             watch: 0 when at least one document was printed, 3 when none came.\n"
         "\n"
         "commands (number, name, argument class, description):\n" +
         klctlCommandList() + "\nprotobuf bodies from fields (preset-create --group 1 --mode 12 ...):\n" +
         klctlBodyFormList();
}
