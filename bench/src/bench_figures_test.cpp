// The arithmetic behind the printed figures: percentiles and the CPU fields of /proc/<pid>/stat.
#include <gtest/gtest.h>

#include <utility>

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
