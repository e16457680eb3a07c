// Transcode commands against the simulated camera: the payloads the camera receives, the 552-byte
// records the client gets, the two history slots, refusals, progress texts and cancel.
#include <gtest/gtest.h>

#include <cstring>
#include <utility>

#include "klErrno.h"
#include "test_command_bytes.h"
#include "test_server_fixture.h"
#include "wait_until.h"

namespace {

using Bytes = std::vector<uint8_t>;
using Reply = std::pair<int32_t, Bytes>;  // status and payload, compared as one

constexpr size_t kRecord = sizeof(transcode_status_t);
constexpr uint64_t kFirstJob = 1001;  // the simulated camera numbers its jobs from here

// A start argument: the name in its 257-byte field, P0 to P10 as words from offset 260.
Bytes startArgument(const std::string& name) {
  Bytes arg(304, 0);
  putField(arg, 0, 257, name);
  for (uint32_t i = 0; i <= 10; ++i) putWord(arg, 260 + 4 * i, 0xA0B0C000u + i);  // low byte: i
  return arg;
}

Bytes idArgument(uint64_t id) {
  return words({uint32_t(id), uint32_t(id >> 32)});
}

// The history's two slots, oldest first.
Bytes slots(Bytes older, const Bytes& newer) {
  older.insert(older.end(), newer.begin(), newer.end());
  return older;
}

// The record a client expects for a job: name field, id, state, reason, estimate, progress, output.
Bytes expectedRecord(const std::string& name, uint64_t id, uint32_t state, int32_t reason, uint32_t estimate,
                     uint32_t progress, const std::string& output) {
  Bytes record(kRecord, 0);
  std::memcpy(&record[0], name.data(), name.size());
  std::memcpy(&record[264], &id, 8);
  std::memcpy(&record[272], &state, 4);
  std::memcpy(&record[276], &reason, 4);
  std::memcpy(&record[280], &estimate, 4);
  std::memcpy(&record[284], &progress, 4);
  std::memcpy(&record[288], output.data(), output.size());
  return record;
}

class TranscodeTest : public ServerTest {
 protected:
  static Reply reply(const TestAnswer& answer) { return {answer.status, answer.payload}; }
  // The camera's output file of a job, and the record of a job it has finished.
  static std::string outputOf(uint64_t id) { return "C:/DCIM/100KLCAM/TRN0" + std::to_string(id) + ".MP4"; }
  static Bytes finished(const std::string& name, uint64_t id) {
    return expectedRecord(name, id, 2, 0, 4, 100, outputOf(id));
  }
  TestAnswer ask(uint32_t command, const Bytes& arg) { return requester->ask(command, &arg); }
  TestAnswer start(uint32_t command, const std::string& name) { return ask(command, startArgument(name)); }
  Bytes status(uint64_t id) { return ask(KLCONTROL_TRANSCODE_STATUS, idArgument(id)).payload; }
  Bytes history() { return requester->ask(KLCONTROL_TRANSCODE_HISTORY).payload; }
  // A progress notification straight from the camera's side, taken by the worker before we go on.
  void notify(const std::string& text) {
    ASSERT_TRUE(TestRequester::sendToDaemon(csi_test::notification(151, text)));
    sync();
  }
};

// Each start sends its parameters, answers the new job's record and moves the history on.
TEST_F(TranscodeTest, StartsAnswerTheNewRecordAndKeepTheNewestTwoInTheHistory) {
  const std::string name256(256, 'N');
  // After the name's NUL: the parameters in the order and widths of each command.
  const std::string video = "0102000304a0b0c005a0b0c006a0b0c007a0b0c008a0b0c009a0b0c00a";
  const std::string toVideo = "00a0b0c00102";
  const std::string toPhoto = "0001a0b0c002";
  const std::string started = ", completion estimation:4 seconds.";
  struct Case {
    uint32_t command;
    const char* request;
    std::string name, tail, line;
  };
  const Case cases[] = {
      {KLCONTROL_TRANSCODE_VIDEO_REQUEST, "12/5", "C:\\DCIM\\100KLCAM\\GX010001.MP4", video,
       "Transcode started, id=1001" + started},
      {KLCONTROL_TRANSCODE_VIDEO_REQUEST, "12/5", name256, video, "Transcode started, id=1002" + started},
      {KLCONTROL_TRANSCODE_PHOTO_TO_VIDEO_REQUEST, "12/6", "G0010001.JPG", toVideo,
       "Transcode photo_to_video started, id=1003" + started},
      {KLCONTROL_TRANSCODE_TO_PHOTO_REQUEST, "12/6", name256, toPhoto,
       "KLCONTROL_TRANSCODE_TO_PHOTO_REQUEST:"},
  };
  uint64_t id = kFirstJob;
  EXPECT_EQ(history(), Bytes(2 * kRecord, 0));
  Bytes older;  // the last job finished
  for (const Case& c : cases) {
    forgetLog();
    const Bytes record = expectedRecord(c.name, id, 0, 0, 4, 0, "");
    EXPECT_EQ(reply(start(c.command, c.name)), Reply(KL_OK, record)) << c.command;
    EXPECT_EQ(payload(c.request), hexOf(textArg(c.name)) + c.tail) << c.command;
    EXPECT_TRUE(loggedLine(UTIL_LOG_DEBUG, c.line)) << c.line;
    // The history holds the newest two jobs; only the newest answers a status request.
    EXPECT_EQ(history(), older.empty() ? slots(record, Bytes(kRecord, 0)) : slots(older, record))
        << c.command;
    EXPECT_EQ(reply(ask(KLCONTROL_TRANSCODE_STATUS, idArgument(id - 1))),
              Reply(KL_ERR_INVALID_PARAM, Bytes(kRecord, 0)));
    // The camera runs one job at a time: finish this one before the next start.
    control("transcode step 4");
    older = finished(c.name, id);
    EXPECT_EQ(status(id), older) << c.command;
    ++id;
  }
}

// Progress texts update the newest job until it is final; before any job they are not ours.
TEST_F(TranscodeTest, ProgressTextsUpdateTheNewestJobUntilItIsFinal) {
  const std::string unrelated = "Got CSI Notifications for transcode that are unrelated to us. Ignoring!";
  forgetLog();
  notify("status=1:1:10:A.MP4");
  EXPECT_TRUE(loggedLine(UTIL_LOG_WARN, unrelated));
  const uint64_t id = kFirstJob;
  ASSERT_EQ(start(KLCONTROL_TRANSCODE_VIDEO_REQUEST, "V.MP4").status, KL_OK);
  forgetLog();
  control("transcode step");
  EXPECT_TRUE(loggedLine(UTIL_LOG_DEBUG, "Updating status for Id:1001"));
  const Bytes running = expectedRecord("V.MP4", id, 1, 0, 4, 25, outputOf(id));
  EXPECT_EQ(status(id), running);
  // Texts for another id, or that cannot be read, change nothing.
  const struct {
    const char* text;
    int level;
    const char* line;
  } ignored[] = {
      {"status=999:1:50:X.MP4", UTIL_LOG_DEBUG, "Parsed filename X.MP4 from 999:1:50:X.MP4"},
      {"status=abc", UTIL_LOG_ERROR, "Error parsing id from abc"},
      {"status=1001:x:50:X.MP4", UTIL_LOG_ERROR, "Error parsing status from 1001:x:50:X.MP4"},
      {"status=1001:1:-5:X.MP4", UTIL_LOG_ERROR, "Error parsing progress from 1001:1:-5:X.MP4"},
      {"status=1001:1:50:", UTIL_LOG_ERROR, "Error parsing filename from 1001:1:50:"},
      {"status=1001:1:4294967296:X.MP4", UTIL_LOG_ERROR,
       "Error parsing progress from 1001:1:4294967296:X.MP4"},
      {"1001:1:50:X.MP4", UTIL_LOG_ERROR, "Transcode progress without status=: 1001:1:50:X.MP4"},
  };
  for (const auto& c : ignored) {
    forgetLog();
    notify(c.text);
    EXPECT_TRUE(loggedLine(c.level, c.line)) << c.text;
    EXPECT_EQ(status(id), running) << c.text;
  }
  // A camera path with backslashes is stored with slashes; only its first word counts, "&" included.
  const Bytes final = expectedRecord("V.MP4", id, 2, 0, 4, 100, "D:/OUT/R&D.MP4");
  notify("status=1001:2:100:D:\\OUT\\R&D.MP4 trailing words");
  EXPECT_EQ(status(id), final);
  forgetLog();
  notify("status=1001:1:10:LATE.MP4");
  EXPECT_TRUE(loggedLine(UTIL_LOG_WARN, unrelated));
  EXPECT_EQ(status(id), final);
}

TEST_F(TranscodeTest, RefusalsAreTranslatedAndNotKeptCancelEndsTheJob) {
  // The camera's refusal and the reason the client gets.
  const std::pair<int, int32_t> cases[] = {{-7, -1}, {-8, -2}, {-9, -3}, {-10, -4}, {-6, -256}, {-11, -256}};
  for (const auto& [refusal, reason] : cases) {
    ASSERT_EQ(control("transcode refuse " + std::to_string(refusal)), "ok");
    forgetLog();
    EXPECT_EQ(reply(start(KLCONTROL_TRANSCODE_VIDEO_REQUEST, "R.MP4")),
              Reply(KL_ERR_NAK, expectedRecord("R.MP4", 0, 4, reason, 0, 0, "")))
        << refusal;
    const std::string failed = "Transcode on R.MP4 FAILED. Failure reason:" + std::to_string(reason);
    EXPECT_TRUE(loggedLine(UTIL_LOG_ERROR, failed)) << refusal;
    EXPECT_TRUE(loggedLine(UTIL_LOG_ERROR, "Got a NAK on transcode request")) << refusal;
  }
  // The camera's own refusal of a second job while one runs.
  const Bytes accepted = start(KLCONTROL_TRANSCODE_TO_PHOTO_REQUEST, "V.MP4").payload;
  EXPECT_EQ(reply(start(KLCONTROL_TRANSCODE_PHOTO_TO_VIDEO_REQUEST, "Q.JPG")),
            Reply(KL_ERR_NAK, expectedRecord("Q.JPG", 0, 4, -1, 0, 0, "")));
  EXPECT_EQ(history(), slots(accepted, Bytes(kRecord, 0)));
  // Cancel reaches the camera for the running job only; its state comes back as progress. A video given
  // to the photo request gives a photo.
  EXPECT_EQ(reply(ask(KLCONTROL_TRANSCODE_CANCEL, idArgument(77))),
            Reply(KL_ERR_INVALID_PARAM, Bytes(kRecord, 0)));
  EXPECT_EQ(reply(ask(KLCONTROL_TRANSCODE_CANCEL, idArgument(kFirstJob))), Reply(KL_OK, accepted));
  EXPECT_EQ(payload("12/3"), "00000000000003e9");
  const Bytes cancelled = expectedRecord("V.MP4", kFirstJob, 3, 0, 4, 0, "C:/DCIM/100KLCAM/TRN01001.JPG");
  EXPECT_TRUE(waitUntil([&] { return status(kFirstJob) == cancelled; }));
}

}  // namespace
