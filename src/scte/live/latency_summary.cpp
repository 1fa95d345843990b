// SPDX-License-Identifier: MIT
#include "latency_summary.h"

#include <algorithm>

namespace scte104 {

// Values below 2^(kSubBits + 1) have a bucket each. Above, a value with its
// highest bit at e (e > kSubBits) falls in one of 128 buckets of width
// 2^(e - kSubBits), so a bucket's lower edge is less than 1/128 below it.
std::size_t LatencySummary::bucket_of(std::uint64_t value) {
  constexpr std::uint64_t kLargest = (std::uint64_t{2} << kMaxExponent) - 1;
  value = std::min(value, kLargest);
  if (value < (std::uint64_t{2} << kSubBits)) return static_cast<std::size_t>(value);
  const auto exponent = static_cast<unsigned>(63 - __builtin_clzll(value));
  const std::uint64_t sub = (value >> (exponent - kSubBits)) & ((1u << kSubBits) - 1);
  return (static_cast<std::size_t>(exponent - kSubBits + 1) << kSubBits) +
         static_cast<std::size_t>(sub);
}

std::uint64_t LatencySummary::lower_edge(std::size_t bucket) {
  if (bucket < (std::size_t{2} << kSubBits)) return bucket;
  const unsigned exponent = static_cast<unsigned>(bucket >> kSubBits) + kSubBits - 1;
  const std::uint64_t sub = bucket & ((1u << kSubBits) - 1);
  return (std::uint64_t{1} << exponent) | (sub << (exponent - kSubBits));
}

void LatencySummary::add(std::uint64_t value) {
  ++mCounts[bucket_of(value)];
  mMin = mCount == 0 ? value : std::min(mMin, value);
  mMax = mCount == 0 ? value : std::max(mMax, value);
  ++mCount;
}

std::uint64_t LatencySummary::percentile(unsigned percent) const {
  if (mCount == 0) return 0;
  // ceil(percent * n / 100), at least the first rank.
  const std::uint64_t rank = std::max<std::uint64_t>(1, (percent * mCount + 99) / 100);
  std::uint64_t seen = 0;
  for (std::size_t bucket = 0; bucket < kBuckets; ++bucket) {
    seen += mCounts[bucket];
    if (seen >= rank) return std::clamp(lower_edge(bucket), mMin, mMax);
  }
  return mMax;
}

}  // namespace scte104
