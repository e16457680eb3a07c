#include "klctl_args.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

// Appends the value's low bytes as they lie in memory, as the daemon reads them.
template <typename T>
void appendWord(T value, std::vector<uint8_t>& out) {
  uint8_t bytes[sizeof value];
  std::memcpy(bytes, &value, sizeof value);
  out.insert(out.end(), bytes, bytes + sizeof value);
}

bool parseSigned32(const std::string& text, int32_t& value) {
  if (text.empty()) return false;
  const bool negative = text[0] == '-';
  uint64_t magnitude = 0;
  const uint64_t limit = negative ? uint64_t{1} << 31 : (uint64_t{1} << 31) - 1;
  if (!klctlParseUnsigned(negative ? text.substr(1) : text, limit, magnitude)) return false;
  value = static_cast<int32_t>(negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude));
  return true;
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool appendHex(const std::string& text, std::vector<uint8_t>& out) {
  if (text.size() % 2 != 0) return false;
  std::vector<uint8_t> bytes;
  for (size_t i = 0; i < text.size(); i += 2) {
    const int high = hexDigit(text[i]);
    const int low = hexDigit(text[i + 1]);
    if (high < 0 || low < 0) return false;
    bytes.push_back(static_cast<uint8_t>(high << 4 | low));
  }
  out.insert(out.end(), bytes.begin(), bytes.end());
  return true;
}

bool appendUnsigned(const std::string& kind, const std::string& text, std::vector<uint8_t>& out) {
  uint64_t value = 0;
  if (kind == "u8" && klctlParseUnsigned(text, UINT8_MAX, value)) {
    appendWord(static_cast<uint8_t>(value), out);
  } else if (kind == "u16" && klctlParseUnsigned(text, UINT16_MAX, value)) {
    appendWord(static_cast<uint16_t>(value), out);
  } else if (kind == "u32" && klctlParseUnsigned(text, UINT32_MAX, value)) {
    appendWord(static_cast<uint32_t>(value), out);
  } else {
    return false;
  }
  return true;
}

}  // namespace

bool klctlParseUnsigned(const std::string& text, uint64_t max, uint64_t& value) {
  const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  const std::string digits = hex ? text.substr(2) : text;
  if (digits.empty()) return false;
  for (char c : digits) {
    if (hex ? hexDigit(c) < 0 : (c < '0' || c > '9')) return false;
  }
  errno = 0;
  const unsigned long long parsed = std::strtoull(digits.c_str(), nullptr, hex ? 16 : 10);
  if (errno == ERANGE || parsed > max) return false;
  value = parsed;
  return true;
}

bool klctlAppendArgument(const std::string& word, std::vector<uint8_t>& out, std::string& error) {
  const size_t colon = word.find(':');
  const std::string kind = colon == std::string::npos ? word : word.substr(0, colon);
  const std::string text = colon == std::string::npos ? std::string() : word.substr(colon + 1);
  bool ok = colon != std::string::npos;
  if (!ok) {
    error = "argument \"" + word + "\" has no form; use u8:, u16:, u32:, i32:, str: or hex:";
    return false;
  }
  if (kind == "str") {
    out.insert(out.end(), text.begin(), text.end());
    out.push_back(0);
  } else if (kind == "hex") {
    ok = appendHex(text, out);
  } else if (kind == "i32") {
    int32_t value = 0;
    ok = parseSigned32(text, value);
    if (ok) appendWord(value, out);
  } else if (kind == "u8" || kind == "u16" || kind == "u32") {
    ok = appendUnsigned(kind, text, out);
  } else {
    error = "unknown argument form \"" + kind + ":\"; use u8:, u16:, u32:, i32:, str: or hex:";
    return false;
  }
  if (!ok) error = "bad value in argument \"" + word + "\"";
  return ok;
}

bool klctlParseArguments(const std::vector<std::string>& words, std::vector<uint8_t>& out,
                         std::string& error) {
  std::vector<uint8_t> bytes;
  for (const std::string& word : words) {
    if (!klctlAppendArgument(word, bytes, error)) return false;
  }
  if (bytes.size() > KLCTL_MAX_ARGUMENT) {
    error = "argument of " + std::to_string(bytes.size()) + " bytes is too long (at most " +
            std::to_string(KLCTL_MAX_ARGUMENT) + ")";
    return false;
  }
  out = std::move(bytes);
  return true;
}
