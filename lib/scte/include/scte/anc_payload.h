// SPDX-License-Identifier: MIT
// SCTE 104 messages carried as ANC data (SMPTE ST 2010): the ANC packets
// with DID 0x41 and SDID 0x07 whose user data words are a payload
// descriptor byte and then message bytes. A message longer than one ANC
// packet holds is cut over several, one per frame, and joined here, one
// stream of parts per key (a transport stream PID, an RTP stream).
#ifndef SCTE104_ANC_PAYLOAD_H
#define SCTE104_ANC_PAYLOAD_H

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <vector>

#include "scte/export.h"

namespace scte_104 {

// The DID and SDID (bits 7-0) of an ANC packet that carries SCTE 104.
constexpr std::uint8_t kScte104Did = 0x41;
constexpr std::uint8_t kScte104Sdid = 0x07;

// payload_descriptor: bits 7-5 reserved (0), bits 4-3 version (1), then
// the three flags. A whole message in one packet has 0x08.
constexpr std::uint8_t kPayloadContinued = 0x04;
constexpr std::uint8_t kPayloadFollowing = 0x02;
constexpr std::uint8_t kPayloadDuplicate = 0x01;

// False when reserved bits are set or the version is not 1.
SCTE_104_API bool payload_descriptor_valid(std::uint8_t descriptor);

// What one ANC packet's user data made happen, in the order to report it.
struct AncPayloadEvent {
  enum class Kind {
    payload_descriptor,    // `value`: reserved bits set or version not 1; the packet is still used
    fragment_orphan,       // a middle part with nothing waiting: dropped
    fragment_interrupted,  // `bytes` waiting were dropped
    message,               // a whole message: `data`, `size`, ...
    bad_message,           // `bytes` joined that are no SCTE 104 message
  };
  Kind kind = Kind::message;
  std::uint8_t value = 0;
  std::size_t bytes = 0;
  // message: its messageSize bytes, valid until the next add().
  const std::uint8_t* data = nullptr;
  std::size_t size = 0;
  bool multiple = false;                // starts 0xFFFF: a multiple_operation_message()
  std::uint8_t payload_descriptor = 0;  // of the first part
  std::size_t fragments = 0;            // ANC packets joined
  bool duplicate = false;               // duplicate_msg of the first part: a copy, no new mark
};

// Joins the parts of messages, per key. Two readings of the flags are met:
// first 0x0C, middle 0x0E, last 0x0A (broadcast equipment), and first 0x0A,
// last 0x0C. Both are taken: with nothing waiting, a part with exactly one
// of the continued and following flags starts a message and says which
// reading it follows; a part with both is a middle part; a part with the
// other single flag is the last. The descriptor byte of each part is
// dropped and the parts are joined in arrival order. The joined bytes are
// a multiple_operation_message() when they start 0xFFFF, else a
// single_operation_message(), cut to their messageSize.
class SCTE_104_API AncPayloadJoiner {
 public:
  // Takes the user data words (bits 7-0) of one SCTE 104 ANC packet of
  // stream `key` (at least one byte: the descriptor) and replaces `events`
  // with what it made happen.
  void add(std::uint64_t key, const std::uint8_t* user_data, std::size_t size,
           std::vector<AncPayloadEvent>& events);

  // Ends stream `key`: the bytes of the parts still waiting, now dropped,
  // or nothing when no part waits.
  std::optional<std::size_t> finish(std::uint64_t key);

  // The keys with parts waiting, in increasing order.
  std::vector<std::uint64_t> waiting_keys() const;

 private:
  struct Waiting {
    std::uint8_t first_flag = 0;  // kPayloadContinued or kPayloadFollowing
    std::uint8_t payload_descriptor = 0;
    std::size_t fragments = 0;
    std::size_t bytes = 0;           // joined so far
    std::vector<std::uint8_t> data;  // at most the largest message is kept
  };
  void complete(const Waiting& parts, const std::uint8_t* data,
                std::vector<AncPayloadEvent>& events);

  std::map<std::uint64_t, Waiting> mWaiting;
  std::vector<std::uint8_t> mMessage;
};

}  // namespace scte_104

#endif  // SCTE104_ANC_PAYLOAD_H
