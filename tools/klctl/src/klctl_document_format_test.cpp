// How watch formats a pushed document, and what it refuses to format.
#include "klctl_document_format.h"

#include <gtest/gtest.h>

namespace {

TEST(KlctlDocumentFormat, MembersKeepTheirOrderAndBadTextIsRefused) {
  const std::string deep =
      std::string(KLCTL_MAX_DOCUMENT_DEPTH + 1, '[') + std::string(KLCTL_MAX_DOCUMENT_DEPTH + 1, ']');
  const std::string deepest =
      std::string(KLCTL_MAX_DOCUMENT_DEPTH, '[') + std::string(KLCTL_MAX_DOCUMENT_DEPTH, ']');
  const struct {
    std::string text;
    bool compact;
    bool ok;
    std::string formatted;
  } cases[] = {
      {"{\"status\":{\"70\":50,\"2\":1},\n\"settings\":{\"144\":17}\n}", true, true,
       "{\"status\":{\"70\":50,\"2\":1},\"settings\":{\"144\":17}}"},
      {"{\"z\":[1,{\"a\":null}]}", false, true,
       "{\n  \"z\": [\n    1,\n    {\n      \"a\": null\n    }\n  ]\n}"},
      {deepest, true, true, deepest},
      {deep, true, false, ""},
      {std::string(100000, '['), true, false, ""},
      {"{\"a\":1}{}", true, false, ""},
      {"{\"a\":\"\xff\"}", true, false, ""},
      {"", true, false, ""},
  };
  for (const auto& c : cases) {
    std::string formatted;
    EXPECT_EQ(c.ok, klctlFormatDocument(c.text, c.compact, formatted)) << c.text.substr(0, 40);
    EXPECT_EQ(c.formatted, formatted) << c.text.substr(0, 40);
  }
}

}  // namespace
