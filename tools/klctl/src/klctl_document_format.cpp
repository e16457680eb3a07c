#include "klctl_document_format.h"

#include <nlohmann/json.hpp>

bool klctlFormatDocument(const std::string& text, bool compact, std::string& formatted) {
  using Json = nlohmann::ordered_json;
  bool tooDeep = false;
  // Containers below the limit are dropped while parsing, so neither the parse nor the dump goes deep. The
  // depth handed to the callback at a container's start is that of its parent.
  const Json::parser_callback_t limitDepth = [&tooDeep](int depth, Json::parse_event_t event, Json&) {
    const bool opens =
        event == Json::parse_event_t::object_start || event == Json::parse_event_t::array_start;
    if (opens && depth >= KLCTL_MAX_DOCUMENT_DEPTH) tooDeep = true;
    return !tooDeep;
  };
  const Json document = Json::parse(text, limitDepth, false);
  if (tooDeep || document.is_discarded()) return false;
  formatted = document.dump(compact ? -1 : 2, ' ', false, Json::error_handler_t::replace);
  return true;
}
