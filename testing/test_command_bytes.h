// Bytes of command arguments and camera payloads as tests write and compare them.
#pragma once

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "test_gcc_warnings.h"
#include "klHexdump.h"

// Lower-case hexadecimal, as the simulator's "payload" control command prints it.
inline std::string hexOf(const std::vector<uint8_t>& bytes) {
  return hexstring(bytes.data(), bytes.size(), false);
}

inline std::string hexOf(const std::string& text) {
  return hexstring(reinterpret_cast<const uint8_t*>(text.data()), text.size(), false);
}

// The text and its closing NUL, as commands take names and switches.
inline std::vector<uint8_t> textArg(const std::string& text) {
  std::vector<uint8_t> arg(text.begin(), text.end());
  arg.push_back(0);
  return arg;
}

// Writes text into a field of size bytes at offset (zero-filled, cut to the field), growing bytes.
inline void putField(std::vector<uint8_t>& bytes, size_t offset, size_t size, const std::string& text) {
  if (bytes.size() < offset + size) bytes.resize(offset + size, 0);
  std::memcpy(bytes.data() + offset, text.data(), text.size() < size ? text.size() : size);
}

// Writes a 32-bit word in host order at offset, growing bytes.
inline void putWord(std::vector<uint8_t>& bytes, size_t offset, uint32_t word) {
  // gcc 12 at -O3 has the growth move bytes past the old end: a false report.
  KL_GCC_FALSE_BOUNDS_BEGIN
  if (bytes.size() < offset + sizeof word) bytes.resize(offset + sizeof word, 0);
  KL_GCC_FALSE_BOUNDS_END
  std::memcpy(bytes.data() + offset, &word, sizeof word);
}

// 32-bit words in host order, one after the other.
inline std::vector<uint8_t> words(std::initializer_list<uint32_t> values) {
  std::vector<uint8_t> bytes;
  for (uint32_t value : values) putWord(bytes, bytes.size(), value);
  return bytes;
}

inline uint32_t wordAt(const std::vector<uint8_t>& bytes, size_t offset) {
  uint32_t word = 0;
  if (offset + sizeof word <= bytes.size()) std::memcpy(&word, bytes.data() + offset, sizeof word);
  return word;
}
