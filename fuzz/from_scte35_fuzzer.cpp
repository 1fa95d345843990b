// SPDX-License-Identifier: MIT
// A flags byte (bit 0 --retime, bit 1 --ignore-crc, bit 2 --pts given), a
// frame rate (1 byte, taken modulo the rates an injector knows), a reference
// PTS (5 bytes, of which 33 bits count) and a section: a mark or a refusal,
// never a crash. Every mark decodes and translates to exactly one section;
// without --retime, for a section without pts_adjustment, stuffing or a
// legacy command length, that section is the input but for the header bits
// a mark does not carry.
#include <array>
#include <cstdlib>
#include <stdexcept>

#include "scte/scte35.h"
#include "scte/scte_104.h"

namespace {

namespace scte35 = scte_104::scte35;

constexpr std::array<scte_104::FrameRate, 8> kRates{
    {{24000, 1001}, {24, 1}, {25, 1}, {30000, 1001}, {30, 1}, {50, 1}, {60000, 1001}, {60, 1}}};

void check(bool holds) {
  if (!holds) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 7) return 0;
  scte35::MarkSettings settings;
  settings.retime = (data[0] & 1u) != 0;
  settings.ignore_crc = (data[0] & 2u) != 0;
  settings.reference_given = (data[0] & 4u) != 0;
  settings.scte35.frame_rate = kRates[data[1] % kRates.size()];
  for (std::size_t i = 2; i < 7; ++i) {
    settings.scte35.reference_pts = settings.scte35.reference_pts << 8u | data[i];
  }
  settings.scte35.reference_pts &= scte_104::kMaxPts;
  const std::uint8_t* section = data + 7;
  const std::size_t section_size = size - 7;
  const scte35::MarkOfSection mark = scte35::mark_of_section(section, section_size, settings);
  if (mark.refused()) {
    check(mark.message.empty() && !mark.reason.empty());
    return 0;
  }
  scte_104::MultipleOperationMessage message(mark.message);
  try {
    message.decode();
  } catch (const std::runtime_error&) {
    std::abort();
  }
  check(message.position() == mark.message.size());
  const scte35::Translation translation = scte35::translate(message, settings.scte35);
  check(translation.sections.size() == 1 && translation.problems.empty());
  if (settings.retime) return 0;
  const scte35::SectionRead read =
      scte35::read_section(section, section_size, scte35::UnreadableCommand::copy);
  check(!read.refused());
  const scte35::SpliceInfoSection& fields = read.section.fields;
  if (fields.pts_adjustment != 0 || !fields.alignment_stuffing.empty() ||
      fields.splice_command_length == 0xFFF) {
    return 0;
  }
  // The header bits a mark does not carry, as the translation writes them.
  scte_104::Bytes expected = read.section.bytes;
  expected[1] = static_cast<std::uint8_t>(0x30u | (expected[1] & 0x0Fu));
  expected[4] &= 0x81u;  // encryption_algorithm, meaningless in the clear
  expected[9] = 0xFF;   // cw_index
  const std::uint32_t crc = scte35::crc32_mpeg2(expected.data(), expected.size() - 4);
  for (std::size_t i = 0; i < 4; ++i) {
    expected[expected.size() - 4 + i] = static_cast<std::uint8_t>(crc >> (24 - 8 * i));
  }
  check(translation.sections[0].bytes == expected);
  return 0;
}
