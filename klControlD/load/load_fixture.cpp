#include "load_fixture.h"

#include <cstdlib>

#include "klTlv.h"

int scaledCount(int full) {
  const char* scale = std::getenv("KL_LOAD_SCALE");
  const long percent = scale != nullptr ? std::strtol(scale, nullptr, 10) : 100;
  return percent > 0 && percent < 100 ? int(full * percent / 100) + 1 : full;
}

std::string exchange(const TestRequester& requester, const CommandCase& c) {
  const TestAnswer answer = requester.ask(c.number, c.hasArg ? &c.arg : nullptr);
  if (!answer.hasStatus) return std::string("no answer: ") + c.name;
  if (answer.category != CAT_CLIENT_RSP || answer.status != c.status ||
      answer.payload.size() != c.payloadSize) {
    return std::string(c.name) + ": status " + std::to_string(answer.status) + ", payload " +
           std::to_string(answer.payload.size());
  }
  return "";
}
