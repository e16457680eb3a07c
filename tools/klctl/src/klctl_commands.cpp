#include "klctl_commands.h"

#include <cctype>
#include <cstdio>

#include "klcontrol_command_table.h"
#include "klctl_args.h"

namespace {

std::string upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

// The forms a user may type for a table name, in upper case.
bool nameMatches(const std::string& tableName, const std::string& wanted) {
  static const std::string kPrefixes[] = {"", "KLCONTROL_", "KLCONTROL_COMMAND_"};
  for (const std::string& prefix : kPrefixes) {
    if (tableName.compare(0, prefix.size(), prefix) == 0 && tableName.substr(prefix.size()) == wanted)
      return true;
  }
  return false;
}

}  // namespace

bool klctlFindCommand(const std::string& word, uint32_t& number) {
  uint64_t value = 0;
  if (klctlParseUnsigned(word, UINT32_MAX, value)) {
    number = static_cast<uint32_t>(value);
    return true;
  }
  const std::string wanted = upper(word);
  for (uint32_t n = 0; n < KLCONTROL_COMMAND_COUNT; ++n) {
    const klcontrol_command_info_t* row = klcontrol_command_info(n);
    if (row->name != nullptr && nameMatches(row->name, wanted)) {
      number = n;
      return true;
    }
  }
  return false;
}

std::string klctlCommandName(uint32_t number) {
  const klcontrol_command_info_t* row = klcontrol_command_info(number);
  return row != nullptr && row->name != nullptr ? row->name : "";
}

std::string klctlCommandList() {
  std::string list;
  for (uint32_t n = 0; n < KLCONTROL_COMMAND_COUNT; ++n) {
    const klcontrol_command_info_t* row = klcontrol_command_info(n);
    if (row->name == nullptr) continue;
    char line[256];
    std::snprintf(line, sizeof line, "  %3u  %-44s %-9s %s\n", static_cast<unsigned>(n), row->name,
                  klcontrol_arg_class_name(row->arg), row->description);
    list += line;
  }
  return list;
}
