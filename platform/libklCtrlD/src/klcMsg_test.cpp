// Msg parsing and writing on raw wire bytes, including truncated and lying messages, and the parameter
// lookup in notification texts.
#include "klcMsg.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "fake_syslog.h"
#include "klCtrlD.h"
#include "klErrno.h"
#include "klLog.h"
#include "klTlv.h"

namespace {

// A client command: TLV_CMD 4, TLV_CMDARG 12 (32-bit), TLV_SRC "/q", TLV_END.
const std::vector<uint8_t> kCommand = {0x00, 0x24, 0x00, 0x14,  // length 36, category 0x14
                                       0x00, 0x00, 0x04, 0x41, 0x04, 0x00, 0x00, 0x00,  // TLV_CMD
                                       0x00, 0x00, 0x04, 0x42, 0x0C, 0x00, 0x00, 0x00,  // TLV_CMDARG
                                       0x00, 0x00, 0x02, 0x44, '/',  'q',               // TLV_SRC
                                       0x00, 0x00, 0x00, 0xEE,                          // TLV_END
                                       0x00, 0x00, 0x00, 0x00, 0x00, 0x00};  // padding to the stated length

std::vector<uint8_t> command() {
  std::vector<uint8_t> bytes(kCommand.begin(), kCommand.end() - 6);
  bytes[1] = uint8_t(bytes.size());
  return bytes;
}

bool parse(std::vector<uint8_t> bytes, Msg& msg) {
  MemStream stream(bytes.data(), uint16_t(bytes.size()));
  stream >> msg;
  return !stream.failed();
}

TEST(MsgParse, ReadsCategoryAndElementsOfAWellFormedMessage) {
  Msg msg(0);
  ASSERT_TRUE(parse(command(), msg));
  EXPECT_EQ(msg.getCategory(), CAT_CLIENT_CMD);
  uint32_t number = 0;
  ASSERT_NE(msg.findElement(TLV_CMD), nullptr);
  ASSERT_EQ(msg.findElement(TLV_CMD)->getUint32(&number), 0);
  EXPECT_EQ(number, 4u);
  const MsgElement* src = msg.findElement(TLV_SRC);
  ASSERT_NE(src, nullptr);
  // Queue names are opened straight from the element, so they must end in a NUL.
  EXPECT_STREQ(reinterpret_cast<const char*>(src->getData()), "/q");
  EXPECT_EQ(msg.findElement(TLV_DST), nullptr);
  EXPECT_EQ(msg.getSize(), command().size());
  auto trailing = command();  // bytes beyond the length field are not the message's
  trailing.push_back(0xEE);
  Msg cut(0);
  EXPECT_TRUE(parse(trailing, cut));
  EXPECT_EQ(cut.getSize(), command().size());
}

TEST(MsgParse, RefusesMalformedMessagesAndLeavesNothingBehind) {
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
  };
  std::vector<Case> cases;
  auto withLength = [](std::vector<uint8_t> b, unsigned length) {
    b[0] = uint8_t(length >> 8);
    b[1] = uint8_t(length);
    return b;
  };
  const auto good = command();
  cases.push_back({"length field beyond the bytes", withLength(good, unsigned(good.size()) + 1)});
  cases.push_back({"length field below the header", withLength(good, 3)});
  auto lying = good;
  lying[14] = 0x40;  // TLV_CMDARG claims 64 bytes
  cases.push_back({"record length crosses the end", lying});
  cases.push_back({"no end record", withLength({good.begin(), good.end() - 4}, unsigned(good.size()) - 4)});
  auto valued = withLength(good, unsigned(good.size()) + 1);
  valued.push_back(0x00);
  valued[28] = 1;  // end record with a one-byte value
  cases.push_back({"end record with a value", valued});
  cases.push_back({"bytes after the end record", withLength(kCommand, unsigned(kCommand.size()))});
  cases.push_back({"header only, cut", {0x00, 0x04, 0x00}});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Msg msg(0x55);
    EXPECT_FALSE(parse(c.bytes, msg));
    EXPECT_EQ(msg.getCategory(), 0);
    EXPECT_EQ(msg.findElement(TLV_CMD), nullptr);
  }
}

