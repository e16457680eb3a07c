// Transcode commands against the simulated camera: the payloads the camera receives, the 552-byte
// records the client gets, the two history slots, refusals, progress texts and cancel.
#include <gtest/gtest.h>

#include <cstring>

#include "csi_test_messages.h"
#include "klErrno.h"
#include "test_server_fixture.h"
#include "wait_until.h"

namespace {

constexpr size_t kRecord = sizeof(transcode_status_t);
constexpr uint64_t kFirstJob = 1001;  // the simulated camera numbers its jobs from here

// A start argument: the name in its 257-byte field, P0 to P10 as words from offset 260.
std::vector<uint8_t> startArgument(const std::string& name, size_t length = 304) {
  std::vector<uint8_t> arg(304, 0);
  std::memcpy(arg.data(), name.data(), name.size());
  for (uint32_t i = 0; i <= 10; ++i) {
    const uint32_t word = 0xA0B0C000u + i;  // low byte 0x00 + i, the others tell the order apart
    std::memcpy(&arg[260 + 4 * i], &word, sizeof word);
  }
  arg.resize(length);
  return arg;
}

std::vector<uint8_t> idArgument(uint64_t id) {
  std::vector<uint8_t> arg(sizeof id);
  std::memcpy(arg.data(), &id, sizeof id);
  return arg;
}

std::vector<uint8_t> bytesOfHex(const std::string& hex) {
  std::vector<uint8_t> bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2)
    bytes.push_back(uint8_t(std::stoul(hex.substr(i, 2), nullptr, 16)));
  return bytes;
}

// The record a client expects for a job: name field, id, state, reason, estimate, progress, output.
std::vector<uint8_t> expectedRecord(const std::string& name, uint64_t id, uint32_t state, int32_t reason,
                                    uint32_t estimate, uint32_t progress, const std::string& output) {
  std::vector<uint8_t> record(kRecord, 0);
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
  TestAnswer start(uint32_t command, const std::string& name) {
    const std::vector<uint8_t> arg = startArgument(name);
    return requester->ask(command, &arg);
  }
  TestAnswer status(uint64_t id) {
    const std::vector<uint8_t> arg = idArgument(id);
    return requester->ask(KLCONTROL_TRANSCODE_STATUS, &arg);
  }
  std::vector<uint8_t> cameraPayload(const std::string& request) {
    const std::string reply = control("payload " + request);
    return reply.rfind("ok ", 0) == 0 ? bytesOfHex(reply.substr(3)) : std::vector<uint8_t>();
  }
  // A progress notification straight from the camera's side, taken by the worker before we go on.
  void notify(const std::string& text) {
    ASSERT_TRUE(TestRequester::sendToDaemon(csi_test::notification(151, text)));
    sync();
  }
};

TEST_F(TranscodeTest, StartsSendTheirPayloadsAndAnswerTheNewRecord) {
  const std::string name256(256, 'N');
  // After the name's NUL: the parameters in the order and widths of each command.
  const std::vector<uint8_t> videoTail = {0x01, 0x02, 0x00, 0x03, 0x04, 0xA0, 0xB0, 0xC0, 0x05, 0xA0,
                                          0xB0, 0xC0, 0x06, 0xA0, 0xB0, 0xC0, 0x07, 0xA0, 0xB0, 0xC0,
                                          0x08, 0xA0, 0xB0, 0xC0, 0x09, 0xA0, 0xB0, 0xC0, 0x0A};
  const std::vector<uint8_t> photoToVideoTail = {0x00, 0xA0, 0xB0, 0xC0, 0x01, 0x02};
  const std::vector<uint8_t> toPhotoTail = {0x00, 0x01, 0xA0, 0xB0, 0xC0, 0x02};
  struct Case {
    uint32_t command;
    const char* request;
    std::string name;
    const std::vector<uint8_t>& tail;
    const char* started;
    const char* output;
  };
  const Case cases[] = {
      {KLCONTROL_TRANSCODE_VIDEO_REQUEST, "12/5", "C:\\DCIM\\100KLCAM\\GX010001.MP4", videoTail,
       "Transcode started, id=1001, completion estimation:4 seconds.", "C:/DCIM/100KLCAM/TRN01001.MP4"},
      {KLCONTROL_TRANSCODE_VIDEO_REQUEST, "12/5", name256, videoTail, "id=1002",
       "C:/DCIM/100KLCAM/TRN01002.MP4"},
      {KLCONTROL_TRANSCODE_PHOTO_TO_VIDEO_REQUEST, "12/6", "G0010001.JPG", photoToVideoTail,
       "Transcode photo_to_video started, id=1003, completion estimation:4 seconds.",
       "C:/DCIM/100KLCAM/TRN01003.MP4"},
      {KLCONTROL_TRANSCODE_TO_PHOTO_REQUEST, "12/6", name256, toPhotoTail,
       "KLCONTROL_TRANSCODE_TO_PHOTO_REQUEST:", "C:/DCIM/100KLCAM/TRN01004.MP4"},
  };
  uint64_t id = kFirstJob;
  for (const Case& c : cases) {
    const TestAnswer answer = start(c.command, c.name);
    EXPECT_EQ(answer.status, KL_OK) << c.command;
    EXPECT_EQ(answer.payload, expectedRecord(c.name, id, 0, 0, 4, 0, "")) << c.command;
    std::vector<uint8_t> expected(c.name.begin(), c.name.end());
    expected.push_back(0);
    expected.insert(expected.end(), c.tail.begin(), c.tail.end());
    EXPECT_EQ(cameraPayload(c.request), expected) << c.command;
    EXPECT_TRUE(logged(c.started)) << c.started;
    // The camera runs one job at a time: finish this one before the next start.
    control("transcode step 4");
    EXPECT_EQ(status(id).payload, expectedRecord(c.name, id, 2, 0, 4, 100, c.output)) << c.command;
    ++id;
  }
  EXPECT_EQ(cameraPayload("12/5").size(), 286u);
  EXPECT_EQ(cameraPayload("12/6").size(), 263u);
}

