// SPDX-License-Identifier: MIT
#include "rtp/anc_payload.h"

namespace rtp {
namespace {

// Bits taken most significant first out of bytes known to hold them.
class BitReader {
 public:
  explicit BitReader(const std::uint8_t* data) : mData(data) {}

  std::uint32_t bits(unsigned count) {
    std::uint32_t value = 0;
    for (unsigned i = 0; i < count; ++i, ++mBit) {
      const unsigned byte = mData[mBit / 8];
      const unsigned bit = byte >> (7u - static_cast<unsigned>(mBit % 8u)) & 1u;
      value = value << 1u | bit;
    }
    return value;
  }

 private:
  const std::uint8_t* mData;
  std::size_t mBit = 0;
};

std::uint8_t low_byte(std::uint16_t word) { return static_cast<std::uint8_t>(word & 0xFFu); }

}  // namespace

bool read_payload_header(const std::uint8_t* payload, std::size_t size, PayloadHeader& header) {
  if (size < kPayloadHeaderSize) return false;
  header.extended_sequence = static_cast<std::uint16_t>(payload[0] << 8u | payload[1]);
  header.length = static_cast<std::uint16_t>(payload[2] << 8u | payload[3]);
  header.anc_count = payload[4];
  header.field = static_cast<Field>(payload[5] >> 6u);
  header.reserved =
      (payload[5] & 0x3Fu) << 16u | static_cast<std::uint32_t>(payload[6] << 8u | payload[7]);
  return true;
}

PayloadHeaderFault check_payload_header(const PayloadHeader& header, std::size_t size) {
  if (header.reserved != 0) return PayloadHeaderFault::reserved;
  if (header.length != size - kPayloadHeaderSize) return PayloadHeaderFault::length;
  if (header.field == Field::invalid) return PayloadHeaderFault::invalid_field;
  return PayloadHeaderFault::none;
}

AncPacketReader::Next AncPacketReader::next(AncPacket& packet) {
  if (mDone) return Next::end;
  if (mLeft == 0) {
    mDone = true;
    return mAt < mSize ? Next::extra : Next::end;
  }
  // The fields up to Data_Count take 62 bits.
  constexpr std::size_t kFixedBytes = 8;
  const std::size_t left = mSize - mAt;
  if (left < kFixedBytes) {
    mDone = true;
    return Next::cut;
  }
  BitReader bits(mData + mAt);
  packet.c_not_y_channel_flag = bits.bits(1) != 0;
  packet.line_number = static_cast<std::uint16_t>(bits.bits(11));
  packet.horizontal_offset = static_cast<std::uint16_t>(bits.bits(12));
  packet.stream_flag = bits.bits(1) != 0;
  packet.stream_num = static_cast<std::uint8_t>(bits.bits(7));
  // DID, SDID, Data_Count, the user data words, Checksum_Word.
  std::array<std::uint16_t, 3 + 255 + 1> words{};
  for (std::size_t i = 0; i < 3; ++i) words[i] = static_cast<std::uint16_t>(bits.bits(10));
  const std::size_t count = low_byte(words[2]);
  const std::size_t size = anc_packet_size(count);
  if (size > left) {
    mDone = true;
    return Next::cut;
  }
  for (std::size_t i = 3; i < count + 4; ++i) words[i] = static_cast<std::uint16_t>(bits.bits(10));
  packet.did = low_byte(words[0]);
  packet.sdid = low_byte(words[1]);
  packet.data_count = static_cast<std::uint8_t>(count);
  for (std::size_t i = 0; i < count; ++i) mUserData[i] = low_byte(words[3 + i]);
  packet.user_data = mUserData.data();
  packet.check = ts::check_anc_words(words.data(), count + 4);
  mAt += size;
  --mLeft;
  return Next::packet;
}

}  // namespace rtp
