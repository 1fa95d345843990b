// SPDX-License-Identifier: MIT
// Message framing by messageSize, with the search for a new message start
// after a size that cannot be, or after missing bytes.
#include "scte/framer.h"

#include "scte/single_operation.h"

namespace scte_104 {
namespace {

constexpr std::size_t kHeaderSize = 4;  // opID or reserved, messageSize
// Held bytes before the consumed part are given back once they pass this.
constexpr std::size_t kCompactAt = 1u << 16;

std::uint16_t read16(const std::uint8_t* bytes) {
  return static_cast<std::uint16_t>(bytes[0] << 8u | bytes[1]);
}

std::uint16_t minimum_size(std::uint16_t op_id) {
  return op_id == kMultipleOperationMarker ? kMinMultipleOperationSize : kMinSingleOperationSize;
}

}  // namespace

bool looks_like_message_start(const std::uint8_t* header) {
  const std::uint16_t op_id = read16(header);
  const std::uint16_t size = read16(header + 2);
  if (op_id == kMultipleOperationMarker) return size >= kMinMultipleOperationSize;
  const bool basic = op_id <= AS_ALIVE_RESPONSE_DATA;
  const bool user_defined = op_id >= 0x8000 && op_id <= 0xBFFF;
  return (basic || user_defined) && size >= kMinSingleOperationSize;
}

void Framer::feed(const std::uint8_t* bytes, std::size_t size, bool segment_start) {
  if (size == 0) return;
  compact();
  // A start at the current message's own start is never a place to
  // resume, except when searching.
  if (segment_start && (end() > mPosition || mSearching)) mStarts.push_back(end());
  mBuffer.insert(mBuffer.end(), bytes, bytes + size);
}

void Framer::skip_gap() {
  mPosition = end();
  mStarts.clear();
  mSearching = true;
}

bool Framer::next(FramerEvent& event) {
  if (mSearching && !resume_search()) return false;
  if (end() - mPosition < kHeaderSize) return false;
  const std::uint8_t* header = at(mPosition);
  const std::uint16_t op_id = read16(header);
  const std::uint16_t size = read16(header + 2);
  if (size < minimum_size(op_id)) {
    // Where this message would have ended is unknown: look for the next
    // message after its start.
    event.kind = FramerEvent::Kind::framing_lost;
    event.op_id = op_id;
    event.message_size = size;
    mSearching = true;
    drop_starts_up_to(mPosition);
    return true;
  }
  if (end() - mPosition < size) return false;
  event.kind = FramerEvent::Kind::message;
  event.bytes = header;
  event.size = size;
  mPosition += size;
  drop_starts_up_to(mPosition);
  return true;
}

std::size_t Framer::finish() {
  const std::size_t leftover = mSearching ? 0 : static_cast<std::size_t>(end() - mPosition);
  mBase = end();
  mBuffer.clear();
  mPosition = mBase;
  mStarts.clear();
  mSearching = false;
  return leftover;
}

bool Framer::resume_search() {
  while (!mStarts.empty()) {
    const std::uint64_t candidate = mStarts.front();
    mPosition = candidate;  // the bytes before it are dropped
    if (end() - candidate < kHeaderSize) return false;
    mStarts.pop_front();
    if (looks_like_message_start(at(candidate))) {
      mSearching = false;
      return true;
    }
  }
  mPosition = end();
  return false;
}

void Framer::drop_starts_up_to(std::uint64_t offset) {
  while (!mStarts.empty() && mStarts.front() <= offset) mStarts.pop_front();
}

void Framer::compact() {
  const auto consumed = static_cast<std::size_t>(mPosition - mBase);
  if (consumed == mBuffer.size()) {
    mBuffer.clear();
    mBase = mPosition;
  } else if (consumed >= kCompactAt && consumed * 2 >= mBuffer.size()) {
    mBuffer.erase(mBuffer.begin(), mBuffer.begin() + static_cast<std::ptrdiff_t>(consumed));
    mBase = mPosition;
  }
}

}  // namespace scte_104
