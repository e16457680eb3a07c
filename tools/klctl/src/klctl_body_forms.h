// Commands whose argument is a protobuf body, built from "--field value" words: "preset-create --group 1
// --mode 12 --icon 20 --title 20 --number 0" instead of hand-encoded bytes.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// True when word names a body form (for example "preset-create").
bool klctlIsBodyForm(const std::string& word);
// The command number and the encoded body of a form with its "--field value" words; false with the
// reason for an unknown field, a missing value or a value that is no unsigned 32-bit number.
bool klctlBuildBodyForm(const std::string& form, const std::vector<std::string>& words, uint32_t& command,
                        std::vector<uint8_t>& body, std::string& error);
// "  preset-create  --group --mode ..." lines for the help text.
std::string klctlBodyFormList();
