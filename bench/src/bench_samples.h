// Measured durations and their percentiles.
#pragma once
#include <cstddef>
#include <vector>

// Monotonic time in microseconds.
double benchNowUs();

class BenchSamples {
 public:
  void add(double microseconds) { mValues.push_back(microseconds); }
  size_t count() const { return mValues.size(); }
  // Nearest-rank percentile (p in 0..100) of the samples; 0 without samples.
  double percentile(double p) const;
  double max() const { return percentile(100); }

 private:
  std::vector<double> mValues;
};

// What the times at which the clients received the document of each change make: per change, the
// time to the last client and the spread from the first to the last.
struct BenchArrivals {
  BenchSamples toLast;
  BenchSamples spread;
};
BenchArrivals benchArrivals(const std::vector<std::vector<double>>& perChange);
