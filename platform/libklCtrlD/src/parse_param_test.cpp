// Parameter lookup and the ISO ordinals used to compare ISO limits.
#include <gtest/gtest.h>

#include "klCtrlD.h"

namespace {

TEST(ParseParam, FindsTheValueAfterTheKey) {
  struct Case {
    const char* text;
    bool found;
    const char* value;
  };
  const Case cases[] = {{"status=1", true, "1"}, {"a=2&status=0&b=3", true, "0"}, {"status=", true, ""},
                        {"stat=1", false, ""},   {"", false, ""}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    std::string value;
    EXPECT_EQ(parseParam(c.text, "status=", value), c.found);
    EXPECT_EQ(value, c.value);
  }
}

TEST(VantixIso, OrdinalsFollowIsoOrderNotSettingValues) {
  // Video value 8 is ISO 100 and value 0 is ISO 6400.
  EXPECT_LT(klc_video_vantix_iso_number(8), klc_video_vantix_iso_number(0));
  EXPECT_LT(klc_photo_vantix_iso_number(3), klc_photo_vantix_iso_number(6));
  EXPECT_EQ(klc_video_vantix_iso_number(99), -1);
  EXPECT_EQ(klc_photo_vantix_iso_number(-1), -1);
}

}  // namespace
