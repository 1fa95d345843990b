// SPDX-License-Identifier: MIT
#include "rtp/rtp_packet.h"

namespace rtp {
namespace {

constexpr std::size_t kFixedHeaderSize = 12;
constexpr unsigned kVersion = 2;

std::uint16_t u16(const std::uint8_t* at) {
  return static_cast<std::uint16_t>(at[0] << 8u | at[1]);
}
std::uint32_t u32(const std::uint8_t* at) {
  return static_cast<std::uint32_t>(u16(at)) << 16u | u16(at + 2);
}

}  // namespace

bool read_rtp_packet(const std::uint8_t* data, std::size_t size, RtpPacket& packet) {
  if (size < kFixedHeaderSize || data[0] >> 6u != kVersion) return false;
  const bool padding = (data[0] & 0x20u) != 0;
  const bool extension = (data[0] & 0x10u) != 0;
  const std::size_t csrc_count = data[0] & 0x0Fu;
  std::size_t header_size = kFixedHeaderSize + 4 * csrc_count;
  if (extension) {
    // 16 bits defined by profile, 16 bits of length in 32-bit words.
    if (size < header_size + 4) return false;
    header_size += 4 + 4 * std::size_t{u16(data + header_size + 2)};
  }
  if (size < header_size) return false;
  std::size_t padding_size = 0;
  if (padding) {
    // The last byte counts the padding, itself included.
    padding_size = data[size - 1];
    if (padding_size == 0 || size - header_size < padding_size) return false;
  }
  packet.marker = (data[1] & 0x80u) != 0;
  packet.payload_type = data[1] & 0x7Fu;
  packet.sequence = u16(data + 2);
  packet.timestamp = u32(data + 4);
  packet.ssrc = u32(data + 8);
  packet.payload = data + header_size;
  packet.payload_size = size - header_size - padding_size;
  return true;
}

}  // namespace rtp
