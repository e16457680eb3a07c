#include "sim_state_file.h"

#include <fstream>
#include <sstream>

#include "sim_members.h"

namespace {

std::string trimmed(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return std::string();
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

}  // namespace

bool simApplyAssignment(SimCamera& camera, const std::string& line, std::string& error) {
  const size_t equals = line.find('=');
  if (equals == std::string::npos) {
    error = "expected member=value";
    return false;
  }
  const std::string name = trimmed(line.substr(0, equals));
  int64_t value = 0;
  if (!simParseNumber(trimmed(line.substr(equals + 1)), value)) {
    error = "bad number for " + name;
    return false;
  }
  if (name == "model") {
    if (!camera.switchModel(unsigned(value))) error = "unknown model " + std::to_string(value);
    return error.empty();
  }
  SimMember member{};
  if (!simResolveMember(name, member)) {
    error = "unknown member " + name;
    return false;
  }
  if (!camera.write(member.block, member.offset, member.width, value)) {
    error = "value " + std::to_string(value) + " does not fit " + name;
    return false;
  }
  return true;
}

bool simLoadStateText(SimCamera& camera, const std::string& text, std::string& error) {
  std::istringstream lines(text);
  std::string line;
  for (unsigned number = 1; std::getline(lines, line); ++number) {
    std::string reason;
    const std::string content = trimmed(line);
    if (line.size() > SIM_STATE_LINE_MAX) {
      reason = "line too long";
    } else if (content.empty() || content[0] == '#' || simApplyAssignment(camera, content, reason)) {
      continue;
    }
    error = "line " + std::to_string(number) + ": " + reason;
    return false;
  }
  return true;
}

bool simLoadStateFile(SimCamera& camera, const std::string& path, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "cannot read " + path;
    return false;
  }
  std::string text(SIM_STATE_FILE_MAX + 1, '\0');
  in.read(&text[0], std::streamsize(text.size()));
  text.resize(size_t(in.gcount()));
  if (text.size() > SIM_STATE_FILE_MAX) {
    error = path + " is larger than " + std::to_string(SIM_STATE_FILE_MAX) + " bytes";
    return false;
  }
  return simLoadStateText(camera, text, error);
}
