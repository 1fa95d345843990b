// SPDX-License-Identifier: MIT
// splice_info_section() to bytes: the lengths come from the fields they
// count, and CRC_32 from every byte before it.
#include <array>
#include <utility>

#include "bit_writer.h"
#include "scte/scte35.h"

namespace scte_104::scte35 {
namespace {

// The bytes from protocol_version through splice_command_type.
constexpr std::size_t kFixedPartSize = 11;
constexpr std::size_t kCrcSize = 4;

struct CrcTable {
  std::array<std::uint32_t, 256> entries{};
  constexpr CrcTable() {
    for (std::uint32_t byte = 0; byte < 256; ++byte) {
      std::uint32_t crc = byte << 24u;
      for (int bit = 0; bit < 8; ++bit) {
        crc = (crc & 0x80000000u) != 0 ? (crc << 1u) ^ 0x04C11DB7u : crc << 1u;
      }
      entries[byte] = crc;
    }
  }
};
constexpr CrcTable kCrcTable;

}  // namespace

std::uint32_t crc32_mpeg2(const std::uint8_t* data, std::size_t size) {
  std::uint32_t crc = 0xFFFFFFFFu;
  for (std::size_t i = 0; i < size; ++i) {
    crc = (crc << 8u) ^ kCrcTable.entries[((crc >> 24u) ^ data[i]) & 0xFFu];
  }
  return crc;
}

std::size_t write_section(SpliceInfoSection& section, std::uint8_t* out, std::size_t capacity) {
  const std::size_t command_size =
      std::visit([](const auto& command) { return wire_size(command); }, section.splice_command);
  std::size_t loop_size = 0;
  for (const SpliceDescriptor& descriptor : section.descriptors) {
    loop_size += std::visit([](const auto& d) { return wire_size(d); }, descriptor);
  }
  section.splice_command_length = static_cast<std::uint16_t>(command_size & 0xFFFu);
  section.descriptor_loop_length = static_cast<std::uint16_t>(loop_size);
  const std::size_t section_length = kFixedPartSize + command_size + 2 + loop_size + kCrcSize;
  section.section_length = static_cast<std::uint16_t>(section_length & 0xFFFu);
  const std::size_t size = 3 + section_length;
  if (size > capacity) return 0;

  BitWriter writer(out, size);
  section.CRC_32 = 0;
  std::as_const(section).for_each_field(writer);
  section.CRC_32 = crc32_mpeg2(out, size - kCrcSize);
  for (std::size_t i = 0; i < kCrcSize; ++i) {
    out[size - kCrcSize + i] = static_cast<std::uint8_t>(section.CRC_32 >> (24u - 8u * i));
  }
  return size;
}

Bytes write_section(SpliceInfoSection& section) {
  // The size first (the lengths need it anyway), then one buffer of it.
  std::size_t size = 3 + kFixedPartSize + 2 + kCrcSize;
  size += std::visit([](const auto& command) { return wire_size(command); }, section.splice_command);
  for (const SpliceDescriptor& descriptor : section.descriptors) {
    size += std::visit([](const auto& d) { return wire_size(d); }, descriptor);
  }
  Bytes bytes(size);
  write_section(section, bytes.data(), bytes.size());
  return bytes;
}

}  // namespace scte_104::scte35
