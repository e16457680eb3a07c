// The extended-status decoder on raw records, whole, truncated and empty.
#include "klctl_status_records.h"

#include <gtest/gtest.h>

#include "klcontrol_command_table.h"
#include "klctl_decoders.h"

TEST(StatusRecords, DecodesEachRecordLittleEndianAndRefusesLeftovers) {
  const std::vector<uint8_t> records = {70, 1, 42, 13, 4, 0x10, 0x27, 0, 0, 110, 0,
                                        9,  9, 1,  2,  3, 4,    5,    6, 7, 8,   9};
  EXPECT_EQ(klctlDecodePayload(KLCONTROL_GET_EXTENDED_STATUS, records),
            "status 70=42 13=10000 110=0 9=0x010203040506070809");
  EXPECT_EQ(klctlDecodeStatusRecords({70, 2, 42}), "");
  EXPECT_EQ(klctlDecodeStatusRecords({70, 1, 42, 13}), "");
  EXPECT_EQ(klctlDecodeStatusRecords({}), "");
}
