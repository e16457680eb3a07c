#include "klErrno.h"

#include <gtest/gtest.h>

#include <string>

TEST(klErrno2Str, NamesEveryNumberOfTheTable) {
  const struct {
    int number;
    const char* name;
  } cases[] = {
      {0, "KL_OK"},
      {-1, "KL_ERR"},
      {-3, "KL_ERR_INVALID_PARAM"},
      {-12, "KL_ERR_FILE_WRITE"},
      {-14, "KL_ERR_REMOTE_FILE_OPEN"},
      {-17, "KL_ERR_ACCESS_DENIED"},
      {-100, "KL_ERR_DOWNLOAD_FAILED"},
      {-101, "KL_ERR_NAK"},
      {-102, "KL_ERR_RESPONSE_ALREADY_SENT"},
      {-103, "KL_ERR_NAK_OFF"},
      {-104, "KL_ERR_NOT_SUPPORTED"},
  };
  for (const auto& c : cases) EXPECT_EQ(std::string(c.name), klErrno2Str(c.number)) << c.number;
}

TEST(klErrno2Str, NumbersOutsideTheTableAreUnknown) {
  for (int number : {-13, 1, -18, -99, -105, 114}) EXPECT_STREQ("UNKNOWN", klErrno2Str(number)) << number;
}
