// Parameter lookup in notification-configuration texts.
#include <gtest/gtest.h>

#include "klCtrlD.h"

namespace {

// The value runs to the end of the text; nullptr: the key is not there.
TEST(ParseParam, FindsTheValueAfterTheKey) {
  const std::pair<const char*, const char*> cases[] = {
      {"status=1", "1"}, {"a=2&status=0&b=3", "0&b=3"}, {"status=", ""}, {"stat=1", nullptr}, {"", nullptr}};
  for (const auto& [text, expected] : cases) {
    std::string value;
    EXPECT_EQ(parseParam(text, "status=", value), expected != nullptr) << text;
    EXPECT_EQ(value, expected != nullptr ? expected : "") << text;
  }
}

}  // namespace
