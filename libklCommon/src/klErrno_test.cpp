#include "klErrno.h"

#include <gtest/gtest.h>

TEST(klErrno2Str, NamesEveryNumberOfTheTableAndNoOther) {
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
      {-13, "UNKNOWN"},
      {1, "UNKNOWN"},
      {-18, "UNKNOWN"},
      {-99, "UNKNOWN"},
      {-105, "UNKNOWN"},
  };
  for (const auto& c : cases) EXPECT_STREQ(c.name, klErrno2Str(c.number)) << c.number;
}
