// The daemon's logger, the library's debug channel and the error names.
#include "klLog.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdio>
#include <regex>
#include <string>
#include <thread>
#include <utility>

#include "klErrno.h"
#include "klLogOutput.h"
#include "klUniqueFd.h"
#include "temp_folder.h"
#include "test_debug_fixture.h"
#include "wait_until.h"

namespace {

class KlogTest : public DebugLevelTest {
 protected:
  ~KlogTest() override { g_logLevel = mSavedLevel; }

  // The one line written by a call with the given message and location.
  std::string lineOf(int level, const std::string& message, const std::string& file, int line) {
    klUtilKlogMsgLevel(level, line, file.c_str(), "%s", message.c_str());
    return onlyLine();
  }

  // The text of the one line written since the last look.
  std::string onlyLine() {
    auto lines = mSyslog.texts();
    EXPECT_EQ(1u, lines.size());
    return lines.empty() ? "" : lines[0];
  }

  int mSavedLevel = g_logLevel;
};

// The prefix takes 15 bytes, so a message keeps at most 334 characters (up to byte 348). A cut message
// leaves 91 bytes for " @" + file + ":9" and the terminator, a short one 440 - 16; a suffix that does not
// fit becomes a blank.
TEST_F(KlogTest, LinesCarryThePaddedLevelNameAndTheLocationAndAreCutToFit) {
  const char* prefixes[] = {"UTIL_LOG_OFF  ", "UTIL_LOG_FATAL", "UTIL_LOG_ERROR", "UTIL_LOG_WARN ",
                            "UTIL_LOG_DEBUG", "UTIL_LOG_INFO ", "UTIL_LOG_TRACE"};
  for (int level = UTIL_LOG_OFF; level <= UTIL_LOG_TRACE; level++)
    EXPECT_EQ(std::string(prefixes[level]) + ":mode 4 @srv.cpp:120", lineOf(level, "mode 4", "srv.cpp", 120));
  const struct {
    size_t message, file, kept;
    bool fits;
  } cases[] = {{334, 5, 334, true},   {335, 5, 334, true}, {400, 86, 334, true},
               {400, 87, 334, false}, {1, 419, 1, true},   {1, 420, 1, false}};
  for (const auto& c : cases) {
    const std::string message(c.message, 'm');
    const std::string file(c.file, 'f');
    const std::string expected =
        "UTIL_LOG_WARN :" + message.substr(0, c.kept) + (c.fits ? " @" + file + ":9" : " ");
    EXPECT_EQ(expected, lineOf(UTIL_LOG_WARN, message, file, 9)) << c.message << "/" << c.file;
  }
}

TEST_F(KlogTest, SetLevelIgnoresValuesAboveTraceAndTheMacroSkipsWhatItSuppresses) {
  const std::pair<uint32_t, int> cases[] = {
      {UTIL_LOG_TRACE, UTIL_LOG_TRACE}, {7, UTIL_LOG_TRACE}, {0, UTIL_LOG_OFF}, {0xFFFFFFFF, UTIL_LOG_OFF}};
  for (const auto& [value, level] : cases) {
    klUtilSetLogLevel(value);
    EXPECT_EQ(level, g_logLevel) << value;
  }
  // The macro skips suppressed levels without formatting their arguments.
  klUtilSetLogLevel(UTIL_LOG_ERROR);
  int formatted = 0;
  KLOG(UTIL_LOG_DEBUG, "m.cpp", "%d", ++formatted);
  EXPECT_EQ(0, formatted);
  EXPECT_TRUE(mSyslog.texts().empty());
  KLOG(UTIL_LOG_ERROR, "m.cpp", "%d", ++formatted);
  const int line = __LINE__ - 1;
  EXPECT_EQ(1, formatted);
  EXPECT_EQ("UTIL_LOG_ERROR:1 @m.cpp:" + std::to_string(line), onlyLine());
}

TEST(klErrno2Str, NamesEveryNumberOfTheTableAndNoOther) {
  std::string names;
  for (int number : {0, -1, -3, -12, -13, -14, -17, -18, -99, -100, -101, -102, -103, -104, -105, 1})
    names += std::to_string(number) + "=" + klErrno2Str(number) + " ";
  EXPECT_EQ(
      "0=KL_OK -1=KL_ERR -3=KL_ERR_INVALID_PARAM -12=KL_ERR_FILE_WRITE -13=UNKNOWN "
      "-14=KL_ERR_REMOTE_FILE_OPEN -17=KL_ERR_ACCESS_DENIED -18=UNKNOWN -99=UNKNOWN "
      "-100=KL_ERR_DOWNLOAD_FAILED -101=KL_ERR_NAK -102=KL_ERR_RESPONSE_ALREADY_SENT "
      "-103=KL_ERR_NAK_OFF -104=KL_ERR_NOT_SUPPORTED -105=UNKNOWN 1=UNKNOWN ",
      names);
}

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
    EXPECT_EQ((std::vector<std::string>{"one\n", "two 2\n"}), mSyslog.texts());
  }
}

