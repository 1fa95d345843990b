// SPDX-License-Identifier: MIT
#include "rtp/sequence.h"

namespace rtp {

SequenceCheck SequenceTracker::take(std::uint32_t extended_sequence, std::uint32_t timestamp,
                                    bool marker) {
  SequenceCheck check;
  if (mStarted) {
    check.expected = mHighest + 1;
    // Distances modulo 2^32: half the circle ahead, half behind.
    const std::uint32_t ahead = extended_sequence - check.expected;
    if (extended_sequence == mHighest) {
      check.order = Order::duplicate;
      return check;
    }
    if (ahead >= 0x80000000u) {
      check.order = Order::behind;
      return check;
    }
    if (ahead == 0) {
      check.order = Order::in_order;
      if (timestamp != mTimestamp && !mMarker) {
        check.missing_marker = true;
        check.previous_timestamp = mTimestamp;
      }
    } else {
      check.order = Order::gap;
      check.missing = ahead;
    }
  }
  mStarted = true;
  mHighest = extended_sequence;
  mTimestamp = timestamp;
  mMarker = marker;
  return check;
}

}  // namespace rtp
