#include "klcontrol_change_document.h"

#include <gtest/gtest.h>

namespace {

TEST(ChangeDocument, BodyPartsAndSeparators) {
  struct Case {
    klcontrol_change_texts_t texts;
    const char* body;
  };
  const Case cases[] = {
      {{}, ""},
      {{0, "", 1, "\"2\":1", 0, ""}, "\"status\":{\"2\":1}"},
      {{1, "\"70\":50", 0, "", 0, ""}, "\"status\":{\"70\":50}"},
      {{1, "\"70\":50", 2, "\"2\":1,\"8\":0", 0, ""}, "\"status\":{\"70\":50,\"2\":1,\"8\":0}"},
      {{0, "", 0, "", 1, "\"87\":1"}, "\"settings\":{\"87\":1}\n"},
      {{1, "\"70\":50", 1, "\"2\":1", 2, "\"2\":4,\"3\":8"},
       "\"status\":{\"70\":50,\"2\":1},\n\"settings\":{\"2\":4,\"3\":8}\n"},
      // A count without text still opens its part; a text without count does not.
      {{1, "", 0, "", 0, ""}, "\"status\":{}"},
      {{0, "\"70\":50", 0, "", 0, "\"87\":1"}, ""},
  };
  for (const Case& c : cases) EXPECT_EQ(klcontrol_change_body(c.texts), c.body) << c.body;
}

// Times are {seconds, microseconds}; a second has passed only when the microseconds came round too.
TEST(ChangeDocument, PeriodicComparisonAtMostOnceASecond) {
  struct Case {
    int64_t last[2];
    int64_t now[2];
    bool due;
  };
  const Case cases[] = {
      {{0, 0}, {5, 0}, true},  // never compared
      {{0, 0}, {0, 0}, true},
      {{100, 500000}, {100, 999999}, false},
      {{100, 500000}, {101, 499999}, false},  // borrow from the microseconds
      {{100, 500000}, {101, 500000}, true},
      {{100, 0}, {101, 0}, true},
      {{100, 999999}, {102, 0}, true},
      {{0, 1}, {0, 999999}, false},  // only both words zero mean never
  };
  for (const Case& c : cases) {
    EXPECT_EQ(klcontrol_periodic_due(c.last, c.now), c.due)
        << c.last[0] << "." << c.last[1] << " -> " << c.now[0] << "." << c.now[1];
  }
}

}  // namespace
