#include "kl_test_emulator.h"

#include <cstdlib>
#include <iterator>
#include <sstream>

namespace {

const char* emulator() {
  const char* words = std::getenv("KL_TEST_EMULATOR");
  return words != nullptr ? words : "";
}

}  // namespace

bool klTestEmulated() {
  return emulator()[0] != '\0';
}

std::vector<std::string> klEmulatedCommand(std::vector<std::string> argv) {
  std::istringstream words(emulator());
  std::vector<std::string> command{std::istream_iterator<std::string>(words),
                                   std::istream_iterator<std::string>()};
  command.insert(command.end(), argv.begin(), argv.end());
  return command;
}
