// Parameter lookup in notification-configuration texts.
#include <gtest/gtest.h>

#include "klCtrlD.h"

namespace {

TEST(ParseParam, FindsTheValueAfterTheKey) {
  struct Case {
    const char* text;
    bool found;
    const char* value;
  };
  const Case cases[] = {{"status=1", true, "1"},
                        {"a=2&status=0&b=3", true, "0&b=3"},
                        {"status=", true, ""},
                        {"stat=1", false, ""},
                        {"", false, ""}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    std::string value;
    EXPECT_EQ(parseParam(c.text, "status=", value), c.found);
    EXPECT_EQ(value, c.value);
  }
}

}  // namespace
