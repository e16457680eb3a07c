#include "klcontrol_push_frames.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

std::vector<std::string> documents(KlcontrolFrameReader& frames) {
  std::vector<std::string> out;
  for (std::string document; frames.next(document);) out.push_back(document);
  return out;
}

// The length counts a final NUL that is not sent; frames are read whole or split anywhere.
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
}

// A broken header stops the stream; an unfinished frame waits for more.
TEST(PushFrames, BrokenOrUnfinishedFramesGiveNoDocument) {
  const std::pair<bool, std::vector<const char*>> cases[] = {
      {true,
       {"LENGTX:3\n\n{}", "LENGTH:x\n\n", "LENGTH:0\n\n", "LENGTH:3\n{}", "LENGTH:123456789\n\n",
        "LENGTH:2000000\n\n"}},
      {false, {"LENG", "LENGTH:12", "LENGTH:12\n", "LENGTH:12\n\n{\"mode\""}},
  };
  for (const auto& [broken, streams] : cases) {
    for (const char* stream : streams) {
      KlcontrolFrameReader frames;
      frames.feed(stream, std::strlen(stream));
      EXPECT_TRUE(documents(frames).empty()) << stream;
      EXPECT_EQ(frames.broken(), broken) << stream;
    }
  }
}

}  // namespace
