// The client library: its command table, the bytes of requests and answers, and the push frames.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "klTlv.h"
#include "klcontrol_client_message.h"
#include "klcontrol_command_table.h"
#include "klcontrol_push_frames.h"

// Words on the wire are in host byte order; the bytes below are those of a little-endian host.
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__,
              "expected bytes are written for a little-endian host");

namespace {

// Rows are in number order, a name is used once, and each name finds its own row.
TEST(CommandTable, EachNamedRowIsFoundByItsNumberAndItsName) {
  std::set<std::string> names;
  for (uint32_t n = 0; n < KLCONTROL_COMMAND_COUNT; ++n) {
    const klcontrol_command_info_t* row = klcontrol_command_info(n);
    ASSERT_NE(row, nullptr) << n;
    EXPECT_EQ(row->number, n);
    if (row->name == nullptr) continue;
    EXPECT_TRUE(names.insert(row->name).second) << row->name;
    EXPECT_EQ(klcontrol_command_by_name(row->name), row) << row->name;
  }
  EXPECT_EQ(klcontrol_command_info(KLCONTROL_COMMAND_COUNT), nullptr);
  EXPECT_EQ(klcontrol_command_by_name("KLCONTROL_NO_SUCH"), nullptr);
  EXPECT_STREQ(klcontrol_arg_class_name(KLCONTROL_ARG_PROTOBUF), "protobuf");
}

using Bytes = std::vector<uint8_t>;

Bytes build(uint32_t command, const Bytes* argument, const std::string& reply,
            unsigned capacity = KLMSG_MAX) {
  Bytes msg(capacity);
  const int length = klcontrol_build_command(msg.data(), capacity, command, argument, reply);
  msg.resize(static_cast<size_t>(length));
  return msg;
}

TEST(ClientRequest, BuildsExactBytes) {
  const Bytes one = {1, 0, 0, 0}, empty;
  const struct {
    uint32_t command;
    const Bytes* argument;  // none: no TLV_CMDARG; empty: an empty one
    const char* reply;
    Bytes expected;
  } cases[] = {
      {4, &one, "/q.1", {0x00, 0x20, 0x00, 0x14,                       // 32 bytes, CAT_CLIENT_CMD
                         0x00, 0x00, 0x04, 0x41, 0x04, 0,   0,   0,    // TLV_CMD 4
                         0x00, 0x00, 0x04, 0x42, 0x01, 0,   0,   0,    // TLV_CMDARG u32:1
                         0x00, 0x00, 0x04, 0x44, '/',  'q', '.', '1',  // TLV_SRC, no terminator
                         0x00, 0x00, 0x00, 0xEE}},                     // TLV_END
      {97, nullptr, "/q", {0, 0x16, 0, 0x14, 0,    0,   4,   0x41, 0x61, 0, 0,
                           0, 0,    0, 2,    0x44, '/', 'q', 0,    0,    0, 0xEE}},
      {0xFFFFFFFF, &empty, "/q", {0, 0x1A, 0,    0x14, 0, 0, 4,    0x41, 0xFF, 0xFF, 0xFF, 0xFF, 0,
                                  0, 0,    0x42, 0,    0, 2, 0x44, '/',  'q',  0,    0,    0,    0xEE}},
  };
  for (const auto& c : cases) EXPECT_EQ(c.expected, build(c.command, c.argument, c.reply)) << c.command;
  EXPECT_TRUE(build(4, nullptr, "/q", 21).empty());  // one byte short
  EXPECT_EQ(22u, build(4, nullptr, "/q", 22).size());
}

const Bytes kAnswerWithPayload = {0, 0x17, 0, 0x15, 0, 0, 4, 0xEC, 0x98, 0xFF, 0xFF, 0xFF,
                                  0, 0,    3, 0x45, 1, 2, 3, 0,    0,    0,    0xEE};

// Client answers carry a 4-byte status and an optional payload; a system answer ("JS" answered in place:
// category + 1, source and destination swapped, TLV_RSPARG appended) has its status as the payload's
// first byte.
TEST(ClientAnswer, DecodesWhatCameAndRefusesBrokenAnswers) {
  const Bytes system = {0,   0x24, 0,   0x11, 0, 0, 2,    0x41, 'J', 'S', 0, 0, 0,    0x42, 0, 0, 3, 0x43,
                        '/', 'r',  '1', 0,    0, 2, 0x44, '/',  'd', 0,   0, 1, 0x45, 0,    0, 0, 0, 0xEE};
  const struct {
    bool system, ok;
    int32_t status;
    Bytes payload, received;
  } cases[] = {
      {false, true, -104, {1, 2, 3}, kAnswerWithPayload},
      {false, true, 0, {}, {0, 0x10, 0, 0x15, 0, 0, 4, 0xEC, 0, 0, 0, 0, 0, 0, 0, 0xEE}},
      {true, true, 0, {0}, system},
      {false, false, 0, {}, {}},
      {false, false, 0, {}, {0, 4, 0}},  // the length field claims more than came
      {false, false, 0, {}, {0, 0x0C, 0, 0x15, 0, 1, 3, 0x45, 0, 0, 0, 0xEE}},           // a TLV past the end
      {false, false, 0, {}, {0, 8, 0, 0x11, 0, 0, 0, 0xEE}},                             // a system answer
      {false, false, 0, {}, {0, 0x0E, 0, 0x15, 0, 0, 2, 0xEC, 0, 0, 0, 0, 0, 0xEE}},     // short status
      {false, false, 0, {}, {0, 0x0F, 0, 0x15, 0, 0, 3, 0x45, 1, 2, 3, 0, 0, 0, 0xEE}},  // no status
      {true, false, 0, {}, {0, 0x0E, 0, 0x11, 0, 0, 2, 0x41, 'J', 'S', 0, 0, 0, 0xEE}},  // no TLV_RSPARG
      {true, false, 0, {}, kAnswerWithPayload},                                          // a client answer
  };
  for (const auto& c : cases) {
    // The received bytes are in a buffer of exactly their size, so reading past them is caught.
    const int length = static_cast<int>(c.received.size());
    klcontrol_answer_t answer;
    std::string problem;
    const bool ok = c.system ? klcontrol_decode_system_answer(c.received.data(), length, answer, problem)
                             : klcontrol_decode_answer(c.received.data(), length, answer, problem);
    EXPECT_EQ(c.ok, ok) << length << " bytes: " << problem;
    EXPECT_EQ(c.ok, problem.empty()) << length << " bytes";
    if (!ok) continue;
    EXPECT_EQ(c.status, answer.status);
    EXPECT_EQ(c.payload, answer.payload);
  }
}

std::vector<std::string> documents(KlcontrolFrameReader& frames) {
  std::vector<std::string> out;
  for (std::string document; frames.next(document);) out.push_back(document);
  return out;
}

// The length counts a final NUL that is not sent; frames are read whole or split anywhere, and broken
// or unfinished ones give no document.
TEST(PushFrames, DocumentsAreFramedAndReadBack) {
  EXPECT_EQ("LENGTH:3\n\n{}", klcontrol_frame_document(std::string("{}\0", 3)));
  EXPECT_EQ("LENGTH:1\n\n", klcontrol_frame_document(std::string(1, '\0')));
  const std::string stream = "LENGTH:3\n\n{}LENGTH:1\n\nLENGTH:12\n\n{\"mode\":12}";
  for (size_t step : {stream.size(), size_t(1)}) {
    KlcontrolFrameReader frames;
    std::vector<std::string> got;
    for (size_t at = 0; at < stream.size(); at += step) {
      frames.feed(stream.data() + at, std::min(step, stream.size() - at));
      for (const std::string& document : documents(frames)) got.push_back(document);
    }
    EXPECT_EQ((std::vector<std::string>{"{}", "", "{\"mode\":12}"}), got) << step;
    EXPECT_FALSE(frames.broken());
  }
  // A broken header stops the stream; an unfinished frame waits for more.
  const std::pair<bool, std::vector<const char*>> cases[] = {
      {true,
       {"LENGTX:3\n\n{}", "LENGTH:x\n\n", "LENGTH:0\n\n", "LENGTH:3\n{}", "LENGTH:123456789\n\n",
        "LENGTH:2000000\n\n"}},
      {false, {"LENG", "LENGTH:12", "LENGTH:12\n", "LENGTH:12\n\n{\"mode\""}},
  };
  for (const auto& [broken, streams] : cases) {
    for (const char* text : streams) {
      KlcontrolFrameReader frames;
      frames.feed(text, std::strlen(text));
      EXPECT_TRUE(documents(frames).empty()) << text;
      EXPECT_EQ(frames.broken(), broken) << text;
    }
  }
}

}  // namespace
