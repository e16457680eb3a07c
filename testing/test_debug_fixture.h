// What the common library's tests share: captured report lines at a chosen verbosity, a mailbox of
// the test's own, and death tests of its assertions.
#pragma once
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "fake_syslog.h"
#include "klDebug.h"
#include "klMbox.h"
#include "test_mailbox_names.h"
#include "test_tlv_bytes.h"

// Captures every syslog line; reports above verbosity 15 are written. The globals tests change are
// restored afterwards.
class DebugLevelTest : public testing::Test {
 protected:
  DebugLevelTest() { g_debug_level = 0x10; }
  ~DebugLevelTest() override {
    g_debug_level = mSavedLevel;
    g_debug = mSavedMask;
    g_timedreceive = 10;
  }

  FakeSyslog mSyslog;
  uint32_t mSavedLevel = g_debug_level;
  uint32_t mSavedMask = g_debug;
};

// A queue name of the test's own, with a mailbox to receive on (mRx) and one to send on (mTx).
class MailboxTest : public DebugLevelTest {
 protected:
  ~MailboxTest() override {
    klMbox_close(&mTx);
    klMbox_close(&mRx);
  }

  // The message waiting on the mailbox; empty after a time-out.
  Bytes receive(klMbox_t* box) {
    Bytes buf(KLMSG_MAX);
    const int len = snklMbox_timedreceive(buf.data(), KLMSG_MAX, box);
    buf.resize(len > 0 ? static_cast<size_t>(len) : 0);
    return buf;
  }

  TestMailboxNames mNames;
  klMbox_t mRx;
  klMbox_t mTx;
};

// Expects the call to end the process by a failed assertion whose output matches the pattern.
template <typename Call>
void expectAssertExit(Call call, const std::string& pattern) {
  EXPECT_EXIT(
      {
        // The child's syslog lines go to standard error, where the test reads them.
        klSetSyslogSink([](int, const char* line) { fputs(line, stderr); });
        call();
      },
      testing::ExitedWithCode(255), pattern);
}
