#include "klHexdump.h"

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "klDebug.h"

namespace {

constexpr int kBytesPerLine = 16;
// Room for one hexprint line with a label of a few dozen characters.
constexpr int kHexLineSize = 98;

// Appends formatted text to a fixed buffer; text that does not fit is cut, never written past the end.
class TextOut {
 public:
  TextOut(char* out, size_t size) : mOut(out), mSize(size) {
    if (mSize > 0) mOut[0] = '\0';
  }

  void add(const char* format, ...) __attribute__((format(printf, 2, 3))) {
    if (mUsed + 1 >= mSize) return;
    va_list args;
    va_start(args, format);
    int n = vsnprintf(mOut + mUsed, mSize - mUsed, format, args);
    va_end(args);
    if (n < 0) return;
    size_t room = mSize - mUsed - 1;
    mUsed += static_cast<size_t>(n) < room ? static_cast<size_t>(n) : room;
  }

  size_t used() const { return mUsed; }

 private:
  char* mOut;
  size_t mSize;
  size_t mUsed = 0;
};

char printable(unsigned char byte) {
  return (byte >= 0x20 && byte <= 0x7E) ? static_cast<char>(byte) : '.';
}

// The hex columns of the bytes first .. first + 15 (outside 0 .. length-1 blank), a space between groups of
// four: dumps write upper case, a space after each byte; hex lines write packed lower case.
void addHexColumns(TextOut& text, const unsigned char* data, long first, long length, bool dumpStyle) {
  for (int column = 0; column < kBytesPerLine; column++) {
    long i = first + column;
    if (i >= 0 && i < length)
      text.add(dumpStyle ? "%02X " : "%02x", data[i]);
    else
      text.add(dumpStyle ? "   " : "  ");
    if (column % 4 == 3 && column < kBytesPerLine - 1) text.add(" ");
  }
}

void addText(TextOut& text, const unsigned char* data, long first, long length) {
  for (long i = first; i < first + kBytesPerLine; i++)
    text.add("%c", (i >= 0 && i < length) ? printable(data[i]) : ' ');
}

// One snhexdump line of the bytes first .. first + 15 of data (columns outside 0 .. length-1 stay blank).
void addDumpLine(TextOut& text, const char* prefix, uintptr_t address, const unsigned char* data, long first,
                 long length) {
  // The low 32 bits keep the columns fixed; offsets within a message are what matter.
  text.add("%s%08X  ", prefix, static_cast<unsigned>(address & 0xFFFFFFFFu));
  addHexColumns(text, data, first, length, true);
  text.add(" ");
  addText(text, data, first, length);
  text.add("\n");
}

bool sameFullLines(const unsigned char* data, long previous, long next, long length) {
  return previous >= 0 && next + kBytesPerLine <= length &&
         memcmp(data + previous, data + next, kBytesPerLine) == 0;
}

int dump(char* out, unsigned outSize, const unsigned char* data, size_t length, const char* prefix,
         bool absolute) {
  TextOut text(out, outSize);
  if (length == 0) {
    text.add("%p\n", static_cast<const void*>(data + length));
    return static_cast<int>(text.used());
  }
  long size = static_cast<long>(length);
  uintptr_t base = absolute ? reinterpret_cast<uintptr_t>(data) : 0;
  // Absolute dumps start on a 16-byte boundary before the first byte.
  long first = absolute ? -static_cast<long>(base % kBytesPerLine) : 0;
  bool collapsed = false;
  for (long i = first; i < size; i += kBytesPerLine) {
    if (sameFullLines(data, i - kBytesPerLine, i, size)) {
      if (!collapsed) text.add("...\n");
      collapsed = true;
      continue;
    }
    collapsed = false;
    addDumpLine(text, prefix, base + static_cast<uintptr_t>(i), data, i, size);
  }
  return static_cast<int>(text.used());
}

}  // namespace

void hexline(char* out, int outSize, const char* label, unsigned* address, int* index,
             const unsigned char* data, int length) {
  TextOut text(out, outSize > 0 ? static_cast<size_t>(outSize) : 0);
  text.add("%-11s%08x  ", label, *address & ~0xFU);
  int first = *index;
  addHexColumns(text, data, first, length, false);
  text.add("  ");
  addText(text, data, first, length);
  *address += kBytesPerLine;
  *index += kBytesPerLine;
}

void hexprint(const char* label, unsigned start, const unsigned char* data, int length) {
  if (!kldbg_above(7)) return;
  unsigned address = start;
  int index = -static_cast<int>(start % kBytesPerLine);
  kldbg_printf("\n");
  char line[kHexLineSize];
  while (index < length) {
    hexline(line, sizeof line, label, &address, &index, data, length);
    // Without full dumps a long buffer keeps its first four lines and its tail.
    bool middle = index > 79 && length - index > 31;
    if (middle && !(g_debug_level & KLDBG_FULL_HEXDUMP)) continue;
    kldbg_printf("%s\n", line);
  }
}

void hexprint_noaddr(const char* label, unsigned /*unused*/, const unsigned char* data, int length) {
  if (!kldbg_above(7)) return;
  char line[kHexLineSize];
  int i = 0;
  do {
    TextOut text(line, sizeof line);
    text.add("%s", label);
    for (int column = 0; column < kBytesPerLine && i < length; column++, i++) {
      // Groups of four are counted from the end so that the last group is always whole.
      if (column == 0 || (length - i) % 4 == 0) text.add(" ");
      text.add("%02x", data[i]);
    }
    kldbg_printf("%s\n", line);
  } while (i < length);
}

int snhexdump(char* out, unsigned outSize, const unsigned char* data, size_t length, const char* prefix) {
  return dump(out, outSize, data, length, prefix, true);
}

int snhexdump0(char* out, unsigned outSize, const unsigned char* data, size_t length, const char* prefix) {
  return dump(out, outSize, data, length, prefix, false);
}

std::string hexstring(const uint8_t* data, size_t length, bool upperCase) {
  const char* digits = upperCase ? "0123456789ABCDEF" : "0123456789abcdef";
  std::string text;
  text.reserve(2 * length);
  for (size_t i = 0; i < length; i++) {
    text += digits[data[i] >> 4];
    text += digits[data[i] & 0x0F];
  }
  return text;
}
