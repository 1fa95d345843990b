// SPDX-License-Identifier: MIT
// A reference PTS (5 bytes, of which 33 bits count), a frame rate (1 byte,
// taken modulo the rates an injector knows) and a message: its sections
// never pass 4096 bytes, carry a CRC_32 that checks, and every length in
// them agrees with the bytes that follow it.
#include <array>
#include <cstdlib>
#include <stdexcept>
#include <vector>

#include "scte/scte35.h"
#include "scte/scte_104.h"

namespace {

constexpr std::array<scte_104::FrameRate, 8> kRates{
    {{24000, 1001}, {24, 1}, {25, 1}, {30000, 1001}, {30, 1}, {50, 1}, {60000, 1001}, {60, 1}}};

void check(bool holds) {
  if (!holds) std::abort();
}

std::size_t be(const std::vector<std::uint8_t>& b, std::size_t at, std::size_t bits) {
  const std::size_t value = std::size_t{b.at(at)} << 8u | b.at(at + 1);
  return value & ((std::size_t{1} << bits) - 1);
}

void check_section(const std::vector<std::uint8_t>& b) {
  check(b.size() >= 20 && b.size() <= 4096 && b[0] == 0xFC);
  check(be(b, 1, 12) == b.size() - 3);  // section_length
  const std::size_t command_length = be(b, 11, 12);
  const std::size_t loop_at = 14 + command_length;
  const std::size_t loop_length = be(b, loop_at, 16);
  check(loop_at + 2 + loop_length + 4 == b.size());
  for (std::size_t at = loop_at + 2; at < loop_at + 2 + loop_length; at += 2 + b.at(at + 1)) {
    check(at + 2 + b.at(at + 1) <= loop_at + 2 + loop_length);  // descriptor_length
  }
  const std::uint32_t crc = scte_104::scte35::crc32_mpeg2(b.data(), b.size() - 4);
  for (std::size_t i = 0; i < 4; ++i) check(b[b.size() - 4 + i] == ((crc >> (24 - 8 * i)) & 0xFFu));
  check(scte_104::scte35::crc32_mpeg2(b.data(), b.size()) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 6) return 0;
  scte_104::Scte35Settings settings;
  for (std::size_t i = 0; i < 5; ++i) settings.reference_pts = settings.reference_pts << 8u | data[i];
  settings.reference_pts &= scte_104::kMaxPts;
  settings.frame_rate = kRates[data[5] % kRates.size()];
  scte_104::MultipleOperationMessage message(data + 6, size - 6);
  try {
    message.decode();
  } catch (const std::runtime_error&) {
    return 0;
  }
  const scte_104::scte35::Translation translation = scte_104::scte35::translate(message, settings);
  for (const scte_104::scte35::Section& section : translation.sections) check_section(section.bytes);
  for (std::size_t i = 1; i < translation.problems.size(); ++i) {
    check(translation.problems[i - 1].operation < translation.problems[i].operation);
  }
  return 0;
}
