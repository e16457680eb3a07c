#include "klctl_settings_status_decoders.h"

#include <gtest/gtest.h>

namespace {

using Bytes = std::vector<uint8_t>;

TEST(SettingsStatusDecoders, KeyMembersAtTheirOffsets) {
  Bytes snapshot(624, 0);
  snapshot[0] = 12;     // flat mode in the snapshot's mode byte
  snapshot[6] = 87;     // battery
  snapshot[19] = 0x02;  // preset group, 32-bit
  snapshot[52] = 0x2C;  // videos: 300
  snapshot[53] = 0x01;
  snapshot[70] = 0xF6;        // -10 degrees
  snapshot[384 + 25] = 17;    // settings: flat mode
  snapshot[384 + 44] = 0xFF;  // signed fps byte
  snapshot[622] = 1;
  snapshot[623] = 4;
  const std::string text = klctlDecodeSnapshot(snapshot);
  EXPECT_NE(text.find("status: mode 12, "), std::string::npos) << text;
  EXPECT_NE(text.find("battery % 87, preset group 2, "), std::string::npos) << text;
  EXPECT_NE(text.find("videos 300, "), std::string::npos) << text;
  EXPECT_NE(text.find("temperature C -10, "), std::string::npos) << text;
  EXPECT_NE(text.find("settings: flat mode 17, "), std::string::npos) << text;
  EXPECT_NE(text.find("video fps -1, "), std::string::npos) << text;
  EXPECT_NE(text.find("; lens mode 1, lens 4"), std::string::npos) << text;
  EXPECT_EQ(klctlDecodeStatusBlock(Bytes(snapshot.begin(), snapshot.begin() + 384)).substr(0, 8), "mode 12,");
  EXPECT_EQ(klctlDecodeSettingsBlock(Bytes(snapshot.begin() + 384, snapshot.begin() + 622)).substr(0, 13),
            "flat mode 17,");
}

TEST(SettingsStatusDecoders, OtherSizesAreNotDecoded) {
  for (size_t size : {0, 237, 383, 385, 623, 625}) {
    const Bytes payload(size, 1);
    EXPECT_EQ(klctlDecodeStatusBlock(payload), "") << size;
    EXPECT_EQ(klctlDecodeSettingsBlock(payload), "") << size;
    EXPECT_EQ(klctlDecodeSnapshot(payload), "") << size;
  }
}

}  // namespace
