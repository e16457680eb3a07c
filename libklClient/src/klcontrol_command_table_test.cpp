#include "klcontrol_command_table.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

// Rows are in number order, a name is used once, and each name finds its own row.
TEST(CommandTable, EachNamedRowIsFoundByItsNumberAndItsName) {
  std::set<std::string> names;
  for (uint32_t n = 0; n < KLCONTROL_COMMAND_COUNT; ++n) {
    const klcontrol_command_info_t* row = klcontrol_command_info(n);
    ASSERT_NE(row, nullptr) << n;
    EXPECT_EQ(row->number, n);
    if (row->name == nullptr) continue;
    EXPECT_TRUE(names.insert(row->name).second) << row->name;
    EXPECT_EQ(klcontrol_command_by_name(row->name), row) << row->name;
  }
  EXPECT_EQ(klcontrol_command_info(KLCONTROL_COMMAND_COUNT), nullptr);
  EXPECT_EQ(klcontrol_command_by_name("KLCONTROL_NO_SUCH"), nullptr);
  EXPECT_STREQ(klcontrol_arg_class_name(KLCONTROL_ARG_PROTOBUF), "protobuf");
}
