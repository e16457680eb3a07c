// Bounded walk over one received TLV message: nothing is read past the received bytes or past
// the message's own length, whatever a length field claims.
#pragma once
#include <cstddef>
#include <cstdint>

struct KlTlvRecord {
  uint8_t type;
  uint16_t length;
  const uint8_t* value;  // null when length is 0
};

class KlTlvReader {
 public:
  KlTlvReader(const uint8_t* msg, size_t received);
  // False when the header is missing or its length is below 4 or beyond the received bytes.
  bool headerValid() const { return mEnd != 0; }
  uint8_t category() const { return mCategory; }
  // The next record; false after TLV_END, at the end of the message, or at a record that crosses it.
  bool next(KlTlvRecord* record);
  // True when the walk read every byte of the message and its last record was the only TLV_END.
  bool complete() const { return mEnded && mPos == mEnd; }

 private:
  const uint8_t* mMsg;
  size_t mEnd = 0;
  size_t mPos = 0;
  uint8_t mCategory = 0;
  bool mEnded = false;
};
