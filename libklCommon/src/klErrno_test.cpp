#include "klErrno.h"

#include <gtest/gtest.h>

#include <utility>

TEST(klErrno2Str, NamesEveryNumberOfTheTableAndNoOther) {
  const std::pair<int, const char*> names[] = {{0, "KL_OK"},
                                               {-1, "KL_ERR"},
                                               {-3, "KL_ERR_INVALID_PARAM"},
                                               {-12, "KL_ERR_FILE_WRITE"},
                                               {-14, "KL_ERR_REMOTE_FILE_OPEN"},
                                               {-17, "KL_ERR_ACCESS_DENIED"},
                                               {-100, "KL_ERR_DOWNLOAD_FAILED"},
                                               {-101, "KL_ERR_NAK"},
                                               {-102, "KL_ERR_RESPONSE_ALREADY_SENT"},
                                               {-103, "KL_ERR_NAK_OFF"},
                                               {-104, "KL_ERR_NOT_SUPPORTED"}};
  for (const auto& [number, name] : names) EXPECT_STREQ(name, klErrno2Str(number)) << number;
  for (int number : {-13, 1, -18, -99, -105}) EXPECT_STREQ("UNKNOWN", klErrno2Str(number)) << number;
}
