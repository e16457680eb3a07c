#include "klcMsg.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "klDebug.h"
#include "klErrno.h"
#include "klLog.h"
#include "klTlv.h"
#include "klTlvReader.h"

namespace {

// A dumped element shows at most this many value bytes, then how many there are in all.
constexpr uint16_t kDumpBytes = 16;
// The daemon logger cuts a message at 349 characters; the dump stops there as well.
constexpr size_t kDumpLineSize = 350;

template <typename T>
int readWord(const uint8_t* data, uint16_t length, T* value) {
  KL_ASSERT(value != nullptr);
  if (data == nullptr || length < sizeof(T)) return KL_ERR_INVALID_PARAM;
  std::memcpy(value, data, sizeof(T));
  return 0;
}

// Message header: big-endian length, reserved zero, category.
size_t putMessageHeader(uint8_t* out, uint16_t length, uint8_t category) {
  const uint8_t header[TLV_HDR_LEN] = {uint8_t(length >> 8), uint8_t(length), 0, category};
  std::memcpy(out, header, sizeof header);
  return sizeof header;
}

// Record header: zero, big-endian value length, type.
size_t putRecordHeader(uint8_t* out, uint16_t length, uint8_t type) {
  const uint8_t header[TLV_HDR_LEN] = {0, uint8_t(length >> 8), uint8_t(length), type};
  std::memcpy(out, header, sizeof header);
  return sizeof header;
}

// Appends " TT=hex" for an element (the first kDumpBytes value bytes, "+N" for the rest) into
// out of room bytes; what was written, at most room. The hex is written by hand: a formatted
// print per byte cost more than the rest of a command.
size_t appendElement(char* out, size_t room, const MsgElement& element) {
  static const char kHex[] = "0123456789abcdef";
  const uint8_t* data = element.getData();
  const uint16_t length = data != nullptr ? element.getDataLength() : 0;
  const uint16_t shown = std::min(length, kDumpBytes);
  char text[4 + 2 * kDumpBytes + 8];
  const uint8_t type = element.getType();
  const char head[] = {' ', kHex[type >> 4], kHex[type & 0xF], '='};
  std::memcpy(text, head, sizeof head);
  size_t used = sizeof head;
  for (uint16_t i = 0; i < shown; ++i) {
    text[used++] = kHex[data[i] >> 4];
    text[used++] = kHex[data[i] & 0xF];
  }
  text[used] = '\0';
  if (length > shown)
    used += size_t(std::snprintf(text + used, sizeof text - used, "+%u", unsigned(length - shown)));
  const size_t copied = std::min(used, room - 1);
  std::memcpy(out, text, copied);
  out[copied] = '\0';
  return copied;
}

}  // namespace

MsgElement::MsgElement(uint8_t type) : mType(type) {}

MsgElement::MsgElement(uint8_t type, uint16_t length, const void* data, bool copy) : mType(type) {
  if (copy) {
    assignCopy(type, length, data);
  } else {
    setData(data, length);
  }
}

void MsgElement::assignCopy(uint8_t type, uint16_t length, const void* data) {
  mType = type;
  mLength = data != nullptr ? length : 0;
  // One spare NUL keeps a copied value readable as a string.
  mOwned.assign(size_t(mLength) + 1, 0);
  if (mLength > 0) std::memcpy(mOwned.data(), data, mLength);
  mData = mOwned.data();
}

MsgElement::~MsgElement() = default;

uint8_t MsgElement::getType() const {
  return mType;
}

void MsgElement::setData(const void* data, uint16_t length) {
  mOwned.clear();
  mData = static_cast<const uint8_t*>(data);
  mLength = data != nullptr ? length : 0;
}

void MsgElement::clear() {
  setData(nullptr, 0);
}

const uint8_t* MsgElement::getData() const {
  return mLength > 0 ? mData : nullptr;
}

uint16_t MsgElement::getDataLength() const {
  return mLength;
}

int MsgElement::getUint8(uint8_t* value) const {
  return readWord(mData, mLength, value);
}

int MsgElement::getUint16(uint16_t* value) const {
  return readWord(mData, mLength, value);
}

int MsgElement::getUint32(uint32_t* value) const {
  return readWord(mData, mLength, value);
}

Msg::Msg(uint8_t category) : mCategory(category) {}

Msg::~Msg() = default;

void Msg::clear() {
  mElements.clear();
  mParsedInUse = 0;
}

unsigned Msg::getSize() const {
  unsigned size = TLV_HDR_LEN;
  for (const MsgElement* element : mElements) size += TLV_HDR_LEN + element->getDataLength();
  return size;
}

uint8_t Msg::getCategory() const {
  return mCategory;
}

MsgElement* Msg::findElement(uint8_t type) const {
  for (MsgElement* element : mElements) {
    if (element->getType() == type) return element;
  }
  return nullptr;
}

void Msg::dump(const char* title) const {
  // A dump is a debugging aid, so it goes to the daemon logger at debug level: at the default
  // threshold a command pays one comparison for it, and command 42 turns it on at run time.
  if (g_logLevel < UTIL_LOG_DEBUG) return;
  char line[kDumpLineSize];
  const int head =
      std::snprintf(line, sizeof line, "%s: category 0x%02x, %zu elements:", title != nullptr ? title : "",
                    mCategory, mElements.size());
  size_t used = std::min(size_t(head < 0 ? 0 : head), sizeof line - 1);
  for (const MsgElement* element : mElements)
    used += appendElement(line + used, sizeof line - used, *element);
  KLOG(UTIL_LOG_DEBUG, "klcMsg", "%s", line);
}

void Msg::addElement(MsgElement* element) {
  KL_ASSERT(element != nullptr);
  mElements.push_back(element);
}

ResponseMsg::ResponseMsg() : Msg(CAT_CLIENT_RSP) {}

EventMsg::EventMsg() : Msg(CAT_CLIENT_EVENT) {}

MemStream::MemStream(uint8_t* buffer, uint16_t length) : mBuffer(buffer), mCapacity(length), mLength(length) {
  KL_ASSERT(buffer != nullptr || length == 0);
}

MemStream& operator<<(MemStream& stream, const Msg& msg) {
  stream.mLength = 0;
  const unsigned size = msg.getSize();
  stream.mFailed = size > stream.mCapacity || size > KLMSG_MAX;
  if (stream.mFailed) return stream;
  // Written here rather than through sntlv_add_bin, which refuses empty address elements that a
  // parsed message may legitimately carry.
  uint8_t* out = stream.mBuffer;
  out += putMessageHeader(out, uint16_t(size), msg.mCategory);
  for (const MsgElement* element : msg.mElements) {
    out += putRecordHeader(out, element->getDataLength(), element->getType());
    if (element->getDataLength() > 0) std::memcpy(out, element->getData(), element->getDataLength());
    out += element->getDataLength();
  }
  stream.mLength = uint16_t(size);
  return stream;
}

MemStream& operator>>(MemStream& stream, Msg& msg) {
  msg.clear();
  msg.mCategory = 0;
  KlTlvReader reader(stream.mBuffer, stream.mLength);
  KlTlvRecord record;
  while (reader.next(&record)) {
    if (msg.mParsedInUse == msg.mParsed.size())
      msg.mParsed.push_back(std::make_unique<MsgElement>(record.type));
    MsgElement* element = msg.mParsed[msg.mParsedInUse++].get();
    element->assignCopy(record.type, record.length, record.value);
    msg.mElements.push_back(element);
  }
  stream.mFailed = !reader.complete();
  if (stream.mFailed) {
    msg.clear();
    return stream;
  }
  msg.mCategory = reader.category();
  return stream;
}
