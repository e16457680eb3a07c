// Decoded transcode records from hand-built 552-byte payloads.
#include "klctl_transcode_decoders.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

std::vector<uint8_t> record(uint64_t id, uint32_t state, int32_t reason, const char* source,
                            const char* output) {
  std::vector<uint8_t> bytes(552, 0);
  const uint32_t estimate = 4;
  const uint32_t progress = 75;
  std::memcpy(&bytes[0], source, std::strlen(source));
  std::memcpy(&bytes[264], &id, 8);
  std::memcpy(&bytes[272], &state, 4);
  std::memcpy(&bytes[276], &reason, 4);
  std::memcpy(&bytes[280], &estimate, 4);
  std::memcpy(&bytes[284], &progress, 4);
  std::memcpy(&bytes[288], output, std::strlen(output));
  return bytes;
}

TEST(KlctlTranscodeRecord, FieldsAtTheirOffsetsNamesWithinTheirFields) {
  EXPECT_EQ(klctlDecodeTranscodeRecord(record(1001, 1, 0, "C:\\A.MP4", "C:/B.MP4")),
            "job 1001, state 1, progress 75, estimate 4 s, reason 0, source C:\\A.MP4, output C:/B.MP4");
  EXPECT_EQ(klctlDecodeTranscodeRecord(record(0, 4, -256, "R.MP4", "")),
            "job 0, state 4 (final), progress 75, estimate 4 s, reason -256, source R.MP4, output ");
  EXPECT_EQ(klctlDecodeTranscodeRecord(std::vector<uint8_t>(552, 0)), "empty");
  EXPECT_EQ(klctlDecodeTranscodeRecord(std::vector<uint8_t>(551, 0)), "");
  std::vector<uint8_t> bytes = record(7, 0, 0, "", "");
  std::memset(&bytes[0], 'S', 257);  // no NUL in the field: the padding after it is not read as text
  bytes[257] = 'X';
  EXPECT_EQ(
      klctlDecodeTranscodeRecord(bytes),
      "job 7, state 0, progress 75, estimate 4 s, reason 0, source " + std::string(257, 'S') + ", output ");
}

TEST(KlctlTranscodeHistory, TwoSlots) {
  std::vector<uint8_t> history = record(5, 2, 0, "A", "B");
  history.resize(1104, 0);
  EXPECT_EQ(klctlDecodeTranscodeHistory(history),
            "slot 0: job 5, state 2 (final), progress 75, estimate 4 s, reason 0, source A, output B; slot "
            "1: empty");
  EXPECT_EQ(klctlDecodeTranscodeHistory(std::vector<uint8_t>(552, 0)), "");
}

}  // namespace