TEST_F(TranscodeTest, HistoryHoldsTheNewestTwoOldestFirst) {
  TestAnswer history = requester->ask(KLCONTROL_TRANSCODE_HISTORY);
  EXPECT_EQ(history.status, KL_OK);
  EXPECT_EQ(history.payload, std::vector<uint8_t>(2 * kRecord, 0));

  const std::vector<uint8_t> first = start(KLCONTROL_TRANSCODE_VIDEO_REQUEST, "A.MP4").payload;
  history = requester->ask(KLCONTROL_TRANSCODE_HISTORY);
  std::vector<uint8_t> expected = first;
  expected.resize(2 * kRecord, 0);
  EXPECT_EQ(history.payload, expected);

  control("transcode step 4");
  start(KLCONTROL_TRANSCODE_VIDEO_REQUEST, "B.MP4");
  control("transcode step 4");
  const std::vector<uint8_t> third = start(KLCONTROL_TRANSCODE_TO_PHOTO_REQUEST, "C.MP4").payload;
  history = requester->ask(KLCONTROL_TRANSCODE_HISTORY);
  ASSERT_EQ(history.payload.size(), 2 * kRecord);
  EXPECT_EQ(std::vector<uint8_t>(history.payload.begin(), history.payload.begin() + kRecord),
            expectedRecord("B.MP4", kFirstJob + 1, 2, 0, 4, 100, "C:/DCIM/100KLCAM/TRN01002.MP4"));
  EXPECT_EQ(std::vector<uint8_t>(history.payload.begin() + kRecord, history.payload.end()), third);

  // Only the newest job answers a status request, although the older one is still recorded.
  const TestAnswer older = status(kFirstJob + 1);
  EXPECT_EQ(older.status, KL_ERR_INVALID_PARAM);
  EXPECT_EQ(older.payload, std::vector<uint8_t>(kRecord, 0));
  EXPECT_EQ(status(kFirstJob + 2).payload, third);
}

TEST_F(TranscodeTest, RefusalsAreTranslatedAndNotKept) {
  const struct {
    int refusal;
    int32_t reason;
  } cases[] = {{-7, -1}, {-8, -2}, {-9, -3}, {-10, -4}, {0, -256}, {-6, -256}, {100, -256}};
  for (const auto& c : cases) {
    ASSERT_EQ(control("transcode refuse " + std::to_string(c.refusal)), "ok");
    const TestAnswer answer = start(KLCONTROL_TRANSCODE_VIDEO_REQUEST, "R.MP4");
    EXPECT_EQ(answer.status, KL_ERR_NAK) << c.refusal;
    EXPECT_EQ(answer.payload, expectedRecord("R.MP4", 0, 4, c.reason, 0, 0, "")) << c.refusal;
    EXPECT_TRUE(logged("Transcode on R.MP4 FAILED. Failure reason:" + std::to_string(c.reason))) << c.refusal;
  }
  EXPECT_TRUE(logged("Got a NAK on transcode request"));
  // The camera's own refusal of a second job while one runs.
  const TestAnswer accepted = start(KLCONTROL_TRANSCODE_PHOTO_TO_VIDEO_REQUEST, "P.JPG");
  ASSERT_EQ(accepted.status, KL_OK);
  const TestAnswer busy = start(KLCONTROL_TRANSCODE_TO_PHOTO_REQUEST, "Q.MP4");
  EXPECT_EQ(busy.status, KL_ERR_NAK);
  EXPECT_EQ(busy.payload, expectedRecord("Q.MP4", 0, 4, -1, 0, 0, ""));
  std::vector<uint8_t> onlyAccepted = accepted.payload;
  onlyAccepted.resize(2 * kRecord, 0);
  EXPECT_EQ(requester->ask(KLCONTROL_TRANSCODE_HISTORY).payload, onlyAccepted);
}

