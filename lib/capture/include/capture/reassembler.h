// SPDX-License-Identifier: MIT
// One direction of a TCP connection, put back in order by sequence number.
// Bytes are handed on as soon as everything before them is there; segments
// beyond a missing byte wait. The first copy of a byte wins, whether it was
// handed on already or is still waiting.
#ifndef SCTE104_CAPTURE_REASSEMBLER_H
#define SCTE104_CAPTURE_REASSEMBLER_H

#include <cstddef>
#include <cstdint>
#include <map>
#include <vector>

namespace capture {

// Receives the ordered bytes of a direction.
class StreamSink {
 public:
  virtual ~StreamSink() = default;
  // Bytes that follow those before; `segment_start` when a segment's
  // payload (without the bytes that an earlier copy supplied) begins at the
  // first of them.
  virtual void on_bytes(const std::uint8_t* bytes, std::size_t size, bool segment_start) = 0;
  // `bytes` bytes are missing before the next ones.
  virtual void on_gap(std::uint64_t bytes) = 0;
};

class Reassembler {
 public:
  // A hole is given up on once this many bytes wait behind it.
  static constexpr std::size_t kMaxWaiting = std::size_t{1} << 20;

  // The stream's first byte has sequence number `first_sequence`.
  void start(std::uint32_t first_sequence);
  bool started() const { return mStarted; }
  std::uint32_t first_sequence() const { return mFirstSequence; }

  // Places a segment's payload by its sequence number and hands on what
  // becomes contiguous. Declares a hole when the waiting bytes reach
  // kMaxWaiting.
  void add(std::uint32_t sequence, const std::uint8_t* payload, std::size_t size, StreamSink& sink);

  // The direction ends: each hole with bytes waiting after it is declared,
  // and those bytes handed on. A hole with nothing after it is not seen.
  void finish(StreamSink& sink);

 private:
  struct Piece {
    std::vector<std::uint8_t> bytes;
    bool segment_start;
  };

  // Stores the parts of [offset, offset + size) that no waiting piece holds.
  void wait(std::int64_t offset, const std::uint8_t* bytes, std::size_t size);
  // Hands on the waiting pieces that are now contiguous.
  void deliver_waiting(StreamSink& sink);
  // Skips the hole before the first waiting piece.
  void skip_hole(StreamSink& sink);

  bool mStarted = false;
  std::uint32_t mFirstSequence = 0;
  std::int64_t mNext = 0;                  // offset of the next byte wanted, from the first
  std::map<std::int64_t, Piece> mWaiting;  // by offset, never overlapping
  std::size_t mWaitingBytes = 0;
};

}  // namespace capture

#endif  // SCTE104_CAPTURE_REASSEMBLER_H
