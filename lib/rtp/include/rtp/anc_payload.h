// SPDX-License-Identifier: MIT
// The RFC 8331 payload of an ST 2110-40 RTP packet: an 8-byte payload
// header, then ANC_Count ANC packets, each starting on a 32-bit boundary
// counted from the start of the ANC data, their 10-bit words packed
// without gaps and padded with 0 bits (word_align) to the next boundary.
#ifndef SCTE104_RTP_ANC_PAYLOAD_H
#define SCTE104_RTP_ANC_PAYLOAD_H

#include <array>
#include <cstddef>
#include <cstdint>

#include "ts/anc_record.h"

namespace rtp {

constexpr std::size_t kPayloadHeaderSize = 8;

// F: which field of an interlaced frame the ANC data belongs to.
enum class Field : std::uint8_t { progressive = 0, invalid = 1, field_1 = 2, field_2 = 3 };

struct PayloadHeader {
  std::uint16_t extended_sequence = 0;  // the high 16 bits of the sequence number
  std::uint16_t length = 0;             // bytes of ANC data after this header
  std::uint8_t anc_count = 0;
  Field field = Field::progressive;
  std::uint32_t reserved = 0;  // 22 bits, 0
};

// What is wrong with a payload header, the first rule that fails.
enum class PayloadHeaderFault { none, reserved, length, invalid_field };

// Reads the payload header; false when the payload holds fewer than 8 bytes.
bool read_payload_header(const std::uint8_t* payload, std::size_t size, PayloadHeader& header);
// Checks it against the `size` bytes of the whole payload.
PayloadHeaderFault check_payload_header(const PayloadHeader& header, std::size_t size);

// The result of the ST 291 word checks on one ANC packet, as for ST 2038.
using WordCheck = ts::WordCheck;

struct AncPacket {
  bool c_not_y_channel_flag = false;
  std::uint16_t line_number = 0;
  std::uint16_t horizontal_offset = 0;
  bool stream_flag = false;  // S: StreamNum is meaningful
  std::uint8_t stream_num = 0;
  std::uint8_t did = 0;  // bits 7-0 of each word
  std::uint8_t sdid = 0;
  std::uint8_t data_count = 0;
  const std::uint8_t* user_data = nullptr;  // data_count bytes, valid until the next read
  WordCheck check = WordCheck::ok;
};

// The ANC packets of one payload, one after the other.
class AncPacketReader {
 public:
  enum class Next {
    packet,  // one more ANC packet, read whole
    cut,     // the next one does not fit in the ANC data: the rest is dropped
    extra,   // ANC_Count packets read, but bytes are left
    end,     // ANC_Count packets read and nothing left
  };

  // `data` is the ANC data after the payload header, `size` its Length.
  AncPacketReader(const std::uint8_t* data, std::size_t size, std::uint8_t count)
      : mData(data), mSize(size), mLeft(count) {}

  Next next(AncPacket& packet);

 private:
  const std::uint8_t* mData;
  std::size_t mSize;
  std::size_t mAt = 0;
  std::uint8_t mLeft;
  bool mDone = false;
  std::array<std::uint8_t, 255> mUserData{};
};

// The bytes an ANC packet of `user_words` user data words takes: 72 bits of
// fields and words plus 10 a word, rounded up to whole 32-bit words.
constexpr std::size_t anc_packet_size(std::size_t user_words) {
  return (72 + 10 * user_words + 31) / 32 * 4;
}

}  // namespace rtp

#endif  // SCTE104_RTP_ANC_PAYLOAD_H
