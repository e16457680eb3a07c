// klctl's command line (command words, typed arguments, options), its report of each result and its exit
// status, and kllogview's lines.
#include "klctl_cli.h"

#include <gtest/gtest.h>

#include <iterator>
#include <sstream>

#include "klTlv.h"
#include "klcontrol_client_message.h"
#include "klctl_args.h"
#include "klctl_commands.h"
#include "klctl_exchange.h"
#include "klctl_report.h"
#include "kllogview_line.h"
#include "test_command_bytes.h"

namespace {

using Bytes = std::vector<uint8_t>;

// A name in any case with any of the table's prefixes, or a number up to 32 bits; nothing else.
TEST(KlctlCommands, WordsFindTheirCommandOrNone) {
  const std::pair<const char*, int64_t> cases[] = {
      {"MODE", 4},
      {"klcontrol_mode", 4},
      {"shutter", 3},
      {"worker_exit", 97},
      {"notification_queue_register", 0},
      {"4294967295", 4294967295},
      {"4294967296", -1},
      {"mod", -1},
      {"KLCONTROL_", -1},
      {"klcontrol_klcontrol_mode", -1},
      {"suspend", -1},
  };
  for (const auto& [word, expected] : cases) {
    uint32_t number = 12345;
    EXPECT_EQ(klctlFindCommand(word, number) ? int64_t(number) : -1, expected) << word;
  }
}

// The words of a command line written with spaces.
std::vector<std::string> split(const std::string& line) {
  std::istringstream in(line);
  return {std::istream_iterator<std::string>(in), std::istream_iterator<std::string>()};
}

// A plan in short: the options, then each step (number=argument in hex, JS, JR).
std::string summary(const KlctlPlan& plan) {
  std::ostringstream out;
  out << (plan.json ? "json " : "") << (plan.keepGoing ? "keep " : "") << plan.timeout;
  if (plan.probe) out << " probe " << plan.probeQueue;
  const KlctlWatchOptions& watch = plan.watchOptions;
  if (plan.watch)
    out << " watch " << watch.count << "/" << watch.timeout << (watch.compact ? " compact" : "");
  out << ":";
  for (const KlctlStep& step : plan.steps) {
    out << ' ';
    if (step.kind != KlctlStepKind::Command) out << (step.kind == KlctlStepKind::Suspend ? "JS" : "JR");
    if (step.kind == KlctlStepKind::Command) out << step.number << (step.hasArgument ? "=" : "");
    out << hexOf(step.argument);
  }
  return out.str();
}

TEST(KlctlCommandLine, OptionsAndCommandsInOrder) {
  const std::pair<const char*, std::string> cases[] = {
      {"--json --timeout 0.5 --keep-going mode u32:1 -- shutter u8:1 -- suspend",
       "json keep 0.5: 4=01000000 3=01 JS"},
      {"--timeout=2 get_all_status -- mode hex: -- resume", "2: 33 4= JR"},
      {"mode u32:1 str:x u8:2 hex:FF", "5: 4=01000000780002ff"},
      {"--probe /to_klnet", "5 probe /to_klnet:"},
      {"--probe", "5 probe " + std::string(KLCONTROL_DAEMON_QUEUE) + ":"},
      {"--timeout 9 watch --count 2", "9 watch 2/9:"},
      {"--json watch", "json 5 watch 0/0 compact:"},
      {"watch --json --timeout 1.5 --count 3", "5 watch 3/1.5 compact:"},
  };
  for (const auto& [line, expected] : cases) {
    KlctlPlan plan;
    std::string error;
    EXPECT_TRUE(klctlParseCommandLine(split(line), plan, error)) << error;
    EXPECT_EQ(expected, summary(plan)) << line;
  }
}

TEST(KlctlCommandLine, UsageErrorsAreRefusedWithAReason) {
  const char* bad[] = {"",
                       "nosuchcommand",
                       "mode 1",
                       "--timeout",
                       "--timeout 0 mode",
                       "--timeout abc mode",
                       "--verbose mode",
                       "-- mode",
                       "suspend u8:1",
                       "watch --count 0",
                       "watch mode",
                       "watch --count",
                       "watch --timeout 0",
                       "preset-load --order 1",
                       "preset-load --id",
                       "preset-load --id 0x100000000",
                       "preset-list group 1",
                       "preset-list --include_info 2"};
  for (const char* line : bad) {
    KlctlPlan plan;
    std::string error;
    EXPECT_FALSE(klctlParseCommandLine(split(line), plan, error)) << line;
    EXPECT_FALSE(error.empty()) << line;
  }
}

TEST(KlctlExitStatus, EachOutcomeHasItsStatus) {
  EXPECT_EQ(0, klctlExitStatus(KlctlOutcome::Ok));
  EXPECT_EQ(1, klctlExitStatus(KlctlOutcome::CommandFailed));
  EXPECT_EQ(2, klctlExitStatus(KlctlOutcome::Usage));
  EXPECT_EQ(3, klctlExitStatus(KlctlOutcome::NoAnswer));
  EXPECT_EQ(4, klctlExitStatus(KlctlOutcome::NoDaemon));
}

KlctlStep command(uint32_t number) {
  KlctlStep step;
  step.number = number;
  return step;
}

KlctlResult answer(int32_t status, Bytes payload) {
  KlctlResult result;
  result.outcome = status == 0 ? KlctlOutcome::Ok : KlctlOutcome::CommandFailed;
  result.answer.status = status;
  result.answer.payload = std::move(payload);
  return result;
}

// Text names the status ("refused" for 1) and decodes or dumps the payload; JSON is one object per command.
TEST(KlctlReport, EachResultIsOneLineOrObject) {
  KlctlStep suspend;
  suspend.kind = KlctlStepKind::Suspend;
  KlctlResult timedOut;
  timedOut.outcome = KlctlOutcome::NoAnswer;
  timedOut.problem = "no answer within 5 s";
  const struct {
    KlctlStep step;
    KlctlResult result;
    bool json;
    std::string out, err = "";
  } cases[] = {
      {command(98), answer(-104, {}), false, "command 98: status -104 (KL_ERR_NOT_SUPPORTED)\n"},
      {command(4), answer(1, {}), false, "KLCONTROL_MODE (4): status 1 (refused)\n"},
      {command(33), answer(0, {0x41, 0x42, 0x00}), false,
       "KLCONTROL_GET_ALL_STATUS (33): status 0 (KL_OK), payload 3 bytes\n  00000000  41 42 00" +
           std::string(44, ' ') + "AB." + std::string(13, ' ') + "\n"},
      {command(64), answer(0, {'/', 'c', 'a', 'l', 0, 0, 0}), false,
       "KLCONTROL_CAL_FILE_NAME_GET (64): status 0 (KL_OK), payload 7 bytes\n  text: /cal\n"},
      {command(73), answer(0, {0x08, 0x80, 0xA0, 0x04, 0x10, 0x01}), false,
       "KLCONTROL_PRESET_CUSTOM_CREATE (73): status 0 (KL_OK), payload 6 bytes\n  created 0x00011000 result "
       "1\n"},
      {command(87), answer(-1, {0, 0, 0, 0x0A}), true,
       "{\"command\":87,\"name\":\"KLCONTROL_PRESET_GET_ACTIVE_PRESET\",\"status\":-1,\"status_name\":"
       "\"KL_ERR\",\"payload_hex\":\"0000000A\",\"decoded\":\"value: 167772160\"}\n"},
      {suspend, answer(0, {0}), true,
       "{\"command\":\"JS\",\"name\":\"suspend\",\"status\":0,\"status_name\":\"KL_OK\",\"payload_hex\":"
       "\"00\"}\n"},
      {command(4), timedOut, false, "", "klctl: KLCONTROL_MODE (4): no answer within 5 s\n"},
      {command(4), timedOut, true,
       "{\"command\":4,\"name\":\"KLCONTROL_MODE\",\"error\":\"no answer within 5 s\"}\n"},
  };
  for (const auto& c : cases) {
    std::ostringstream out;
    std::ostringstream err;
    klctlReport(c.step, c.result, c.json, out, err);
    EXPECT_EQ(c.out, out.str());
    EXPECT_EQ(c.err, err.str());
  }
}

// A syslog datagram loses its priority, its line ends and its control characters.
TEST(KllogviewLine, OneDatagramBecomesOnePrintableLine) {
  const std::pair<std::string, const char*> cases[] = {
      {std::string("<15>a\nb\0\0", 9), "a b"},
      {"<1x>kept", "<1x>kept"},
      {"<>kept", "<>kept"},
      {"no priority\r\n", "no priority"},
      {"", ""},
  };
  for (const auto& [datagram, line] : cases) EXPECT_EQ(line, kllogviewLine(datagram.data(), datagram.size()));
}

TEST(KlctlArguments, EachFormGivesItsBytes) {
  const struct {
    const char* word;
    Bytes bytes;
  } cases[] = {
      {"u8:0", {0x00}},
      {"u8:255", {0xFF}},
      {"u16:513", {0x01, 0x02}},  // host order, as the daemon's getters read words
      {"u32:4294967295", {0xFF, 0xFF, 0xFF, 0xFF}},
      {"u32:0x01020304", words({0x01020304})},
      {"i32:-2147483648", words({0x80000000})},
      {"i32:2147483647", words({0x7FFFFFFF})},
      {"str:", {0}},
      {"str:a:b", {'a', ':', 'b', 0}},
      {"hex:0A0b", {0x0A, 0x0B}},
      {"hex:", {}},
  };
  for (const auto& c : cases) {
    Bytes out = {0xEE};  // appended after what is there
    std::string error;
    ASSERT_TRUE(klctlAppendArgument(c.word, out, error)) << c.word << ": " << error;
    Bytes expected = {0xEE};
    expected.insert(expected.end(), c.bytes.begin(), c.bytes.end());
    EXPECT_EQ(expected, out) << c.word;
  }
}

TEST(KlctlArguments, BadWordsAreRefusedAndLeaveTheBytesAlone) {
  const char* bad[] = {"u8:256",          "u8:-1",   "u8:",    "u16:65536",
                       "u32:4294967296",  "u32:1x",  "u32:0x", "i32:2147483648",
                       "i32:-2147483649", "i32:--1", "hex:0",  "hex:0G",
                       "f32:1",           "42",      "u32 1",  "U32:1"};
  for (const char* word : bad) {
    Bytes out = {1, 2};
    std::string error;
    EXPECT_FALSE(klctlAppendArgument(word, out, error)) << word;
    EXPECT_FALSE(error.empty()) << word;
    EXPECT_EQ((Bytes{1, 2}), out) << word;
  }
}

TEST(KlctlArguments, AnArgumentMustFitInOneMessage) {
  const std::string atLimit = "hex:" + std::string(2 * KLCTL_MAX_ARGUMENT, 'A');
  Bytes out;
  std::string error;
  EXPECT_TRUE(klctlParseArguments({atLimit}, out, error)) << error;
  EXPECT_EQ(KLCTL_MAX_ARGUMENT, out.size());
  uint8_t msg[KLMSG_MAX];  // and so does its request, with the longest reply queue name
  EXPECT_NE(0, klcontrol_build_command(msg, sizeof msg, 4, &out, "/klctl.4294967295.4294967295"));
  EXPECT_FALSE(klctlParseArguments({atLimit, "u8:1"}, out, error));
  EXPECT_NE(std::string::npos, error.find("too long")) << error;
}

}  // namespace
