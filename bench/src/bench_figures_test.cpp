// The arithmetic behind the printed figures (percentiles, arrivals, the CPU fields of /proc/<pid>/stat)
// and the bench camera's table of answers.
#include <gtest/gtest.h>

#include <tuple>
#include <utility>

#include "bench_camera.h"
#include "bench_proc.h"
#include "bench_samples.h"

namespace {

TEST(BenchSamples, NearestRankPercentiles) {
  BenchSamples samples;
  EXPECT_EQ(samples.percentile(50), 0);
  for (int value : {50, 10, 40, 20, 30, 60, 70, 80, 90, 100}) samples.add(value);
  EXPECT_EQ(samples.percentile(50), 50);
  EXPECT_EQ(samples.percentile(99), 100);
  EXPECT_EQ(samples.percentile(0), 10);
  EXPECT_EQ(samples.max(), 100);
  const BenchArrivals arrivals = benchArrivals({{300, 100, 200}, {50}});
  EXPECT_EQ(arrivals.toLast.max(), 300);
  EXPECT_EQ(arrivals.toLast.percentile(0), 50);
  EXPECT_EQ(arrivals.spread.max(), 200);
  EXPECT_EQ(arrivals.spread.percentile(0), 0);
}

// A reply the model made once goes out again with each later request's own sequence number.
TEST(BenchAnswerTable, StoredRepliesCarryEachRequestsSequence) {
  BenchAnswerTable table;
  // Sequence, group, id, the answer's size (the status and the settings block), replies made so far.
  const std::tuple<uint32_t, uint16_t, uint16_t, uint16_t, unsigned long> cases[] = {
      {7, 8, 11, 384, 1}, {8, 8, 11, 384, 1}, {9, 7, 30, 238, 2}, {10, 8, 11, 384, 2}};
  for (const auto& [seq, group, id, size, made] : cases) {
    uint8_t msg[KLMSG_MAX];
    const int length = klc_link_encode_request(msg, sizeof msg, {seq, group, id}, nullptr, 0, "/reply", {});
    klc_link_request request{};
    const std::vector<uint8_t>* reply = table.answer(msg, unsigned(length), request);
    ASSERT_NE(reply, nullptr);
    klc_link_reply decoded{};
    ASSERT_EQ(klc_link_decode_reply(reply->data(), unsigned(reply->size()), &decoded), 0);
    EXPECT_EQ(decoded.header.seq, seq);
    EXPECT_EQ(decoded.answerLength, size);
    EXPECT_STREQ(request.replyQueue, "/reply");
    EXPECT_EQ(table.made(), made);
  }
}

TEST(BenchProc, StatTicksAreUserPlusSystemWhateverTheName) {
  const std::pair<const char*, long> cases[] = {
      {"42 (klControlD) S 1 42 42 0 -1 4194560 300 0 0 0 17 5 0 0 20 0 3 0", 22},
      // A name with blanks and a parenthesis must not shift the fields.
      {"42 (a b) c) S 1 42 42 0 -1 4194560 300 0 0 0 7 1 0 0 20 0 3 0", 8},
      {"42 (klControlD) S 1 42", -1},
      {"no name at all", -1},
  };
  for (const auto& [stat, ticks] : cases) EXPECT_EQ(benchStatTicks(stat), ticks) << stat;
}

}  // namespace
