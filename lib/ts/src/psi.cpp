// SPDX-License-Identifier: MIT
// Program Specific Information: the PAT names the PMT PIDs, the PMTs name
// the elementary streams worth reading.
#include <array>

#include "pid_state.h"

namespace ts {
namespace {

constexpr std::uint8_t kSpliceStreamType = 0x86;   // SCTE 35
constexpr std::uint8_t kPrivateStreamType = 0x06;  // PES private data: ST 2038 among others
constexpr std::uint8_t kRegistrationTag = 0x05;
constexpr std::uint32_t kVancIdentifier = 0x56414E43;  // "VANC"
constexpr std::size_t kCrcSize = 4;
// table_id (8), flags and section_length (16), then 5 bytes up to
// last_section_number: where a PAT's or PMT's body starts.
constexpr std::size_t kLongHeaderSize = 8;

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

unsigned pid_at(const std::uint8_t* bytes) {
  return (bytes[0] & 0x1Fu) << 8u | bytes[1];
}

unsigned length_at(const std::uint8_t* bytes) {  // a 12-bit length after 4 bits
  return (bytes[0] & 0x0Fu) << 8u | bytes[1];
}

// True when the descriptors hold a registration_descriptor for "VANC".
bool registers_vanc(const std::uint8_t* descriptors, std::size_t size) {
  std::size_t at = 0;
  while (at + 2 <= size) {
    const std::uint8_t tag = descriptors[at];
    const std::size_t length = descriptors[at + 1];
    if (at + 2 + length > size) break;
    if (tag == kRegistrationTag && length >= 4) {
      const std::uint8_t* id = descriptors + at + 2;
      const std::uint32_t format_identifier =
          std::uint32_t{id[0]} << 24u | std::uint32_t{id[1]} << 16u | std::uint32_t{id[2]} << 8u |
          id[3];
      if (format_identifier == kVancIdentifier) return true;
    }
    at += 2 + length;
  }
  return false;
}

}  // namespace

std::uint32_t crc32_mpeg2(const std::uint8_t* data, std::size_t size) {
  std::uint32_t crc = 0xFFFFFFFFu;
  for (std::size_t i = 0; i < size; ++i) {
    crc = (crc << 8u) ^ kCrcTable.entries[((crc >> 24u) ^ data[i]) & 0xFFu];
  }
  return crc;
}

// program_number (16), reserved (3) + PID (13), up to the CRC_32. Program 0
// names the network PID, which holds nothing for us.
void Demuxer::read_pat(const std::uint8_t* section, std::size_t size) {
  if (size < kLongHeaderSize + kCrcSize) return;
  for (std::size_t at = kLongHeaderSize; at + 4 <= size - kCrcSize; at += 4) {
    const unsigned program_number = unsigned{section[at]} << 8u | section[at + 1];
    if (program_number != 0) add_pid(static_cast<std::uint16_t>(pid_at(section + at + 2)), PidKind::pmt);
  }
}

// PCR_PID (bytes 8-9), program_info_length (10-11), the program
// descriptors, then per stream: stream_type (8), reserved (3) +
// elementary_PID (13), reserved (4) + ES_info_length (12), descriptors.
void Demuxer::read_pmt(const std::uint8_t* section, std::size_t size) {
  constexpr std::size_t kProgramInfoAt = 10;
  if (size < kProgramInfoAt + 2 + kCrcSize) return;
  const std::size_t end = size - kCrcSize;
  std::size_t at = kProgramInfoAt + 2 + length_at(section + kProgramInfoAt);
  while (at + 5 <= end) {
    const std::uint8_t stream_type = section[at];
    const auto pid = static_cast<std::uint16_t>(pid_at(section + at + 1));
    const std::size_t info_length = length_at(section + at + 3);
    const std::size_t info_at = at + 5;
    if (info_at + info_length > end) break;
    if (stream_type == kSpliceStreamType) {
      add_pid(pid, PidKind::scte35);
    } else if (stream_type == kPrivateStreamType &&
               registers_vanc(section + info_at, info_length)) {
      add_pid(pid, PidKind::anc);
    }
    at = info_at + info_length;
  }
}

}  // namespace ts
