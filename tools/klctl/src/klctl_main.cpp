// klctl: sends client commands to klControlD and prints the answers.
#include <iostream>
#include <string>
#include <vector>

#include "klDebug.h"
#include "klctl_run.h"

int main(int argc, char** argv) {
  // The library's debug lines would mix with the answers; klctl reports failures itself.
  g_debug_level &= ~0xFFu;
  const std::vector<std::string> words(argv + 1, argv + argc);
  KlctlPlan plan;
  std::string error;
  if (!klctlParseCommandLine(words, plan, error)) {
    std::cerr << "klctl: " << error << "\n(klctl --help shows the usage)\n";
    return klctlExitStatus(KlctlOutcome::Usage);
  }
  return klctlExitStatus(klctlRun(plan, std::cout, std::cerr));
}
