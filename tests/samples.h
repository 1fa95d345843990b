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
