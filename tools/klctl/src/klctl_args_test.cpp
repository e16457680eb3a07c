#include "klctl_args.h"

#include <gtest/gtest.h>

#include "klTlv.h"
#include "klcontrol_client_message.h"
#include "test_command_bytes.h"

namespace {

using Bytes = std::vector<uint8_t>;

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
