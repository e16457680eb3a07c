#include "klDebug.h"

#include <gtest/gtest.h>
#include <syslog.h>

#include <cstdio>
#include <regex>
#include <string>

#include "temp_folder.h"
#include "test_debug_fixture.h"

namespace {

// "%b%d %H:%M:%S" and a blank before each line.
const std::string kStamp = "[A-Z][a-z]{2}[ 0-9][0-9] [0-9]{2}:[0-9]{2}:[0-9]{2} ";
const std::string kStamped = kStamp + "one\n" + kStamp + "two 2\n";

class DebugChannelTest : public DebugLevelTest {
 protected:
  ~DebugChannelTest() override { g_debug_log_path = mSavedPath; }

  TempFolder mFolder;
  const char* mSavedPath = g_debug_log_path;
};

// Syslog always gets the line as it is; bit 30 adds standard output and bit 29 the log file (when it
// opens), each with a timestamp.
TEST_F(DebugChannelTest, SyslogAlwaysAndTheChannelsOfBits29And30Stamped) {
  const struct {
    uint32_t level;
    const char* folder;
    std::string out, file;  // patterns
  } cases[] = {{0, "", "", "old\n"},
               {KLDBG_TO_STDOUT, "", kStamped, "old\n"},
               {KLDBG_TO_FILE, "", "", "old\n" + kStamped},
               {KLDBG_TO_FILE | KLDBG_TO_STDOUT, "/missing", kStamped, "old\n"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.level);
    mFolder.write("wifi_log.txt", "old\n");
    const std::string path = mFolder.path() + c.folder + "/wifi_log.txt";
    g_debug_log_path = path.c_str();
    g_debug_level = c.level;
    testing::internal::CaptureStdout();
    kldbg_printf("one\n");
    kldbg_printf("%s %d\n", "two", 2);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_TRUE(std::regex_match(out, std::regex(c.out))) << out;
    const std::string file = mFolder.read("wifi_log.txt");
    EXPECT_TRUE(std::regex_match(file, std::regex(c.file))) << file;
    const auto lines = mSyslog.taken();
    ASSERT_EQ(2u, lines.size());
    EXPECT_EQ(LOG_DEBUG, lines[0].priority);
    EXPECT_EQ("one\n", lines[0].text);
    EXPECT_EQ("two 2\n", lines[1].text);
  }
}

TEST_F(DebugChannelTest, TraceLinesCarryFunctionAndLineWhenAboveThreshold) {
  kldbg_trace(15, "klMbox_send", 42, "full %d\n", 5);
  kldbg_trace(16, "klMbox_send", 43, "hidden\n");
  kldbg_trace(7, "a_function_name_longer_than_16", 12345, "x\n");
  EXPECT_EQ((std::vector<std::string>{"[     klMbox_send:  42] full 5\n",
                                      "[a_function_name_longer_than_16:12345] x\n"}),
            mSyslog.texts());
}

// Above verbosity 7 the assertion line is written first.
TEST(AssertDeathTest, AssertionsExitWithMinusOne) {
  const std::pair<uint32_t, const char*> cases[] = {
      {0x08, "^\033\\[31mASSERT:.*klDebug_test.cpp/operator\\(\\):[0-9]+:tlv != NULL\n\033\\[0m$"},
      {0x07, "^$"}};
  for (const auto& [level, line] : cases) {
    expectAssertExit(
        [level = level] {
          g_debug_level = level;
          KL_ASSERT_TEXT(1 + 1 == 3, "tlv != NULL");
        },
        line);
  }
}

}  // namespace
