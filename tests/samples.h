// SPDX-License-Identifier: MIT
// Sample messages shared by the tests, written as hexadecimal from the
// field layout (no lead byte).
#ifndef SCTE104_TESTS_SAMPLES_H
#define SCTE104_TESTS_SAMPLES_H

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "scte/scte_104.h"

namespace samples {

// The help example: time type 0, one splice request.
constexpr const char* kHelpExample = "ffff001e0000ab00000000" "01" "0101000e" "01400002b4000001e004b0000000";
// A proprietary command (data_length 6), then a splice request.
constexpr const char* kProprietaryThenSplice =
    "ffff00280000010000000002" "010c00060000002a0741" "0101000e03ffffffffabcd00010002050607";
// UTC and time code timestamps, no operations.
constexpr const char* kUtcTimestamp = "ffff0012000000000000" "01" "000001001234" "00";
constexpr const char* kTimeCodeTimestamp = "ffff0010000000000000" "02" "01020304" "00";
// GPI timestamp; time_signal, a segmentation descriptor with a 17-byte UPID
// and a splice request.
constexpr const char* kSegmentation =
    "ffff004700000000000003050103" "0104000205dc"
    "010b00230000000100001e0111534f4d455754465550494449534845524520010a0f0101010101"
    "0101000e01400002b4000001e004b0000000";

inline std::vector<std::uint8_t> bytes(const std::string& hex) {
  std::vector<std::uint8_t> out;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    out.push_back(static_cast<std::uint8_t>(std::stoul(hex.substr(i, 2), nullptr, 16)));
  }
  return out;
}

// Bytes as lowercase hexadecimal.
inline std::string hex(const std::uint8_t* data, std::size_t size) {
  std::string text;
  for (std::size_t i = 0; i < size; ++i) {
    text += "0123456789abcdef"[data[i] >> 4u];
    text += "0123456789abcdef"[data[i] & 15u];
  }
  return text;
}
inline std::string hex(const std::vector<std::uint8_t>& bytes) { return hex(bytes.data(), bytes.size()); }

// An 8-bit value as an ST 291 10-bit word: even parity in bit 8, its inverse in bit 9.
inline std::uint16_t anc_word(unsigned value) {
  unsigned parity = 0;
  for (unsigned v = value & 0xFFu; v != 0; v >>= 1u) parity ^= v & 1u;
  return static_cast<std::uint16_t>((value & 0xFFu) | parity << 8u | (parity ^ 1u) << 9u);
}

// The words of an ANC packet: DID, SDID, Data_Count, the user data words,
// then the checksum (the 9-bit sum, bit 9 the inverse of bit 8).
inline std::vector<std::uint16_t> anc_words(unsigned did, unsigned sdid,
                                            const std::vector<unsigned>& data) {
  std::vector<std::uint16_t> words = {anc_word(did), anc_word(sdid),
                                      anc_word(static_cast<unsigned>(data.size()))};
  for (const unsigned value : data) words.push_back(anc_word(value));
  unsigned sum = 0;
  for (const std::uint16_t w : words) sum += w & 0x1FFu;
  sum &= 0x1FFu;
  words.push_back(static_cast<std::uint16_t>(sum | ((sum >> 8u) ^ 1u) << 9u));
  return words;
}

// Fields of any width packed most significant bit first, as ANC data lays them out.
class BitWriter {
 public:
  void put(unsigned width, unsigned value) {
    for (unsigned i = width; i-- > 0;) mBits.push_back((value >> i & 1u) != 0);
  }
  void put_words(const std::vector<std::uint16_t>& words) {
    for (const std::uint16_t w : words) put(10, w);
  }
  // Pads with `bit` up to a multiple of `boundary` bits.
  void align(std::size_t boundary, bool bit) {
    while (mBits.size() % boundary != 0) mBits.push_back(bit);
  }
  std::vector<std::uint8_t> bytes() const {
    std::vector<std::uint8_t> out(mBits.size() / 8);
    for (std::size_t i = 0; i < mBits.size(); ++i) {
      if (mBits[i]) out[i / 8] = static_cast<std::uint8_t>(out[i / 8] | 0x80u >> (i % 8));
    }
    return out;
  }

 private:
  std::vector<bool> mBits;
};

// An SCTE 35 section with its last four bytes set to the CRC_32 of the
// bytes before them.
inline std::vector<std::uint8_t> with_crc(std::vector<std::uint8_t> section) {
  std::uint32_t crc = 0xFFFFFFFFu;  // CRC-32/MPEG-2, bit by bit
  for (std::size_t i = 0; i + 4 < section.size(); ++i) {
    crc ^= std::uint32_t{section[i]} << 24u;
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 0x80000000u) != 0 ? crc << 1u ^ 0x04C11DB7u : crc << 1u;
  }
  for (std::size_t i = 0; i < 4; ++i) {
    section[section.size() - 4 + i] = static_cast<std::uint8_t>(crc >> (24 - 8 * i));
  }
  return section;
}

// A message over `bytes`, decoded (a message cannot be moved, so it comes
// behind a pointer).
inline std::unique_ptr<scte_104::MultipleOperationMessage> decoded(
    const std::vector<std::uint8_t>& bytes) {
  auto message = std::make_unique<scte_104::MultipleOperationMessage>(bytes.data(), bytes.size());
  message->decode();
  return message;
}

}  // namespace samples

#endif  // SCTE104_TESTS_SAMPLES_H
