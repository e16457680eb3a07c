#include "kllogview_line.h"

#include <gtest/gtest.h>

TEST(KllogviewLine, OneDatagramBecomesOnePrintableLine) {
  const struct {
    std::string datagram;
    const char* line;
  } cases[] = {
      {"<11>Dec  5 21:00:00 klControlD: UTIL_LOG_ERROR:x @f:1\n",
       "Dec  5 21:00:00 klControlD: UTIL_LOG_ERROR:x @f:1"},
      {std::string("<15>a\nb\0\0", 9), "a b"},
      {"<1x>kept", "<1x>kept"},
      {"<>kept", "<>kept"},
      {"no priority\r\n", "no priority"},
      {"", ""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(c.line, kllogviewLine(c.datagram.data(), c.datagram.size())) << c.datagram;
}
