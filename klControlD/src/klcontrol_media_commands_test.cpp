// Media and storage commands against the simulated camera: what reaches the camera, the answer,
// and the files left on the card.
#include <gtest/gtest.h>

#include "klErrno.h"
#include "test_command_bytes.h"
#include "test_server_fixture.h"

namespace {

class MediaTest : public ServerTest {
 protected:
  // Captures 1 to 4 on the card: a video, a photo, a group of three photos, a video.
  void fillCard() {
    for (const char* capture : {"card add video", "card add photo", "card add photo 3", "card add video"})
      ASSERT_EQ(control(capture).substr(0, 2), "ok") << capture;
    forgetLog();
  }
  std::string card() { return control("card"); }
};

std::vector<uint8_t> tagArg(uint32_t leading, const std::string& name, uint32_t offset) {
  std::vector<uint8_t> arg;
  putWord(arg, 0, leading);
  putField(arg, 4, 260, name);
  putWord(arg, 264, offset);
  return arg;
}

std::vector<uint8_t> listArg(const std::vector<std::pair<uint8_t, std::string>>& items, size_t extra = 0) {
  std::vector<uint8_t> arg;
  for (const auto& [item, name] : items) {
    arg.push_back(item);
    putField(arg, arg.size(), 22, name);
  }
  arg.resize(arg.size() + extra, 0);
  return arg;
}

// A tag goes only to a video the camera knows; deletions then empty the card.
TEST_F(MediaTest, TagsAndDeletionsReachTheCameraAndChangeTheCard) {
  fillCard();
  const std::vector<uint8_t> tag = tagArg(2, "VID_0001.MP4", 1500);
  EXPECT_EQ(requester->call(KLCONTROL_GLINT_TAG_PLAYBACK, &tag), KL_OK);
  EXPECT_EQ(payload("264/1"), "dc05000002000000" + hexOf(std::string("VID_0001.MP4")));
  EXPECT_EQ(control("tags VID_0001.MP4"), "ok 1500:2");
  EXPECT_TRUE(loggedLine(UTIL_LOG_DEBUG, "KLCONTROL_GLINT_TAG_PLAYBACK: filename[VID_0001.MP4] offset:1500"));
  // A name filling its field without a zero is cut at the field; the camera knows no such file.
  const std::vector<uint8_t> unterminated = tagArg(0, std::string(260, 'A'), 7);
  EXPECT_EQ(requester->call(KLCONTROL_GLINT_TAG_PLAYBACK, &unterminated), KL_ERR_INVALID_PARAM);
  EXPECT_EQ(payload("264/1"), "0700000000000000" + hexOf(std::string(260, 'A')));
  const std::vector<uint8_t> photoTag = tagArg(2, "IMG_0002.JPG", 10);
  EXPECT_EQ(requester->call(KLCONTROL_GLINT_TAG_PLAYBACK, &photoTag), KL_ERR_INVALID_PARAM);
  // Deletions: a camera that refuses, or has no card, changes nothing.
  const std::vector<uint8_t> photo = textArg("IMG_0002.JPG");
  const std::vector<uint8_t> member = textArg("IMG_0003_02.JPG");
  control("fault 264/2 error -17");
  EXPECT_EQ(requester->call(KLCONTROL_DELETE, &photo), KL_ERR_ACCESS_DENIED);
  EXPECT_TRUE(loggedLine(UTIL_LOG_ERROR, "Command:9 returned klErrno:(-17=KL_ERR_ACCESS_DENIED)"));
  control("set status.sd_status 2");
  EXPECT_EQ(requester->call(KLCONTROL_DELETE_LAST), KL_ERR_NO_SDCARD);
  control("set status.sd_status 0");
  EXPECT_EQ(card(),
            "ok VID_0001.MP4 IMG_0002.JPG IMG_0003_01.JPG IMG_0003_02.JPG IMG_0003_03.JPG VID_0004.MP4");
  struct Case {
    uint32_t command;
    const std::vector<uint8_t>* arg;
    const char* request;
    std::string payload;
    const char* cardAfter;
    const char* line;
  };
  const Case cases[] = {
      {KLCONTROL_DELETE, &photo, "264/2", hexOf(std::string("IMG_0002.JPG")),
       "ok VID_0001.MP4 IMG_0003_01.JPG IMG_0003_02.JPG IMG_0003_03.JPG VID_0004.MP4",
       "KLCONTROL_DELETE: filename[IMG_0002.JPG]"},
      {KLCONTROL_DELETE_LAST, nullptr, "9/9", "",
       "ok VID_0001.MP4 IMG_0003_01.JPG IMG_0003_02.JPG IMG_0003_03.JPG", "KLCONTROL_DELETE_LAST:"},
      {KLCONTROL_DELETE_GROUP, &member, "264/3", hexOf(std::string("IMG_0003_02.JPG")), "ok VID_0001.MP4",
       "KLCONTROL_DELETE_GROUP: filename[IMG_0003_02.JPG]"},
      {KLCONTROL_DELETE_ALL, nullptr, "9/10", "", "ok", "KLCONTROL_DELETE_ALL:"},
  };
  for (const Case& c : cases) {
    forgetLog();
    EXPECT_EQ(requester->call(c.command, c.arg), KL_OK) << c.line;
    EXPECT_EQ(payload(c.request), c.payload) << c.line;
    EXPECT_EQ(card(), c.cardAfter) << c.line;
    EXPECT_TRUE(loggedLine(UTIL_LOG_DEBUG, c.line));
  }
  EXPECT_EQ(control("get status.photo_count"), "ok 0");
  EXPECT_EQ(control("get status.video_count"), "ok 0");
}

TEST_F(MediaTest, DeleteListCountsWholeItemsAndKeepsTheResult) {
  fillCard();
  // The NAK-off byte is no status of this command: it reaches the client as the payload.
  const std::tuple<const char*, int32_t, std::vector<uint8_t>> before[] = {
      {"", KL_OK, {}}, {"fault 9/23 error -1", KL_ERR, {}}, {"fault 9/23 nakoff", KL_OK, {2}}};
  TestAnswer answer;
  for (const auto& [fault, status, result] : before) {
    if (*fault != '\0') control(fault);
    answer = requester->ask(KLCONTROL_GET_DELETE_LIST_RESULT);
    EXPECT_EQ(answer.status, status) << fault;
    EXPECT_EQ(answer.payload, result) << fault;
  }
  // The list, the bytes of it sent, the card after and the result kept.
  const std::tuple<std::vector<uint8_t>, size_t, const char*, std::vector<uint8_t>> cases[] = {
      {listArg({{0, "IMG_0002.JPG"}, {1, "IMG_0003_01.JPG"}}),
       46,
       "ok VID_0001.MP4 VID_0004.MP4",
       {0, 2, 2, 0, 0}},
      {listArg({{0, "VID_0004.MP4"}, {0, "NONE.JPG"}}, 0), 46, "ok VID_0001.MP4", {1, 2, 1, 0, 1}},
      {listArg({{0, "VID_0001.MP4"}}, 22), 23, "ok", {0, 1, 1, 0}},
      {std::vector<uint8_t>(22, 'X'), 0, "ok", {0, 0, 0}},
  };
  for (const auto& [arg, sentBytes, cardAfter, result] : cases) {
    EXPECT_EQ(requester->call(KLCONTROL_DELETE_LIST, &arg), KL_OK);
    EXPECT_EQ(payload("264/4"), hexOf(std::vector<uint8_t>(arg.begin(), arg.begin() + long(sentBytes))));
    EXPECT_EQ(card(), cardAfter);
    answer = requester->ask(KLCONTROL_GET_DELETE_LIST_RESULT);
    EXPECT_EQ(answer.status, KL_OK);
    EXPECT_EQ(answer.payload, result);
  }
  for (const char* line : {"pArgs length = 45\n", "file: NONE.JPG, (0)\n", "DELETE result: 1\n"})
    EXPECT_TRUE(loggedLine(UTIL_LOG_DEBUG, line)) << line;
}

}  // namespace
