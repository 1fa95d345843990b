// SPDX-License-Identifier: MIT
// Latency percentiles over any number of marks in fixed memory: a
// log-linear histogram (every value below 256 exact, then 128 buckets per
// power of two), so a percentile is off by less than 1 % and no value is
// kept per mark. Min and max are kept exactly.
#ifndef SCTE104_LATENCY_SUMMARY_H
#define SCTE104_LATENCY_SUMMARY_H

#include <array>
#include <cstdint>

namespace scte104 {

class LatencySummary {
 public:
  void add(std::uint64_t value);

  std::uint64_t count() const { return mCount; }
  std::uint64_t min() const { return mMin; }
  std::uint64_t max() const { return mMax; }
  // The nearest-rank percentile: the value at rank ceil(percent / 100 * n)
  // of the sorted values, as the lower edge of its bucket (within 1 %),
  // never below min nor above max. 0 when nothing was added.
  std::uint64_t percentile(unsigned percent) const;

 private:
  static constexpr unsigned kSubBits = 7;  // 128 buckets per power of two
  static constexpr unsigned kMaxExponent = 47;
  static constexpr std::size_t kBuckets = (kMaxExponent - kSubBits + 2) << kSubBits;

  static std::size_t bucket_of(std::uint64_t value);
  static std::uint64_t lower_edge(std::size_t bucket);

  std::array<std::uint64_t, kBuckets> mCounts{};
  std::uint64_t mCount = 0;
  std::uint64_t mMin = 0;
  std::uint64_t mMax = 0;
};

}  // namespace scte104

#endif  // SCTE104_LATENCY_SUMMARY_H
