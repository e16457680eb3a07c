// Decoded network lists and list-deletion results from hand-built payloads.
#include "klctl_wireless_media_decoders.h"

#include <gtest/gtest.h>

#include <cstring>

#include "klcontrol_network_list.h"

namespace {

std::vector<uint8_t> bytesOf(const klcontrol_network_list_t& list) {
  std::vector<uint8_t> bytes(sizeof list);
  std::memcpy(bytes.data(), &list, sizeof list);
  return bytes;
}

TEST(KlctlNetworkList, EntriesUpToTheCount) {
  klcontrol_network_list_t list{};
  list.offset = 2;
  list.scan_id = 7;
  list.count = 2;
  list.total = 4;
  std::memcpy(list.entries[0].name, "HarbourView", 12);
  list.entries[0].auth_type = 3;
  list.entries[0].signal = -48;
  list.entries[0].flags = 1;
  std::memset(list.entries[1].name, 'x', sizeof list.entries[1].name);  // no zero: bounded by the field
  std::memcpy(list.entries[2].name, "beyond", 7);
  EXPECT_EQ(klctlDecodeNetworkList(bytesOf(list)),
            "offset 2, scan 7, 2 of 4: HarbourView (auth 3, signal -48, flags 1); " + std::string(32, 'x') +
                " (auth 0, signal 0, flags 0)");
  list.count = 0;
  EXPECT_EQ(klctlDecodeNetworkList(bytesOf(list)), "offset 2, scan 7, 0 of 4");
  EXPECT_EQ(klctlDecodeNetworkList(std::vector<uint8_t>(491)), "");
}

TEST(KlctlDeleteListResult, OneWordPerItem) {
  EXPECT_EQ(klctlDecodeDeleteListResult({1, 2, 1, 0, 1}), "result 1, 2 items, 1 deleted: deleted, not found");
  EXPECT_EQ(klctlDecodeDeleteListResult({0, 0, 0}), "result 0, 0 items, 0 deleted");
  EXPECT_EQ(klctlDecodeDeleteListResult({}), "");
  EXPECT_EQ(klctlDecodeDeleteListResult({0, 2, 2, 0}), "");
}

}  // namespace
