#include "klUtil.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <string>
#include <vector>

#include "temp_folder.h"

namespace {

TEST(Trim, SkipsLeadingBlanksAndTabsOnly) {
  const struct {
    const char* input;
    const char* rest;  // null when trim returns null
  } cases[] = {{"  \tabc ", "abc "}, {"abc", "abc"}, {"   ", nullptr}, {"", nullptr}, {"\t\n", "\n"}};
  for (const auto& c : cases) {
    std::string copy = c.input;
    EXPECT_STREQ(c.rest, trim(&copy[0])) << '"' << c.input << '"';
    EXPECT_EQ(c.input, copy);
  }
  EXPECT_EQ(nullptr, trim(nullptr));
}

// Null arguments change nothing.
TEST(UnescapeUrl, DecodesEscapesInPlace) {
  const struct {
    const char* input;
    std::string decoded;
  } cases[] = {{"a%2Fb%2fc", "a/b/c"}, {"a+b", "a+b"}, {"%c3%A9", "\xc3\xa9"}, {"%00x", {"\0x", 2}},
               {"100%", "100%"},       {"5%4", "5%4"}, {"%zz%20", "%zz "},     {"", ""}};
  for (const auto& c : cases) {
    // Exactly the string and its NUL: the sanitizer build catches any access past them.
    std::vector<char> buffer(c.input, c.input + strlen(c.input) + 1);
    unsigned length = 999;
    unescapeUrl(buffer.data(), &length);
    ASSERT_LT(length, buffer.size()) << c.input;
    EXPECT_EQ(c.decoded, std::string(buffer.data(), length)) << c.input;
    EXPECT_EQ('\0', buffer[length]) << c.input;
  }
  char text[] = "a%20b";
  unescapeUrl(text, nullptr);
  EXPECT_STREQ("a%20b", text);
  unsigned length = 7;
  unescapeUrl(nullptr, &length);
  EXPECT_EQ(7u, length);
}

TEST(ValidateCardID, DigitsUpToLengthOrNul) {
  const struct {
    const char* s;
    size_t length;
    int valid;
  } cases[] = {{"123\n", 4, 0}, {"123\n", 3, 1}, {"", 5, 1}, {"0042", 32, 1}};
  for (const auto& c : cases) EXPECT_EQ(c.valid, validateCardID(c.s, c.length)) << c.s << "/" << c.length;
}

class CardIdTest : public testing::Test {
 protected:
  CardIdTest() {
    g_card_misc_dir = mDefault.c_str();
    g_card1_misc_dir = mSecond.c_str();
    memset(mId, 'Q', sizeof mId);
  }
  ~CardIdTest() override {
    g_card_misc_dir = mSavedDefault;
    g_card1_misc_dir = mSavedSecond;
  }

  // Runs the call and returns what it wrote on standard error.
  std::string callWithStderr(char* out, int card, int expected) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(expected, getCardIDStrFromCard(out, card));
    return testing::internal::GetCapturedStderr();
  }

  // A fresh identifier is all digits and matches the file without a line end.
  void expectNewId(const std::string& folderName) {
    EXPECT_GT(strlen(mId), 0u);
    EXPECT_EQ(1, validateCardID(mId, 32)) << mId;
    EXPECT_EQ(std::string(mId), mRoot.read(folderName + "/card"));
  }

  TempFolder mRoot;
  std::string mDefault = mRoot.path() + "/fuse_d/";
  std::string mSecond = mRoot.path() + "/fuse_i/";
  char mId[32];
  const char* mSavedDefault = g_card_misc_dir;
  const char* mSavedSecond = g_card1_misc_dir;
};

// Card 0 and card 1 each have their own folder; existing content is kept only when all digits, up to
// 30 of them.
TEST_F(CardIdTest, CreatesTheFolderAndIdThenKeepsOnlyAllDigitContent) {
  EXPECT_EQ("", callWithStderr(mId, 1, 0));
  expectNewId("fuse_i");
  struct stat info;
  EXPECT_NE(0, stat(mDefault.c_str(), &info));
  EXPECT_EQ("", callWithStderr(mId, 0, 0));
  expectNewId("fuse_d");
  const std::string first = mId;
  memset(mId, 'Q', sizeof mId);
  EXPECT_EQ(0, getCardIDStr(mId));
  EXPECT_EQ(first, mId);
  const struct {
    std::string content;
    std::string kept;  // empty when a new identifier must replace the content
  } cases[] = {
      {"987654321", "987654321"}, {std::string(40, '7'), std::string(30, '7')}, {"123\n", ""}, {"", ""}};
  for (const auto& c : cases) {
    mRoot.write("fuse_d/card", c.content);
    EXPECT_EQ(0, getCardIDStr(mId)) << c.content;
    if (!c.kept.empty())
      EXPECT_EQ(c.kept, mId);
    else
      expectNewId("fuse_d");
  }
}

TEST_F(CardIdTest, FailuresLeaveZeroAndSayWhy) {
  mRoot.write("fuse_d", "not a folder");
  mDefault.pop_back();  // the folder name without its slash is the regular file
  g_card_misc_dir = mDefault.c_str();
  EXPECT_EQ("Path:" + mDefault + " exists and is a NOT folder\n", callWithStderr(mId, 0, -1));
  EXPECT_STREQ("0", mId);

  mSecond = mRoot.path() + "/no/such/MISC/";
  g_card1_misc_dir = mSecond.c_str();
  EXPECT_EQ("Failed to create folder:" + mSecond + "\n", callWithStderr(mId, 1, -1));
  EXPECT_STREQ("0", mId);

  EXPECT_EQ("Cannot call with null pointer\n", callWithStderr(nullptr, 0, -1));
}

}  // namespace
