#include "klcontrol_push_frames.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

std::vector<std::string> documents(KlcontrolFrameReader& frames) {
  std::vector<std::string> out;
  for (std::string document; frames.next(document);) out.push_back(document);
  return out;
}

TEST(PushFrames, TheLengthCountsAFinalNulThatIsNotSent) {
  EXPECT_EQ("LENGTH:3\n\n{}", klcontrol_frame_document(std::string("{}\0", 3)));
  EXPECT_EQ("LENGTH:1\n\n", klcontrol_frame_document(std::string(1, '\0')));
  KlcontrolFrameReader frames;
  const std::string stream = "LENGTH:3\n\n{}LENGTH:1\n\nLENGTH:8\n\n{\"a\":1}";
  frames.feed(stream.data(), stream.size());
  EXPECT_EQ((std::vector<std::string>{"{}", "", "{\"a\":1}"}), documents(frames));
  EXPECT_FALSE(frames.broken());
}

TEST(PushFrames, DocumentsSplitAnywhereAreJoined) {
  KlcontrolFrameReader frames;
  const std::string stream = "LENGTH:12\n\n{\"mode\":12}LENGTH:3\n\n{}";
  std::vector<std::string> got;
  for (char c : stream) {
    frames.feed(&c, 1);
    for (const std::string& document : documents(frames)) got.push_back(document);
  }
  EXPECT_EQ((std::vector<std::string>{"{\"mode\":12}", "{}"}), got);
  EXPECT_FALSE(frames.broken());
}

TEST(PushFrames, BrokenHeadersStopTheStream) {
  for (const char* stream : {"LENGTX:3\n\n{}", "LENGTH:x\n\n", "LENGTH:\n\n", "LENGTH:0\n\n", "LENGTH:3\n{}",
                             "LENGTH:123456789\n\n", "LENGTH:2000000\n\n", "{}"}) {
    KlcontrolFrameReader frames;
    frames.feed(stream, std::strlen(stream));
    EXPECT_TRUE(documents(frames).empty()) << stream;
    EXPECT_TRUE(frames.broken()) << stream;
  }
}

TEST(PushFrames, AnUnfinishedFrameWaits) {
  for (const char* stream : {"", "LENG", "LENGTH:", "LENGTH:12", "LENGTH:12\n", "LENGTH:12\n\n{\"mode\""}) {
    KlcontrolFrameReader frames;
    frames.feed(stream, std::strlen(stream));
    EXPECT_TRUE(documents(frames).empty()) << stream;
    EXPECT_FALSE(frames.broken()) << stream;
  }
}

}  // namespace
