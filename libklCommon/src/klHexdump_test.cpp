#include "klHexdump.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <numeric>
#include <string>
#include <vector>

#include "test_debug_fixture.h"

namespace {

// Dumps are written above verbosity 7, each after an empty line.
class HexprintTest : public DebugLevelTest {
 protected:
  // The address column of every captured line, the empty one as it is.
  std::vector<std::string> addresses() {
    std::vector<std::string> result;
    for (const std::string& line : mSyslog.texts())
      result.push_back(line.size() > 11 ? line.substr(11, 8) : line);
    return result;
  }
};

// Nothing at verbosity 7 or below; without the full-dump bit the middle of long buffers is left out.
// Lines are aligned to the start address; bytes outside 0x20..0x7e show as dots.
TEST_F(HexprintTest, LinesAlignToTheStartAndFollowVerbosityAndTheFullDumpBit) {
  const unsigned char text[] = "Hello, camera!\x01\xff\x7e\x7f\x20\x1f";
  hexprint("TX", 5, text, 20);
  EXPECT_EQ((std::vector<std::string>{
                "\n", "TX         00000000             48656c 6c6f2c20 63616d65       Hello, came\n",
                "TX         00000010  72612101 ff7e7f20 1f                 ra!..~. .       \n"}),
            mSyslog.texts());
  std::vector<unsigned char> data(200);
  std::iota(data.begin(), data.end(), 0);
  hexprint("ERROR", 0, data.data(), 200);
  EXPECT_EQ((std::vector<std::string>{"\n", "00000000", "00000010", "00000020", "00000030", "000000a0",
                                      "000000b0", "000000c0"}),
            addresses());
  g_debug_level = 0x08 | KLDBG_FULL_HEXDUMP;
  hexprint("ERROR", 0, data.data(), 200);
  EXPECT_EQ(14u, addresses().size());
  g_debug_level = 0x07 | KLDBG_FULL_HEXDUMP;
  hexprint("ERROR", 0, data.data(), 200);
  hexprint_noaddr("ERROR", 0, data.data(), 40);
  EXPECT_TRUE(mSyslog.texts().empty());
  // Without an address, groups of four end at the last byte.
  g_debug_level = 0x08;
  for (int length : {0, 16, 18}) hexprint_noaddr("L", 99, data.data(), length);
  EXPECT_EQ((std::vector<std::string>{"L\n", "L 00010203 04050607 08090a0b 0c0d0e0f\n",
                                      "L 0001 02030405 06070809 0a0b0c0d 0e0f\n", "L 1011\n"}),
            mSyslog.texts());
}

// A run of repeated full lines, however long, collapses into one "..."; a small buffer gets the cut dump.
TEST(Snhexdump, OffsetsOrAlignedAddressesInUppercaseAndRepeatsCollapsed) {
  const std::string data = "0123456789\xab\xcdwxyz" + std::string(48, 'A') + std::string(32, 'B') + "XYZ";
  char out[1000];
  const int n =
      snhexdump0(out, sizeof out, reinterpret_cast<const unsigned char*>(data.data()), data.size(), "> ");
  const std::string text = out;
  EXPECT_EQ(static_cast<int>(text.size()), n);
  EXPECT_EQ(
      "> 00000000  30 31 32 33  34 35 36 37  38 39 AB CD  77 78 79 7A  0123456789..wxyz\n"
      "> 00000010  41 41 41 41  41 41 41 41  41 41 41 41  41 41 41 41  AAAAAAAAAAAAAAAA\n...\n"
      "> 00000040  42 42 42 42  42 42 42 42  42 42 42 42  42 42 42 42  BBBBBBBBBBBBBBBB\n...\n"
      "> 00000060  58 59 5A                                            XYZ             \n",
      text);
  char small[21];
  EXPECT_EQ(20,
            snhexdump0(small, sizeof small, reinterpret_cast<const unsigned char*>(data.data()), 40, "> "));
  EXPECT_EQ(text.substr(0, 20), std::string(small));
  // Absolute addresses are aligned to sixteen; a length of zero shows the end address.
  alignas(16) unsigned char buffer[48] = {};
  const auto base = static_cast<unsigned>(reinterpret_cast<uintptr_t>(buffer) & 0xFFFFFFFFu);
  char expected[256];
  snprintf(expected, sizeof expected,
           "%08X           00  00 00 00 00  00 00 00 00  00 00 00 00     .............\n"
           "%08X  00 00 00                                            ...             \n",
           base, base + 16);
  snhexdump(out, sizeof out, buffer + 3, 16, "");
  EXPECT_STREQ(expected, out);
  snprintf(expected, sizeof expected, "%p\n", static_cast<const void*>(buffer));
  for (auto dump : {snhexdump, snhexdump0}) {
    EXPECT_EQ(static_cast<int>(strlen(expected)), dump(out, sizeof out, buffer, 0, "P"));
    EXPECT_STREQ(expected, out);
  }
}

}  // namespace
