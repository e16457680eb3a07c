// Typed argument words of klctl ("u32:1", "str:abc", "hex:0A0B") and the bytes they stand for.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Largest argument klctl sends: the rest of a 1500-byte message holds the command number, the
// reply queue name and the framing.
constexpr size_t KLCTL_MAX_ARGUMENT = 1436;

// Appends the bytes of one word to out: u8:N, u16:N, u32:N (host byte order), i32:N, str:TEXT
// (with its terminating zero) or hex:0A0B.. (any number of byte pairs, also none). Numbers are
// decimal or 0x-hexadecimal. False with the reason in error; out is then unchanged.
bool klctlAppendArgument(const std::string& word, std::vector<uint8_t>& out, std::string& error);

// The concatenated bytes of all words, in order; false with the reason of the first bad word or
// when the whole exceeds KLCTL_MAX_ARGUMENT.
bool klctlParseArguments(const std::vector<std::string>& words, std::vector<uint8_t>& out,
                         std::string& error);

// A whole unsigned number (decimal or 0x-hexadecimal) no larger than max; false otherwise.
bool klctlParseUnsigned(const std::string& text, uint64_t max, uint64_t& value);
