// The command line of klctl: options, then one or more commands separated by "--".
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "klcontrol_client_message.h"
#include "klctl_watch.h"

enum class KlctlStepKind { Command, Suspend, Resume };

// One request to send.
struct KlctlStep {
  KlctlStepKind kind = KlctlStepKind::Command;
  uint32_t number = 0;       // client command number (kind Command)
  bool hasArgument = false;  // argument words were given: TLV_CMDARG is sent, even empty
  std::vector<uint8_t> argument;
};

struct KlctlPlan {
  double timeout = 5;  // seconds to wait for each answer
  bool timeoutGiven = false;
  bool json = false;
  bool keepGoing = false;  // go on after a failed command
  bool help = false;
  bool probe = false;  // only tell whether probeQueue exists
  std::string probeQueue = KLCONTROL_DAEMON_QUEUE;
  bool watch = false;  // print pushed documents instead of sending steps
  KlctlWatchOptions watchOptions;
  std::vector<KlctlStep> steps;
};

// Parses the words after the program name; false with the reason when they are not a valid
// command line. Nothing is sent while parsing.
bool klctlParseCommandLine(const std::vector<std::string>& words, KlctlPlan& plan, std::string& error);

// The help text: usage, options, exit statuses and the command table.
std::string klctlUsage();