TEST(MsgElementTest, TypedGettersRefuseShortValues) {
  const uint8_t two[2] = {0x34, 0x12};
  MsgElement element(TLV_CMDARG, 2, two, true);
  uint8_t b = 0;
  uint16_t h = 0;
  uint32_t w = 0xDEAD;
  EXPECT_EQ(element.getUint8(&b), 0);
  EXPECT_EQ(element.getUint16(&h), 0);
  EXPECT_EQ(element.getUint32(&w), KL_ERR_INVALID_PARAM);
  EXPECT_EQ(b, 0x34);
  EXPECT_EQ(h, 0x1234);
  EXPECT_EQ(w, 0xDEADu);
  MsgElement empty(TLV_END);
  EXPECT_EQ(empty.getData(), nullptr);
  EXPECT_EQ(empty.getUint8(&b), KL_ERR_INVALID_PARAM);
}

// A response is written in element order; a message that does not fit writes nothing.
TEST(MsgWrite, ResponseIsWrittenInElementOrder) {
  int32_t status = -3;
  const char payload[] = "ok";
  MsgElement code(TLV_RSPCODE), arg(TLV_RSPARG), end(TLV_END);
  code.setData(&status, sizeof status);
  arg.setData(payload, sizeof payload);
  ResponseMsg response;
  response.addElement(&code);
  response.addElement(&arg);
  response.addElement(&end);
  uint8_t buf[64];
  MemStream stream(buf, sizeof buf);
  stream << response;
  const std::vector<uint8_t> expected = {0x00, 0x17, 0x00, 0x15, 0x00, 0x00, 0x04, 0xEC,
                                         0xFD, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x03, 0x45,
                                         'o',  'k',  0x00, 0x00, 0x00, 0x00, 0xEE};
  ASSERT_FALSE(stream.failed());
  EXPECT_EQ(std::vector<uint8_t>(buf, buf + stream.getLength()), expected);
  std::vector<uint8_t> big(200, 0x11);
  MsgElement bigArg(TLV_RSPARG, uint16_t(big.size()), big.data(), true);
  EventMsg event;
  event.addElement(&bigArg);
  std::memset(buf, 0x77, sizeof buf);
  MemStream small(buf, sizeof buf);
  small << event;
  EXPECT_TRUE(small.failed());
  EXPECT_EQ(small.getLength(), 0);
  EXPECT_EQ(buf[0], 0x77);
}

// A dump is one daemon-logger line at debug level whatever the message, and nothing below it.
TEST(MsgDump, WholeMessageInOneBoundedDebugLine) {
  std::vector<uint8_t> name(40, 'a');
  name.back() = 0;
  Msg msg(CAT_CLIENT_CMD);
  MsgElement cmd(TLV_CMD), src(TLV_SRC);
  const uint32_t number = 41;
  cmd.setData(&number, sizeof number);
  src.setData(name.data(), uint16_t(name.size()));
  msg.addElement(&cmd);
  msg.addElement(&src);
  std::vector<std::unique_ptr<MsgElement>> many;
  Msg big(CAT_CLIENT_CMD);
  for (int i = 0; i < 60; ++i) {
    many.push_back(std::make_unique<MsgElement>(TLV_SRC, uint16_t(name.size()), name.data(), false));
    big.addElement(many.back().get());
  }
  FakeSyslog syslog;
  msg.dump("quiet");
  g_logLevel = UTIL_LOG_DEBUG;
  msg.dump("Msg From Client");
  big.dump("big");
  g_logLevel = UTIL_LOG_ERROR;
  const std::vector<std::string> lines = syslog.texts();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].rfind("UTIL_LOG_DEBUG:Msg From Client: category 0x14, 2 elements: "
                           "41=29000000 44=61616161616161616161616161616161+24 @klcMsg:",
                           0),
            0u);
  EXPECT_LT(lines[1].size(), 441u);
  EXPECT_EQ(lines[1].rfind("UTIL_LOG_DEBUG:big: category 0x14, 60 elements: 44=6161", 0), 0u);
}

// The value runs to the end of the text.
TEST(ParseParam, FindsTheValueAfterTheKey) {
  std::string value;
  EXPECT_TRUE(parseParam("a=2&status=0&b=3", "status=", value));
  EXPECT_EQ(value, "0&b=3");
  EXPECT_FALSE(parseParam("stat=1", "status=", value));
  EXPECT_FALSE(parseParam(nullptr, "status=", value));
}

}  // namespace
