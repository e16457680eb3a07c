// Hex dumps of messages: on the library debug channel, or into a caller's string.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// Dumps 16 bytes a line on the debug channel (verbosity above 7); without the full-dump bit the
// middle of a long buffer is left out. start is the address shown for the first byte.
void hexprint(const char* label, unsigned start, const unsigned char* data, int length);

// Formats one hexprint line into out and advances address and index by 16.
void hexline(char* out, int outSize, const char* label, unsigned* address, int* index,
             const unsigned char* data, int length);

// Dump without addresses on the debug channel, 16 bytes a line: the label, then the bytes in groups
// of four counted from the end of the buffer, a blank before each group and at each line start.
// A length below 1 emits the label alone. The second argument is not read.
void hexprint_noaddr(const char* label, unsigned unused, const unsigned char* data, int length);

// Hex dump into out: absolute addresses aligned to 16 (snhexdump) or offsets from the first byte
// (snhexdump0), 8 hexadecimal digits (the low 32 bits). Repeated full lines collapse into "...".
// Output that does not fit in outSize is cut. Return the characters written.
int snhexdump(char* out, unsigned outSize, const unsigned char* data, size_t length, const char* prefix);
int snhexdump0(char* out, unsigned outSize, const unsigned char* data, size_t length, const char* prefix);

// The bytes as one run of hexadecimal digits, two a byte, in upper or lower case.
std::string hexstring(const uint8_t* data, size_t length, bool upperCase);
