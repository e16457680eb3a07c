// Every test of this binary uses the daemon's fixed queue names and port: isolate the whole run.
#include <gtest/gtest.h>

#include "kl_test_namespace.h"

namespace {

class PrivateNamespaces : public ::testing::Environment {
 public:
  void SetUp() override { ASSERT_TRUE(klEnterPrivateNamespaces()); }
};

const ::testing::Environment* const kNamespaces = ::testing::AddGlobalTestEnvironment(new PrivateNamespaces);

}  // namespace