TEST_F(TranscodeTest, ProgressTextsUpdateTheNewestJobUntilItIsFinal) {
  notify("status=1:1:10:A.MP4");
  EXPECT_TRUE(logged("Got CSI Notifications for transcode that are unrelated to us. Ignoring!"));
  ASSERT_EQ(start(KLCONTROL_TRANSCODE_VIDEO_REQUEST, "V.MP4").status, KL_OK);
  control("transcode step");
  EXPECT_EQ(status(kFirstJob).payload,
            expectedRecord("V.MP4", kFirstJob, 1, 0, 4, 25, "C:/DCIM/100KLCAM/TRN01001.MP4"));
  EXPECT_TRUE(logged("Updating status for Id:1001"));

  // Texts for another id, or that cannot be read, change nothing.
  const std::vector<uint8_t> before = status(kFirstJob).payload;
  const struct {
    const char* text;
    const char* line;
  } ignored[] = {
      {"status=999:1:50:X.MP4", "Parsed filename X.MP4 from 999:1:50:X.MP4"},
      {"status=abc", "Error parsing id from abc"},
      {"status=1001:x:50:X.MP4", "Error parsing status from 1001:x:50:X.MP4"},
      {"status=1001:1:-5:X.MP4", "Error parsing progress from 1001:1:-5:X.MP4"},
      {"status=1001:1:50:", "Error parsing filename from 1001:1:50:"},
      {"status=1001:1:4294967296:X.MP4", "Error parsing progress from 1001:1:4294967296:X.MP4"},
      {"1001:1:50:X.MP4", "Transcode progress without status=: 1001:1:50:X.MP4"},
  };
  for (const auto& c : ignored) {
    notify(c.text);
    EXPECT_TRUE(logged(c.line)) << c.text;
    EXPECT_EQ(status(kFirstJob).payload, before) << c.text;
  }

  // A camera path with backslashes is stored with slashes; only its first word counts, "&" included.
  notify("status=1001:2:100:D:\\OUT\\R&D.MP4 trailing words");
  EXPECT_EQ(status(kFirstJob).payload, expectedRecord("V.MP4", kFirstJob, 2, 0, 4, 100, "D:/OUT/R&D.MP4"));
  lines.clear();
  notify("status=1001:1:10:LATE.MP4");
  EXPECT_TRUE(logged("Got CSI Notifications for transcode that are unrelated to us. Ignoring!"));
  EXPECT_EQ(status(kFirstJob).payload, expectedRecord("V.MP4", kFirstJob, 2, 0, 4, 100, "D:/OUT/R&D.MP4"));
}

TEST_F(TranscodeTest, CancelReachesTheCameraAndItsStateComesBackAsProgress) {
  ASSERT_EQ(start(KLCONTROL_TRANSCODE_VIDEO_REQUEST, "V.MP4").status, KL_OK);
  const std::vector<uint8_t> unknownId = idArgument(77);
  const TestAnswer unknown = requester->ask(KLCONTROL_TRANSCODE_CANCEL, &unknownId);
  EXPECT_EQ(unknown.status, KL_ERR_INVALID_PARAM);
  EXPECT_EQ(unknown.payload, std::vector<uint8_t>(kRecord, 0));

  const std::vector<uint8_t> id = idArgument(kFirstJob);
  const TestAnswer cancel = requester->ask(KLCONTROL_TRANSCODE_CANCEL, &id);
  EXPECT_EQ(cancel.status, KL_OK);
  EXPECT_EQ(cancel.payload, expectedRecord("V.MP4", kFirstJob, 0, 0, 4, 0, ""));
  EXPECT_EQ(cameraPayload("12/3"), (std::vector<uint8_t>{0, 0, 0, 0, 0, 0, 0x03, 0xE9}));
  // The camera reports the cancelled state right after its reply.
  const std::vector<uint8_t> cancelled =
      expectedRecord("V.MP4", kFirstJob, 3, 0, 4, 0, "C:/DCIM/100KLCAM/TRN01001.MP4");
  EXPECT_TRUE(waitUntil([&] { return status(kFirstJob).payload == cancelled; }));
}

}  // namespace
