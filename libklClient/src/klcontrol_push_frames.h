// The framing of pushed documents on the notification socket: "LENGTH:", the decimal length, two
// line feeds, then the document. The length counts a final NUL that is not sent, so the body is one
// byte shorter than the header says.
#pragma once
#include <cstddef>
#include <string>

// Largest document a reader accepts; a longer announced length is taken as a broken stream.
constexpr size_t KLCONTROL_MAX_DOCUMENT = 1 << 20;

// The frame of a document: the header with its length (final NUL included), then the text up to its
// first NUL.
std::string klcontrol_frame_document(const std::string& document);

// Collects received bytes and hands out whole documents.
class KlcontrolFrameReader {
 public:
  // Appends received bytes.
  void feed(const char* data, size_t length) { mPending.append(data, length); }
  // Takes the next whole document out; false when none is complete yet or the stream is broken.
  bool next(std::string& document);
  // True once the bytes can no longer be framed; the reason is in problem().
  bool broken() const { return !mProblem.empty(); }
  const std::string& problem() const { return mProblem; }
  // Bytes received that are not yet a whole document.
  size_t pendingBytes() const { return mPending.size(); }

 private:
  // Reads the header; false while it is incomplete or when it is broken.
  bool header(size_t& bodyStart, size_t& bodyLength);

  std::string mPending;
  std::string mProblem;
};
