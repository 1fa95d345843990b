// SPDX-License-Identifier: MIT
// The order of one stream's RTP packets by their 32-bit extended sequence
// numbers: in order, after a gap, behind, or a copy of the highest; and the
// marker bit that must close each frame or field before the timestamp
// changes.
#ifndef SCTE104_RTP_SEQUENCE_H
#define SCTE104_RTP_SEQUENCE_H

#include <cstdint>

namespace rtp {

enum class Order {
  first,      // the stream's first packet
  in_order,   // the next number wanted
  gap,        // ahead of it: `missing` packets never came (yet)
  behind,     // older than the next number wanted
  duplicate,  // the same number as the highest taken
};

struct SequenceCheck {
  Order order = Order::first;
  std::uint32_t expected = 0;  // the highest taken + 1 (mod 2^32)
  std::uint32_t missing = 0;   // for a gap
  // In order, with another timestamp than the highest packet, which did
  // not carry the marker bit; `previous_timestamp` is that packet's.
  bool missing_marker = false;
  std::uint32_t previous_timestamp = 0;
};

class SequenceTracker {
 public:
  // Checks the next packet of the stream. A packet in order or after a gap
  // becomes the highest taken; one behind or a duplicate leaves it as it
  // was.
  SequenceCheck take(std::uint32_t extended_sequence, std::uint32_t timestamp, bool marker);

 private:
  bool mStarted = false;
  std::uint32_t mHighest = 0;
  std::uint32_t mTimestamp = 0;  // of the highest
  bool mMarker = false;          // of the highest
};

}  // namespace rtp

#endif  // SCTE104_RTP_SEQUENCE_H
