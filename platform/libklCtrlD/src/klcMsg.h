// Message classes: a TLV message as a category and a list of typed elements, and the stream that
// reads and writes them in the wire format of klTlv.h.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

// One typed element of a message.
class MemStream;

class MsgElement {
 public:
  explicit MsgElement(uint8_t type);
  // copy: keep a private copy of data; otherwise data must live until the message is written.
  MsgElement(uint8_t type, uint16_t length, const void* data, bool copy);
  virtual ~MsgElement();
  MsgElement(const MsgElement&) = delete;
  MsgElement& operator=(const MsgElement&) = delete;

  // The TLV type.
  virtual uint8_t getType() const;
  // Refers to the bytes without copying; they need only live until the message is written.
  virtual void setData(const void* data, uint16_t length);
  // Forgets the data. Also holds its place among the virtual functions, so that getData stays the
  // sixth slot that callers built against the platform library expect.
  virtual void clear();
  // The value bytes, or null when empty; a parsed value is followed by a NUL byte.
  virtual const uint8_t* getData() const;
  // The value length.
  virtual uint16_t getDataLength() const;
  // The first 1, 2 or 4 value bytes in host byte order; KL_ERR_INVALID_PARAM when shorter.
  virtual int getUint8(uint8_t* value) const;
  virtual int getUint16(uint16_t* value) const;
  virtual int getUint32(uint32_t* value) const;

  // Becomes an element of the type holding a private copy of the bytes, reusing its storage.
  void assignCopy(uint8_t type, uint16_t length, const void* data);

 private:
  uint8_t mType;
  const uint8_t* mData = nullptr;
  uint16_t mLength = 0;
  std::vector<uint8_t> mOwned;
};

// A message: a category and its elements in order.
class Msg {
 public:
  explicit Msg(uint8_t category);
  virtual ~Msg();
  Msg(const Msg&) = delete;
  Msg& operator=(const Msg&) = delete;

  // Drops every element; added ones stay with their owner, parsed ones are kept for the next parse.
  virtual void clear();
  // The serialised size in bytes, header included.
  virtual unsigned getSize() const;
  // The category byte.
  virtual uint8_t getCategory() const;
  // The first element of the type, or null.
  virtual MsgElement* findElement(uint8_t type) const;
  // Writes the message as one daemon-logger line at debug level under the title.
  virtual void dump(const char* title) const;
  // Appends an element that stays owned by the caller.
  void addElement(MsgElement* element);

 private:
  friend MemStream& operator<<(MemStream& stream, const Msg& msg);
  friend MemStream& operator>>(MemStream& stream, Msg& msg);
  uint8_t mCategory;
  std::vector<MsgElement*> mElements;
  // Elements made by parsing, the first mParsedInUse of them in the message. A daemon parses
  // every command into the same Msg, so they are reused rather than allocated per command.
  std::vector<std::unique_ptr<MsgElement>> mParsed;
  size_t mParsedInUse = 0;
};

// A client-command response (CAT_CLIENT_RSP).
class ResponseMsg : public Msg {
 public:
  ResponseMsg();
};

// A notification event (CAT_CLIENT_EVENT).
class EventMsg : public Msg {
 public:
  EventMsg();
};

// A byte buffer that one message is written into or parsed from.
class MemStream {
 public:
  // For writing, capacity is the buffer size; for parsing, the number of received bytes.
  MemStream(uint8_t* buffer, uint16_t length);
  uint8_t* getBuffer() const { return mBuffer; }
  // Bytes written after operator<<, the parse bound before operator>>.
  uint16_t getLength() const { return mLength; }
  // True after a message did not fit or could not be parsed.
  bool failed() const { return mFailed; }

 private:
  friend MemStream& operator<<(MemStream& stream, const Msg& msg);
  friend MemStream& operator>>(MemStream& stream, Msg& msg);
  uint8_t* mBuffer;
  uint16_t mCapacity;
  uint16_t mLength;
  bool mFailed = false;
};

// Writes the message as one queue message; on overflow nothing is written and the stream fails.
MemStream& operator<<(MemStream& stream, const Msg& msg);
// Parses the stream's bytes; a malformed message leaves msg empty with category 0 and the stream failed.
MemStream& operator>>(MemStream& stream, Msg& msg);
