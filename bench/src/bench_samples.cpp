#include "bench_samples.h"

#include <algorithm>
#include <cmath>
#include <ctime>

double benchNowUs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return double(now.tv_sec) * 1e6 + double(now.tv_nsec) / 1e3;
}

double BenchSamples::percentile(double p) const {
  if (mValues.empty()) return 0;
  std::vector<double> sorted(mValues);
  std::sort(sorted.begin(), sorted.end());
  const double rank = std::ceil(p / 100.0 * double(sorted.size()));
  const size_t index = rank < 1 ? 0 : std::min(sorted.size() - 1, size_t(rank) - 1);
  return sorted[index];
}

BenchArrivals benchArrivals(const std::vector<std::vector<double>>& perChange) {
  BenchArrivals figures;
  for (const std::vector<double>& times : perChange) {
    if (times.empty()) continue;
    const auto [first, last] = std::minmax_element(times.begin(), times.end());
    figures.toLast.add(*last);
    figures.spread.add(*last - *first);
  }
  return figures;
}
