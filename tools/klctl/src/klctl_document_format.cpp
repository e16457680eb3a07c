#include "klctl_document_format.h"

#include <nlohmann/json.hpp>

bool klctlFormatDocument(const std::string& text, bool compact, std::string& formatted) {
  using Json = nlohmann::ordered_json;
  bool tooDeep = false;
  // Values below the limit are dropped while parsing, so neither the parse nor the dump goes deep.
  const Json::parser_callback_t limitDepth = [&tooDeep](int depth, Json::parse_event_t, Json&) {
    if (depth > KLCTL_MAX_DOCUMENT_DEPTH) tooDeep = true;
    return !tooDeep;
  };
  const Json document = Json::parse(text, limitDepth, false);
  if (tooDeep || document.is_discarded()) return false;
  formatted = document.dump(compact ? -1 : 2, ' ', false, Json::error_handler_t::replace);
  return true;
}
