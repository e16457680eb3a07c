#include "sim_options.h"

#include "sim_camera.h"
#include "sim_members.h"
#include "sim_model_profile.h"

namespace {

// Takes the value of an option that needs one.
bool takeValue(int argc, const char* const* argv, int& i, std::string& value, std::string& error) {
  if (i + 1 >= argc) {
    error = std::string(argv[i]) + " needs a value";
    return false;
  }
  value = argv[++i];
  return true;
}

bool parseOption(int argc, const char* const* argv, int& i, SimOptions& options, std::string& error) {
  const std::string option = argv[i];
  std::string value;
  if (option == "--drift") {
    options.drift = true;
    return true;
  }
  if (option == "--no-sleep-events") {
    options.sleepEvents = false;
    return true;
  }
  if (option == "--fast") {
    options.replyDelayMs = 0;
    return true;
  }
  if (option == "--state") return takeValue(argc, argv, i, options.stateFile, error);
  if (option == "--control") return takeValue(argc, argv, i, options.controlName, error);
  if (option != "--model") {
    error = "unknown option " + option;
    return false;
  }
  int64_t model = 0;
  if (!takeValue(argc, argv, i, value, error)) return false;
  if (!simParseNumber(value, model) || model < 0 || !simIsModel(unsigned(model))) {
    error = "unknown model " + value + " (1 to 255)";
    return false;
  }
  options.model = uint8_t(model);
  return true;
}

}  // namespace

bool simParseCommandLine(int argc, const char* const* argv, SimCommandLine& line, std::string& error) {
  line.options.sleepEvents = true;
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) != "ctl") {
      if (!parseOption(argc, argv, i, line.options, error)) return false;
      continue;
    }
    line.control = true;
    for (++i; i < argc; ++i) line.controlLine += std::string(line.controlLine.empty() ? "" : " ") + argv[i];
    if (line.controlLine.empty()) error = "ctl needs a command";
    return !line.controlLine.empty();
  }
  return true;
}

const char* simUsage() {
  return "usage: klCameraSim [--model N] [--fast] [--drift] [--no-sleep-events] [--state FILE] [--control "
         "NAME]\n"
         "       klCameraSim [--control NAME] ctl COMMAND [WORDS...]\n";
}
