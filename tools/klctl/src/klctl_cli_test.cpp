#include "klctl_cli.h"

#include <gtest/gtest.h>

#include <sstream>

#include "klctl_commands.h"
#include "klctl_exchange.h"
#include "klctl_report.h"

namespace {

TEST(KlctlCommands, NamesAndNumbersFindTheirCommand) {
  const struct {
    const char* word;
    uint32_t number;
  } cases[] = {
      {"mode", 4},
      {"MODE", 4},
      {"KLCONTROL_MODE", 4},
      {"klcontrol_mode", 4},
      {"shutter", 3},
      {"command_shutter", 3},
      {"KLCONTROL_COMMAND_SHUTTER", 3},
      {"worker_exit", 97},
      {"notification_queue_register", 0},
      {"4", 4},
      {"0x21", 33},
      {"98", 98},
      {"4294967295", 4294967295u},
  };
  for (const auto& c : cases) {
    uint32_t number = 12345;
    EXPECT_TRUE(klctlFindCommand(c.word, number)) << c.word;
    EXPECT_EQ(c.number, number) << c.word;
  }
}

TEST(KlctlCommands, UnknownWordsAreNoCommand) {
  for (const char* word :
       {"", "mod", "KLCONTROL_", "klcontrol_klcontrol_mode", "4294967296", "-1", "suspend"}) {
    uint32_t number = 0;
    EXPECT_FALSE(klctlFindCommand(word, number)) << word;
  }
}

KlctlPlan parse(const std::vector<std::string>& words) {
  KlctlPlan plan;
  std::string error;
  EXPECT_TRUE(klctlParseCommandLine(words, plan, error)) << error;
  return plan;
}

TEST(KlctlCommandLine, OptionsAndSeveralCommandsInOrder) {
  const KlctlPlan plan = parse({"--json", "--timeout", "0.5", "--keep-going", "mode", "u32:1", "--",
                                "shutter", "u8:1", "--", "suspend"});
  EXPECT_TRUE(plan.json);
  EXPECT_TRUE(plan.keepGoing);
  EXPECT_DOUBLE_EQ(0.5, plan.timeout);
  ASSERT_EQ(3u, plan.steps.size());
  EXPECT_EQ(4u, plan.steps[0].number);
  EXPECT_TRUE(plan.steps[0].hasArgument);
  EXPECT_EQ((std::vector<uint8_t>{1, 0, 0, 0}), plan.steps[0].argument);
  EXPECT_EQ(3u, plan.steps[1].number);
  EXPECT_EQ(std::vector<uint8_t>{1}, plan.steps[1].argument);
  EXPECT_EQ(KlctlStepKind::Suspend, plan.steps[2].kind);
}

TEST(KlctlCommandLine, DefaultsAndArgumentPresence) {
  const KlctlPlan plan = parse({"--timeout=2", "get_all_status", "--", "mode", "hex:", "--", "resume"});
  EXPECT_FALSE(plan.json);
  EXPECT_FALSE(plan.keepGoing);
  EXPECT_DOUBLE_EQ(2, plan.timeout);
  ASSERT_EQ(3u, plan.steps.size());
  EXPECT_FALSE(plan.steps[0].hasArgument);
  EXPECT_TRUE(plan.steps[1].hasArgument);
  EXPECT_TRUE(plan.steps[1].argument.empty());
  EXPECT_EQ(KlctlStepKind::Resume, plan.steps[2].kind);
  EXPECT_DOUBLE_EQ(5, parse({"mode"}).timeout);
  const KlctlPlan probe = parse({"--probe", "/to_klnet"});
  EXPECT_TRUE(probe.probe);
  EXPECT_EQ("/to_klnet", probe.probeQueue);
  EXPECT_EQ(KLCONTROL_DAEMON_QUEUE, parse({"--probe"}).probeQueue);
  const KlctlPlan watch = parse({"--timeout", "9", "watch", "--count", "2"});
  EXPECT_TRUE(watch.watch);
  EXPECT_EQ(2u, watch.watchOptions.count);
  EXPECT_DOUBLE_EQ(9, watch.watchOptions.timeout);
  EXPECT_FALSE(watch.watchOptions.compact);
  EXPECT_TRUE(watch.steps.empty());
  const KlctlPlan endless = parse({"--json", "watch"});
  EXPECT_EQ(0u, endless.watchOptions.count);
  EXPECT_DOUBLE_EQ(0, endless.watchOptions.timeout);
  EXPECT_TRUE(endless.watchOptions.compact);
  const KlctlPlan after = parse({"watch", "--json", "--timeout", "1.5", "--count", "3"});
  EXPECT_EQ(3u, after.watchOptions.count);
  EXPECT_DOUBLE_EQ(1.5, after.watchOptions.timeout);
  EXPECT_TRUE(after.watchOptions.compact);
}

TEST(KlctlCommandLine, UsageErrorsAreRefusedWithAReason) {
  const std::vector<std::vector<std::string>> bad = {
      {},
      {"--json"},
      {"nosuchcommand"},
      {"mode", "u32:x"},
      {"mode", "1"},
      {"--timeout"},
      {"--timeout", "0", "mode"},
      {"--timeout", "-1", "mode"},
      {"--timeout", "abc", "mode"},
      {"--verbose", "mode"},
      {"--", "mode"},
      {"mode", "--", "--", "shutter"},
      {"suspend", "u8:1"},
      {"watch", "--count", "0"},
      {"watch", "mode"},
      {"watch", "--count"},
      {"watch", "--timeout", "0"},
  };
  for (const auto& words : bad) {
    KlctlPlan plan;
    std::string error;
    EXPECT_FALSE(klctlParseCommandLine(words, plan, error)) << testing::PrintToString(words);
    EXPECT_FALSE(error.empty()) << testing::PrintToString(words);
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

KlctlResult answer(int32_t status, std::vector<uint8_t> payload) {
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
    std::string out, err;
  } cases[] = {
      {command(4), answer(0, {}), false, "KLCONTROL_MODE (4): status 0 (KL_OK)\n", ""},
      {command(98), answer(-104, {}), false, "command 98: status -104 (KL_ERR_NOT_SUPPORTED)\n", ""},
      {command(4), answer(1, {}), false, "KLCONTROL_MODE (4): status 1 (refused)\n", ""},
      {command(33), answer(0, {0x41, 0x42, 0x00}), false,
       "KLCONTROL_GET_ALL_STATUS (33): status 0 (KL_OK), payload 3 bytes\n  00000000  41 42 00" +
           std::string(44, ' ') + "AB." + std::string(13, ' ') + "\n",
       ""},
      {command(64), answer(0, {'/', 'c', 'a', 'l', 0, 0, 0}), false,
       "KLCONTROL_CAL_FILE_NAME_GET (64): status 0 (KL_OK), payload 7 bytes\n  text: /cal\n", ""},
      {command(73), answer(0, {0x08, 0x80, 0xA0, 0x04, 0x10, 0x01}), false,
       "KLCONTROL_PRESET_CUSTOM_CREATE (73): status 0 (KL_OK), payload 6 bytes\n  created 0x00011000 result "
       "1\n",
       ""},
      {command(89), answer(0, {0xE8, 0x03, 0, 0}), false,
       "KLCONTROL_PRESET_GET_ACTIVE_GROUP (89): status 0 (KL_OK), payload 4 bytes\n  value: 1000\n", ""},
      {command(87), answer(-1, {0, 0, 0, 0x0A}), true,
       "{\"command\":87,\"name\":\"KLCONTROL_PRESET_GET_ACTIVE_PRESET\",\"status\":-1,\"status_name\":"
       "\"KL_ERR\",\"payload_hex\":\"0000000A\",\"decoded\":\"value: 167772160\"}\n",
       ""},
      {suspend, answer(0, {0}), true,
       "{\"command\":\"JS\",\"name\":\"suspend\",\"status\":0,\"status_name\":\"KL_OK\",\"payload_hex\":"
       "\"00\"}\n",
       ""},
      {command(4), timedOut, false, "", "klctl: KLCONTROL_MODE (4): no answer within 5 s\n"},
      {command(4), timedOut, true,
       "{\"command\":4,\"name\":\"KLCONTROL_MODE\",\"error\":\"no answer within 5 s\"}\n", ""},
  };
  for (const auto& c : cases) {
    std::ostringstream out;
    std::ostringstream err;
    klctlReport(c.step, c.result, c.json, out, err);
    EXPECT_EQ(c.out, out.str());
    EXPECT_EQ(c.err, err.str());
  }
}

}  // namespace
