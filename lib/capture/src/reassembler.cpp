// SPDX-License-Identifier: MIT
#include "capture/reassembler.h"

#include <algorithm>
#include <iterator>

namespace capture {

void Reassembler::start(std::uint32_t first_sequence) {
  mStarted = true;
  mFirstSequence = first_sequence;
}

void Reassembler::add(std::uint32_t sequence, const std::uint8_t* payload, std::size_t size,
                      StreamSink& sink) {
  if (size == 0) return;
  // Sequence numbers wrap: a segment is placed by its distance from the next
  // byte wanted, and half the number space or more counts as behind.
  const auto next_sequence = static_cast<std::uint32_t>(mFirstSequence + mNext);
  const std::uint32_t distance = sequence - next_sequence;
  std::int64_t offset = mNext + static_cast<std::int64_t>(distance);
  if (distance >= 0x80000000u) offset -= std::int64_t{1} << 32;
  const std::int64_t end = offset + static_cast<std::int64_t>(size);
  if (end <= mNext) return;  // all handed on already
  if (offset < mNext) {      // the first copy of those bytes was handed on
    payload += mNext - offset;
    size = static_cast<std::size_t>(end - mNext);
    offset = mNext;
  }
  if (offset == mNext && mWaiting.empty()) {
    sink.on_bytes(payload, size, true);
    mNext = end;
    return;
  }
  wait(offset, payload, size);
  deliver_waiting(sink);
  while (mWaitingBytes >= kMaxWaiting) skip_hole(sink);
}

void Reassembler::finish(StreamSink& sink) {
  while (!mWaiting.empty()) skip_hole(sink);
}

void Reassembler::wait(std::int64_t offset, const std::uint8_t* bytes, std::size_t size) {
  const std::int64_t end = offset + static_cast<std::int64_t>(size);
  std::int64_t cursor = offset;
  auto next = mWaiting.upper_bound(offset);
  if (next != mWaiting.begin()) {
    const auto before = std::prev(next);
    cursor =
        std::max(cursor, before->first + static_cast<std::int64_t>(before->second.bytes.size()));
  }
  bool first = true;
  while (cursor < end) {
    const std::int64_t limit = next != mWaiting.end() ? std::min(end, next->first) : end;
    if (limit > cursor) {
      const std::uint8_t* from = bytes + (cursor - offset);
      mWaiting.emplace_hint(next, cursor,
                            Piece{std::vector<std::uint8_t>(from, from + (limit - cursor)), first});
      mWaitingBytes += static_cast<std::size_t>(limit - cursor);
      first = false;
    }
    if (next == mWaiting.end()) break;
    cursor = std::max(cursor, next->first + static_cast<std::int64_t>(next->second.bytes.size()));
    ++next;
  }
}

void Reassembler::deliver_waiting(StreamSink& sink) {
  while (!mWaiting.empty() && mWaiting.begin()->first == mNext) {
    const auto first = mWaiting.begin();
    const Piece& piece = first->second;
    sink.on_bytes(piece.bytes.data(), piece.bytes.size(), piece.segment_start);
    mNext += static_cast<std::int64_t>(piece.bytes.size());
    mWaitingBytes -= piece.bytes.size();
    mWaiting.erase(first);
  }
}

void Reassembler::skip_hole(StreamSink& sink) {
  const std::int64_t resume = mWaiting.begin()->first;
  sink.on_gap(static_cast<std::uint64_t>(resume - mNext));
  mNext = resume;
  deliver_waiting(sink);
}

}  // namespace capture
