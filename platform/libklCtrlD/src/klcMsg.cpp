#include "klcMsg.h"

#include <cstdio>
#include <cstring>

#include "klDebug.h"
#include "klErrno.h"
#include "klHexdump.h"
#include "klTlv.h"
#include "tlv_reader.h"

namespace {

// Debug verbosity above which messages are dumped.
constexpr unsigned kDumpAbove = 7;

template <typename T>
int readWord(const uint8_t* data, uint16_t length, T* value) {
  KL_ASSERT(value != nullptr);
  if (data == nullptr || length < sizeof(T)) return KL_ERR_INVALID_PARAM;
  std::memcpy(value, data, sizeof(T));
  return 0;
}

}  // namespace

MsgElement::MsgElement(uint8_t type) : mType(type) {}

MsgElement::MsgElement(uint8_t type, uint16_t length, const void* data, bool copy) : mType(type) {
  if (!copy) {
    setData(data, length);
    return;
  }
  // One spare NUL keeps a copied value readable as a string.
  mOwned.assign(size_t(length) + 1, 0);
  if (length > 0) std::memcpy(mOwned.data(), data, length);
  mData = mOwned.data();
  mLength = length;
}

MsgElement::~MsgElement() = default;

uint8_t MsgElement::getType() const { return mType; }

void MsgElement::setData(const void* data, uint16_t length) {
  mOwned.clear();
  mData = static_cast<const uint8_t*>(data);
  mLength = data != nullptr ? length : 0;
}

void MsgElement::clear() { setData(nullptr, 0); }

const uint8_t* MsgElement::getData() const { return mLength > 0 ? mData : nullptr; }

uint16_t MsgElement::getDataLength() const { return mLength; }

int MsgElement::getUint8(uint8_t* value) const { return readWord(mData, mLength, value); }

int MsgElement::getUint16(uint16_t* value) const { return readWord(mData, mLength, value); }

int MsgElement::getUint32(uint32_t* value) const { return readWord(mData, mLength, value); }

Msg::Msg(uint8_t category) : mCategory(category) {}

Msg::~Msg() = default;

void Msg::clear() {
  mElements.clear();
  mParsed.clear();
}

unsigned Msg::getSize() const {
  unsigned size = TLV_HDR_LEN;
  for (const MsgElement* element : mElements) size += TLV_HDR_LEN + element->getDataLength();
  return size;
}

uint8_t Msg::getCategory() const { return mCategory; }

MsgElement* Msg::findElement(uint8_t type) const {
  for (MsgElement* element : mElements) {
    if (element->getType() == type) return element;
  }
  return nullptr;
}

void Msg::dump(const char* title) const {
  if (!kldbg_above(kDumpAbove)) return;
  kldbg_printf("%s: category 0x%02x, %zu elements\n", title != nullptr ? title : "", mCategory, mElements.size());
  for (const MsgElement* element : mElements) {
    char label[32];
    std::snprintf(label, sizeof label, "  type 0x%02x:", element->getType());
    hexprint_noaddr(label, 0, element->getData(), element->getDataLength());
  }
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
  if (size > stream.mCapacity || size > KLMSG_MAX) {
    stream.mFailed = true;
    return stream;
  }
  sntlv_msg_init(stream.mBuffer, stream.mCapacity, msg.mCategory);
  for (const MsgElement* element : msg.mElements) {
    sntlv_add_bin(stream.mBuffer, stream.mCapacity, element->getType(), element->getDataLength(),
                  element->getData());
  }
  stream.mLength = uint16_t(size);
  stream.mFailed = false;
  return stream;
}

MemStream& operator>>(MemStream& stream, Msg& msg) {
  msg.clear();
  msg.mCategory = 0;
  KlcTlvReader reader(stream.mBuffer, stream.mLength);
  KlcTlvRecord record;
  while (reader.next(&record)) {
    msg.mParsed.push_back(std::make_unique<MsgElement>(record.type, record.length, record.value, true));
    msg.mElements.push_back(msg.mParsed.back().get());
  }
  stream.mFailed = !reader.complete();
  if (stream.mFailed) {
    msg.clear();
    return stream;
  }
  msg.mCategory = reader.category();
  return stream;
}
