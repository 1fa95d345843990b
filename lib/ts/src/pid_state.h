// SPDX-License-Identifier: MIT
// What the demuxer keeps for each PID it reads: the continuity counter and
// the one section or PES being put together.
#ifndef SCTE104_TS_PID_STATE_H
#define SCTE104_TS_PID_STATE_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include "ts/demuxer.h"

namespace ts {

enum class Demuxer::PidKind : std::uint8_t {
  pat,     // PID 0
  pmt,     // named by the PAT
  scte35,  // stream_type 0x86
  anc,     // stream_type 0x06 with the "VANC" registration
  forced,  // --pid: a PES or a section PID, as each unit start says
};

struct Demuxer::PidState {
  PidKind kind = PidKind::pat;
  int continuity = -1;  // none yet
  // A forced PID's kind of payload, once a unit start told it.
  enum class Payload : std::uint8_t { unknown, sections, pes } payload = Payload::unknown;
  bool in_section = false;
  std::vector<std::uint8_t> section;
  bool in_pes = false;
  std::size_t pes_size = 0;  // 6 + PES_packet_length; 0 when that is 0
  std::vector<std::uint8_t> pes;
};

// CRC-32/MPEG-2 of the bytes: polynomial 0x04C11DB7, initial value
// 0xFFFFFFFF, not reflected, no final XOR. Over a section with its CRC_32
// it is 0 when the section is sound.
std::uint32_t crc32_mpeg2(const std::uint8_t* data, std::size_t size);

}  // namespace ts

#endif  // SCTE104_TS_PID_STATE_H
