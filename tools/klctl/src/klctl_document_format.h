// How klctl watch prints a pushed JSON document: indented, or as one compact line.
#pragma once
#include <string>

// Deeper documents are not formatted: printing them would recurse that deep.
constexpr int KLCTL_MAX_DOCUMENT_DEPTH = 64;

// Formats text, keeping the members in the order received: indented by two blanks, or (compact) as one
// line without blanks. False when text is not one valid JSON value (or is nested deeper than
// KLCTL_MAX_DOCUMENT_DEPTH); formatted is then unchanged.
bool klctlFormatDocument(const std::string& text, bool compact, std::string& formatted);
