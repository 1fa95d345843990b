// SPDX-License-Identifier: MIT
#include "ts/anc_record.h"

namespace ts {
namespace {

// Bits of a record before the user data words: '000000', the flag,
// line_number, horizontal_offset, DID, SDID, data_count.
constexpr std::size_t kHeaderBits = 6 + 1 + 11 + 12 + 10 + 10 + 10;
constexpr std::size_t kWordBits = 10;

// Reads bit fields, most significant bit first, from a byte position on.
// The caller has checked that the bits are there.
class BitReader {
 public:
  BitReader(const std::uint8_t* data, std::size_t byte) : mData(data), mBit(byte * 8) {}

  std::uint16_t read(unsigned bits) {
    std::uint32_t value = 0;
    for (unsigned i = 0; i < bits; ++i, ++mBit) {
      value = value << 1u | (static_cast<std::uint32_t>(mData[mBit / 8] >> (7 - mBit % 8)) & 1u);
    }
    return static_cast<std::uint16_t>(value);
  }

 private:
  const std::uint8_t* mData;
  std::size_t mBit;
};

bool odd_ones(unsigned value) {
  value ^= value >> 4u;
  value ^= value >> 2u;
  value ^= value >> 1u;
  return (value & 1u) != 0;
}

}  // namespace

bool word_parity_ok(std::uint16_t word) {
  const bool bit8 = (word >> 8u & 1u) != 0;
  const bool bit9 = (word >> 9u & 1u) != 0;
  return bit8 == odd_ones(word & 0xFFu) && bit9 != bit8;
}

WordCheck check_anc_words(const std::uint16_t* words, std::size_t count) {
  if (count == 0) return WordCheck::checksum;
  unsigned sum = 0;
  for (std::size_t i = 0; i + 1 < count; ++i) {
    if (!word_parity_ok(words[i])) return WordCheck::parity;
    sum += words[i] & 0x1FFu;
  }
  const std::uint16_t checksum = words[count - 1];
  const bool bit8 = (checksum >> 8u & 1u) != 0;
  const bool bit9 = (checksum >> 9u & 1u) != 0;
  if ((checksum & 0x1FFu) != (sum & 0x1FFu) || bit9 == bit8) return WordCheck::checksum;
  return WordCheck::ok;
}

bool AncRecordReader::next(AncRecord& record) {
  if (mError != AncReadError::none) return false;
  while (mPosition < mSize && mData[mPosition] == 0xFF) ++mPosition;  // stuffing
  if (mPosition >= mSize) return false;
  if ((mData[mPosition] & 0xFCu) != 0) {
    mError = AncReadError::leading_bits;
    return false;
  }
  const std::size_t bits_left = (mSize - mPosition) * 8;
  if (bits_left < kHeaderBits) {
    mError = AncReadError::cut;
    return false;
  }
  BitReader bits(mData, mPosition);
  bits.read(6);
  record.c_not_y_channel_flag = static_cast<std::uint8_t>(bits.read(1));
  record.line_number = bits.read(11);
  record.horizontal_offset = bits.read(12);
  std::uint16_t words[4 + 255];
  words[0] = bits.read(10);  // DID
  words[1] = bits.read(10);  // SDID
  words[2] = bits.read(10);  // data_count
  const std::size_t count = words[2] & 0xFFu;
  const std::size_t record_bits = kHeaderBits + (count + 1) * kWordBits;
  if (bits_left < record_bits) {
    mError = AncReadError::cut;
    return false;
  }
  record.user_data.resize(count);
  for (std::size_t i = 0; i < count; ++i) {
    words[3 + i] = bits.read(10);
    record.user_data[i] = static_cast<std::uint8_t>(words[3 + i]);
  }
  words[3 + count] = bits.read(10);  // checksum_word
  record.did = static_cast<std::uint8_t>(words[0]);
  record.sdid = static_cast<std::uint8_t>(words[1]);
  record.check = check_anc_words(words, count + 4);
  mPosition += (record_bits + 7) / 8;
  return true;
}

}  // namespace ts
