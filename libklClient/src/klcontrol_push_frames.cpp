#include "klcontrol_push_frames.h"

#include <algorithm>

namespace {

constexpr char kPrefix[] = "LENGTH:";
constexpr size_t kPrefixLength = sizeof kPrefix - 1;
constexpr size_t kMaxDigits = 8;  // enough for KLCONTROL_MAX_DOCUMENT

}  // namespace

std::string klcontrol_frame_document(const std::string& document) {
  const size_t nul = document.find('\0');
  return kPrefix + std::to_string(document.size()) + "\n\n" + document.substr(0, nul);
}

bool KlcontrolFrameReader::header(size_t& bodyStart, size_t& bodyLength) {
  const size_t known = std::min(mPending.size(), kPrefixLength);
  if (mPending.compare(0, known, kPrefix, known) != 0) {
    mProblem = "a frame does not start with \"LENGTH:\"";
    return false;
  }
  if (mPending.size() == known) return false;  // the number has not begun yet
  size_t end = kPrefixLength;
  while (end < mPending.size() && end - kPrefixLength <= kMaxDigits && mPending[end] >= '0' &&
         mPending[end] <= '9')
    ++end;
  const size_t digits = end - kPrefixLength;
  if (end == mPending.size() && digits <= kMaxDigits) return false;  // more digits may come
  if (digits == 0 || digits > kMaxDigits || mPending[end] != '\n') {
    mProblem = "a frame header is not \"LENGTH:\", a number and two line feeds";
    return false;
  }
  if (end + 2 > mPending.size()) return false;
  const size_t announced = std::stoul(mPending.substr(kPrefixLength, digits));
  if (mPending[end + 1] != '\n' || announced == 0 || announced > KLCONTROL_MAX_DOCUMENT) {
    mProblem = "a frame header is broken or announces " + std::to_string(announced) + " bytes";
    return false;
  }
  bodyStart = end + 2;
  bodyLength = announced - 1;
  return true;
}

bool KlcontrolFrameReader::next(std::string& document) {
  size_t bodyStart = 0;
  size_t bodyLength = 0;
  if (broken() || !header(bodyStart, bodyLength)) return false;
  if (mPending.size() - bodyStart < bodyLength) return false;
  document = mPending.substr(bodyStart, bodyLength);
  mPending.erase(0, bodyStart + bodyLength);
  return true;
}
