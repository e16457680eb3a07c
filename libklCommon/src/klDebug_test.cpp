#include "klDebug.h"

#include <gtest/gtest.h>
#include <syslog.h>
#include <unistd.h>

#include <cstdio>
#include <regex>
#include <string>

#include "fake_syslog.h"
#include "temp_folder.h"

namespace {

// Sends standard output into a file of the folder while alive.
class StdoutToFile {
 public:
  explicit StdoutToFile(const TempFolder& folder) : mFolder(folder) {
    fflush(stdout);
    mSaved = dup(STDOUT_FILENO);
    FILE* f = fopen((folder.path() + "/stdout").c_str(), "w");
    if (f) {
      dup2(fileno(f), STDOUT_FILENO);
      fclose(f);
    }
  }
  ~StdoutToFile() { restore(); }
  StdoutToFile(const StdoutToFile&) = delete;
  StdoutToFile& operator=(const StdoutToFile&) = delete;

  std::string text() {
    restore();
    return mFolder.read("stdout");
  }

 private:
  void restore() {
    if (mSaved < 0) return;
    fflush(stdout);
    dup2(mSaved, STDOUT_FILENO);
    close(mSaved);
    mSaved = -1;
  }

  const TempFolder& mFolder;
  int mSaved = -1;
};

// "%b%d %H:%M:%S" and a blank before each line.
const std::string kStamp = "[A-Z][a-z]{2}[ 0-9][0-9] [0-9]{2}:[0-9]{2}:[0-9]{2} ";

class DebugChannelTest : public testing::Test {
 protected:
  ~DebugChannelTest() override {
    g_debug_level = mSavedLevel;
    g_debug_log_path = mSavedPath;
  }

  std::string logPath() const { return mFolder.path() + "/wifi_log.txt"; }

  TempFolder mFolder;
  FakeSyslog mSyslog;
  uint32_t mSavedLevel = g_debug_level;
  const char* mSavedPath = g_debug_log_path;
};

TEST_F(DebugChannelTest, SyslogAlwaysGetsTheLineWithoutTimestamp) {
  g_debug_level = 0;
  StdoutToFile out(mFolder);
  kldbg_printf("mq %s %d\n", "open", 3);
  EXPECT_EQ("", out.text());
  auto lines = mSyslog.taken();
  ASSERT_EQ(1u, lines.size());
  EXPECT_EQ(LOG_DEBUG, lines[0].priority);
  EXPECT_EQ("mq open 3\n", lines[0].text);
}

TEST_F(DebugChannelTest, Bit30PrintsOnStandardOutputWithTimestamp) {
  g_debug_level = KLDBG_TO_STDOUT;
  StdoutToFile out(mFolder);
  kldbg_printf("first\n");
  kldbg_printf("second\n");
  std::string text = out.text();
  EXPECT_TRUE(std::regex_match(text, std::regex(kStamp + "first\n" + kStamp + "second\n"))) << text;
  EXPECT_EQ(2u, mSyslog.taken().size());
}

TEST_F(DebugChannelTest, Bit29AppendsToTheLogFile) {
  std::string path = logPath();
  g_debug_log_path = path.c_str();
  mFolder.write("wifi_log.txt", "old\n");
  g_debug_level = KLDBG_TO_FILE;
  StdoutToFile out(mFolder);
  kldbg_printf("one\n");
  kldbg_printf("two\n");
  EXPECT_EQ("", out.text());
  std::string text = mFolder.read("wifi_log.txt");
  EXPECT_TRUE(std::regex_match(text, std::regex("old\n" + kStamp + "one\n" + kStamp + "two\n"))) << text;
}

TEST_F(DebugChannelTest, AnUnopenableLogFileIsSkipped) {
  std::string path = mFolder.path() + "/missing/wifi_log.txt";
  g_debug_log_path = path.c_str();
  g_debug_level = KLDBG_TO_FILE | KLDBG_TO_STDOUT;
  StdoutToFile out(mFolder);
  kldbg_printf("kept\n");
  EXPECT_TRUE(std::regex_match(out.text(), std::regex(kStamp + "kept\n")));
  EXPECT_EQ(std::vector<std::string>{"kept\n"}, mSyslog.texts());
}

TEST_F(DebugChannelTest, VerbosityIsTheLowByteComparedStrictly) {
  const struct {
    uint32_t level;
    unsigned threshold;
    bool above;
  } cases[] = {
      {0x00285420, 15, true}, {0x0028540F, 15, false}, {0x00000010, 15, true},
      {0x00000008, 7, true},  {0x00000007, 7, false},  {0xFFFFFF00, 0, false},
  };
  for (const auto& c : cases) {
    g_debug_level = c.level;
    EXPECT_EQ(c.above, kldbg_above(c.threshold)) << std::hex << c.level << " " << c.threshold;
  }
}

TEST_F(DebugChannelTest, TraceLinesCarryFunctionAndLineWhenAboveThreshold) {
  g_debug_level = 0x10;
  kldbg_trace(15, "klMbox_send", 42, "full %d\n", 5);
  kldbg_trace(16, "klMbox_send", 43, "hidden\n");
  kldbg_trace(7, "a_function_name_longer_than_16", 12345, "x\n");
  EXPECT_EQ((std::vector<std::string>{"[     klMbox_send:  42] full 5\n",
                                      "[a_function_name_longer_than_16:12345] x\n"}),
            mSyslog.texts());
}

// The child's syslog sink writes to standard error, where the death test can read it.
void syslogToStderr(int, const char* line) {
  fputs(line, stderr);
}

TEST(AssertDeathTest, AboveSevenWritesTheAssertionLineAndExitsWithMinusOne) {
  EXPECT_EXIT(
      {
        klSetSyslogSink(&syslogToStderr);
        g_debug_level = 0x08;
        KL_ASSERT_TEXT(1 + 1 == 3, "tlv != NULL");
      },
      testing::ExitedWithCode(255),
      "^\033\\[31mASSERT:.*klDebug_test.cpp/TestBody:[0-9]+:tlv != NULL\n\033\\[0m$");
}

TEST(AssertDeathTest, AtSevenOnlyExits) {
  EXPECT_EXIT(
      {
        klSetSyslogSink(&syslogToStderr);
        g_debug_level = 0x07;
        KL_ASSERT(sizeof(int) == 1);
      },
      testing::ExitedWithCode(255), "^$");
}

}  // namespace
