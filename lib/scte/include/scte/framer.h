// SPDX-License-Identifier: MIT
// Cuts one direction of an SCTE 104 TCP connection into whole messages.
// Messages of both kinds follow each other with no delimiter: bytes 2-3 of
// each give its size. When a size is impossible, or bytes went missing,
// the framer searches for the next message at the places where TCP segments
// began, since senders write one or more whole messages per segment.
#ifndef SCTE104_FRAMER_H
#define SCTE104_FRAMER_H

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

#include "scte/export.h"

namespace scte_104 {

struct FramerEvent {
  enum class Kind { message, framing_lost };
  Kind kind = Kind::message;
  // message: its messageSize bytes, valid until the next feed().
  const std::uint8_t* bytes = nullptr;
  std::size_t size = 0;
  // framing_lost: the header that could not be a message.
  std::uint16_t op_id = 0;
  std::uint16_t message_size = 0;
};

// Whether 4 bytes look like the start of a message: a
// multiple_operation_message() of at least 12 bytes, or a Basic or user
// defined single_operation_message() of at least 13.
SCTE_104_API bool looks_like_message_start(const std::uint8_t* header);

class SCTE_104_API Framer {
 public:
  // Appends bytes that follow those fed before. `segment_start` says a TCP
  // segment's payload begins at the first of them: a place where search
  // mode may resume.
  void feed(const std::uint8_t* bytes, std::size_t size, bool segment_start);

  // Bytes are missing before what comes next: what is held is dropped and
  // the framer searches for the next message start.
  void skip_gap();

  // The next message or framing_lost event out of what was fed; false when
  // more bytes are needed first.
  bool next(FramerEvent& event);

  // Ends the direction: the number of held bytes that are no whole message,
  // 0 in search mode (those are dropped silently). The framer is empty
  // afterwards.
  std::size_t finish();

  bool searching() const { return mSearching; }
  // The bytes held of the message being framed, from its first (none in
  // search mode): its header once 4 are there.
  std::size_t held() const { return mSearching ? 0 : static_cast<std::size_t>(end() - mPosition); }
  const std::uint8_t* held_bytes() const { return at(mPosition); }

 private:
  std::uint64_t end() const { return mBase + mBuffer.size(); }
  const std::uint8_t* at(std::uint64_t offset) const { return mBuffer.data() + (offset - mBase); }
  // Moves to the first segment start that looks like a message; false
  // while that cannot be told yet (or none is held).
  bool resume_search();
  void drop_starts_up_to(std::uint64_t offset);
  void compact();

  // Held bytes; mBuffer[0] is at stream offset mBase.
  std::vector<std::uint8_t> mBuffer;
  std::uint64_t mBase = 0;
  std::uint64_t mPosition = 0;        // start of the current message
  std::deque<std::uint64_t> mStarts;  // segment starts after mPosition, in order
  bool mSearching = false;
};

}  // namespace scte_104

#endif  // SCTE104_FRAMER_H