// What is waiting on the descriptor (a socket's next datagram), up to 8 KiB.
std::string readSome(int fd) {
  std::string text(8192, '\0');
  text.resize(static_cast<size_t>(std::max<ssize_t>(read(fd, &text[0], text.size()), 0)));
  return text;
}

// The real outputs, the logger's socket and the console being files of the test's folder.
class LogOutputTest : public DebugChannelTest {
 protected:
  LogOutputTest() {
    klSetSyslogSink(nullptr);
    mFolder.write("console", "");
    klSetLogPaths(mLoggerPath.c_str(), (mFolder.path() + "/console").c_str());
    logger(true);
  }
  ~LogOutputTest() override { klSetLogPaths("/dev/log", "/dev/console"); }

  // Starts (or with false, stops) the test's logger.
  void logger(bool listens) {
    mLogger.reset(listens ? socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK, 0) : -1);
    unlink(mLoggerPath.c_str());
    sockaddr_un address{AF_UNIX, {}};
    mLoggerPath.copy(address.sun_path, sizeof address.sun_path - 1);
    EXPECT_TRUE(!listens || bind(mLogger.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) == 0);
  }
  // The datagrams waiting, each without its "Mmm dd hh:mm:ss " stamp (empty when it has none).
  std::vector<std::string> datagrams() {
    std::vector<std::string> result;
    std::smatch parts;
    for (std::string text; !(text = readSome(mLogger.get())).empty();) {
      std::regex_match(text, parts, std::regex("(<[0-9]+>)[A-Z][a-z]{2} [ 1-3][0-9] [0-9:]{8} ([^]*)"));
      result.push_back(parts.str(1) + parts.str(2));
    }
    return result;
  }

  const std::string mLoggerPath = mFolder.path() + "/log";
  UniqueFd mLogger;
};

// Daemon lines go to the logger alone, even after a debug line; debug lines are also copied on
// standard error, and on the console while no logger listens. An output that could not take a line
// at once is told how many it missed with the next line it takes. The pipe is filled through a
// description of the test's own, so that the one on standard error stays blocking.
TEST_F(LogOutputTest, DebugLinesAloneAreCopiedAndOutputsAreToldWhatTheyMissed) {
  const std::string tag = std::string(program_invocation_short_name) + ": ";
  const auto note = [&tag](const char* count) {
    return tag + count + " lines dropped: the output could not take them at once\n";
  };
  int ends[2];
  ASSERT_EQ(0, pipe(ends));
  const UniqueFd reader(ends[0]), writer(ends[1]), savedStderr(dup(STDERR_FILENO));
  dup2(writer.get(), STDERR_FILENO);
  kldbg_trace(15, "klMbox_send", 42, "full %d\n", 5);
  klUtilKlogMsgLevel(UTIL_LOG_ERROR, 7, "m.cpp", "%s", "two");
  EXPECT_EQ((std::vector<std::string>{"<15>" + tag + "[     klMbox_send:  42] full 5\n",
                                      "<11>" + tag + "UTIL_LOG_ERROR:two @m.cpp:7"}),
            datagrams());
  logger(false);
  kldbg_trace(7, "a_function_name_longer_than_16", 12345, "x");
  EXPECT_EQ(tag + "[a_function_name_longer_than_16:12345] x\n", mFolder.read("console"));
  EXPECT_EQ(tag + "[     klMbox_send:  42] full 5\n" + mFolder.read("console"), readSome(reader.get()));
  const std::string filling(static_cast<size_t>(fcntl(writer.get(), F_SETPIPE_SZ, 4096)), 'x');
  const UniqueFd filler(
      open(("/proc/self/fd/" + std::to_string(writer.get())).c_str(), O_WRONLY | O_NONBLOCK));
  ASSERT_EQ(ssize_t(filling.size()), write(filler.get(), filling.data(), filling.size()));
  const unsigned long dropped = klLogDroppedLines();
  std::thread line([] { kldbg_printf("lost\n"); });
  EXPECT_TRUE(waitUntil([&] { return klLogDroppedLines() == dropped + 2; }));  // by the pipe and the logger
  EXPECT_EQ(filling, readSome(reader.get()));                                  // lets a waiting writer go on
  line.join();
  EXPECT_EQ(0, fcntl(STDERR_FILENO, F_GETFL) & O_NONBLOCK);
  logger(true);
  kldbg_printf("four\n");
  dup2(savedStderr.get(), STDERR_FILENO);
  EXPECT_EQ((std::vector<std::string>{"<15>" + tag + "four\n", "<15>" + note("2")}), datagrams());
  EXPECT_EQ(tag + "four\n" + note("1"), readSome(reader.get()));
}

// Above verbosity 7 the assertion line is written first.
TEST(AssertDeathTest, AssertionsExitWithMinusOne) {
  const std::pair<uint32_t, const char*> cases[] = {
      {0x08, "^\033\\[31mASSERT:.*klLog_test.cpp/operator\\(\\):[0-9]+:tlv != NULL\n\033\\[0m$"},
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
