#include "klcontrol_command_table.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

TEST(CommandTable, EachRowSitsAtItsOwnNumber) {
  for (uint32_t n = 0; n < KLCONTROL_COMMAND_COUNT; ++n) {
    const klcontrol_command_info_t* row = klcontrol_command_info(n);
    ASSERT_NE(row, nullptr) << n;
    EXPECT_EQ(row->number, n);
  }
  EXPECT_EQ(klcontrol_command_info(98), nullptr);
  EXPECT_EQ(klcontrol_command_info(0xFFFFFFFFu), nullptr);
}

TEST(CommandTable, OnlyOneTwoAndFortyFiveAreNameless) {
  std::set<uint32_t> nameless;
  std::set<std::string> names;
  for (uint32_t n = 0; n < KLCONTROL_COMMAND_COUNT; ++n) {
    const klcontrol_command_info_t* row = klcontrol_command_info(n);
    if (row->name == nullptr) {
      nameless.insert(n);
      continue;
    }
    EXPECT_TRUE(names.insert(row->name).second) << "duplicate " << row->name;
    EXPECT_EQ(klcontrol_command_by_name(row->name), row);
  }
  EXPECT_EQ(nameless, (std::set<uint32_t>{1, 2, 45}));
  EXPECT_EQ(klcontrol_command_by_name("KLCONTROL_NO_SUCH"), nullptr);
}

TEST(CommandTable, DispatchedExcludesUnnamedAndStop) {
  for (uint32_t n : {1u, 2u, 45u, 97u, 98u, 0xFFFFFFFFu}) EXPECT_FALSE(klcontrol_command_dispatched(n)) << n;
  for (uint32_t n : {0u, 3u, 44u, 46u, 96u}) EXPECT_TRUE(klcontrol_command_dispatched(n)) << n;
}

TEST(CommandTable, MinimumLengthsMatchFixedWidthClasses) {
  for (uint32_t n = 0; n < KLCONTROL_COMMAND_COUNT; ++n) {
    const klcontrol_command_info_t* row = klcontrol_command_info(n);
    switch (row->arg) {
      case KLCONTROL_ARG_U8: EXPECT_EQ(row->min_arg_len, 1u) << n; break;
      case KLCONTROL_ARG_U16: EXPECT_EQ(row->min_arg_len, 2u) << n; break;
      case KLCONTROL_ARG_U32: EXPECT_EQ(row->min_arg_len, 4u) << n; break;
      case KLCONTROL_ARG_NONE:
      case KLCONTROL_ARG_IGNORED: EXPECT_EQ(row->min_arg_len, 0u) << n; break;
      default: break;
    }
  }
}

TEST(CommandTable, SampleRowsCarryTheirArgumentLayouts) {
  struct Expect { uint32_t n; klcontrol_arg_class_t cls; uint32_t min; };
  const Expect rows[] = {
      {KLCONTROL_NOTIFICATION_QUEUE_REGISTER, KLCONTROL_ARG_RAW, 5},
      {KLCONTROL_MODE_SUB_MODE, KLCONTROL_ARG_RAW, 8},
      {KLCONTROL_GLINT_TAG_PLAYBACK, KLCONTROL_ARG_RAW, 268},
      {KLCONTROL_MODE_SET_MODE, KLCONTROL_ARG_U16, 2},
      {KLCONTROL_PUSH_NOTIFICATIONS, KLCONTROL_ARG_STRING, 1},
      {KLCONTROL_TRANSCODE_STATUS, KLCONTROL_ARG_RAW, 8},
      {KLCONTROL_PRESET_LOAD, KLCONTROL_ARG_PROTOBUF, 0},
      {KLCONTROL_VANTIX_RESET, KLCONTROL_ARG_IGNORED, 0},
      {KLCONTROL_DELETE_LAST, KLCONTROL_ARG_NONE, 0},
  };
  for (const Expect& e : rows) {
    const klcontrol_command_info_t* row = klcontrol_command_info(e.n);
    EXPECT_EQ(row->arg, e.cls) << row->name;
    EXPECT_EQ(row->min_arg_len, e.min) << row->name;
  }
  EXPECT_STREQ(klcontrol_arg_class_name(KLCONTROL_ARG_PROTOBUF), "protobuf");
}
