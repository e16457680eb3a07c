#include "klTlvReader.h"

#include "klTlv.h"

KlTlvReader::KlTlvReader(const uint8_t* msg, size_t received) : mMsg(msg) {
  if (msg == nullptr || received < TLV_HDR_LEN) return;
  const size_t length = (size_t(msg[0]) << 8) | msg[1];
  if (length < TLV_HDR_LEN || length > received || length > KLMSG_MAX) return;
  mEnd = length;
  mPos = TLV_HDR_LEN;
  mCategory = msg[TLV_CATEGORY_BYTE];
}

bool KlTlvReader::next(KlTlvRecord* record) {
  if (mEnded || mPos + TLV_HDR_LEN > mEnd) return false;
  const uint8_t* tlv = mMsg + mPos;
  const size_t length = tlv_value_len(tlv);
  if (mPos + TLV_HDR_LEN + length > mEnd) return false;
  // An end record carries no value; one that does is not an end.
  if (tlv[TLV_TYPE_BYTE] == TLV_END && length != 0) return false;
  record->type = tlv[TLV_TYPE_BYTE];
  record->length = uint16_t(length);
  record->value = length > 0 ? tlv + TLV_HDR_LEN : nullptr;
  mPos += TLV_HDR_LEN + length;
  mEnded = record->type == TLV_END;
  return true;
}
