// SPDX-License-Identifier: MIT
// The RTP fixed header (RFC 3550) and where its payload lies: after the
// CSRC list and the header extension, before the padding.
#ifndef SCTE104_RTP_RTP_PACKET_H
#define SCTE104_RTP_RTP_PACKET_H

#include <cstddef>
#include <cstdint>

namespace rtp {

struct RtpPacket {
  bool marker = false;
  std::uint8_t payload_type = 0;
  std::uint16_t sequence = 0;
  std::uint32_t timestamp = 0;
  std::uint32_t ssrc = 0;
  const std::uint8_t* payload = nullptr;
  std::size_t payload_size = 0;
};

// Reads an RTP packet out of a UDP payload. False when it is none: fewer
// than 12 bytes, a version other than 2, CSRCs or an extension past the
// end, or padding whose count is 0 or eats into the header.
bool read_rtp_packet(const std::uint8_t* data, std::size_t size, RtpPacket& packet);

}  // namespace rtp

#endif  // SCTE104_RTP_RTP_PACKET_H
