// SPDX-License-Identifier: MIT
// The limits of the SCTE 35 translation, each on both sides: counts and
// lengths that just fit their fields, and those that do not.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "samples.h"
#include "scte/scte35.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
namespace scte35 = scte_104::scte35;

// A message of time type 0 holding the operations, given as opID and data.
Bytes message(const std::vector<std::pair<std::uint16_t, Bytes>>& ops) {
  Bytes m = {0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0, 0, static_cast<std::uint8_t>(ops.size())};
  for (const auto& [id, data] : ops) {
    m.insert(m.end(), {static_cast<std::uint8_t>(id >> 8u), static_cast<std::uint8_t>(id),
                       static_cast<std::uint8_t>(data.size() >> 8u),
                       static_cast<std::uint8_t>(data.size())});
    m.insert(m.end(), data.begin(), data.end());
  }
  return m;
}

scte35::Translation translate(const Bytes& bytes) {
  return scte35::translate(*samples::decoded(bytes), scte_104::Scte35Settings{});
}

const Bytes kSpliceStart = samples::bytes("01" "00000001" "0000" "0064" "0000" "0000" "00");
const Bytes kTimeSignal = {0, 0};

TEST(scte35, crc_32_mpeg_2_check_value) {
  const std::string text = "123456789";
  EXPECT_EQ(scte35::crc32_mpeg2(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()),
            0x0376E6E7u);
}

TEST(scte35, component_count_holds_255_components_not_256) {
  for (const std::size_t count : {std::size_t{255}, std::size_t{256}}) {
    const Bytes components(3 * count, 1);
    const auto t = translate(message({{0x0101, kSpliceStart}, {0x0106, components}}));
    ASSERT_EQ(t.sections.size(), 1u);
    const auto& insert = std::get<scte35::SpliceInsert>(t.sections[0].fields.splice_command);
    EXPECT_EQ(insert.components.size(), count == 255 ? 255u : 0u);
    EXPECT_EQ(t.problems.size(), count == 255 ? 0u : 1u);
  }
}

TEST(scte35, descriptor_length_holds_255_bytes_not_256) {
  // A segmentation descriptor without a duration: 15 bytes after its length, plus the UPID.
  for (const std::size_t upid : {std::size_t{240}, std::size_t{241}}) {
    Bytes data = samples::bytes("00000001" "00" "0000" "01");
    data.push_back(static_cast<std::uint8_t>(upid));
    data.insert(data.end(), upid, 0x55);
    data.insert(data.end(), {0x30, 1, 1});
    const auto t = translate(message({{0x0104, kTimeSignal}, {0x010B, data}}));
    ASSERT_EQ(t.sections.size(), 1u);
    const auto& descriptors = t.sections[0].fields.descriptors;
    ASSERT_EQ(descriptors.size(), upid == 240 ? 1u : 0u) << upid;
    EXPECT_EQ(t.problems.size(), upid == 240 ? 0u : 1u) << upid;
    if (upid == 240) {
      EXPECT_EQ(std::get<scte35::SegmentationDescriptor>(descriptors[0]).descriptor_length, 255);
      EXPECT_EQ(t.sections[0].bytes[22], 255);  // after the header, command, loop length and tag
    }
  }
}

TEST(scte35, written_fields_keep_their_widths) {
  // A 40-bit duration and 33-bit times at the top of their ranges, and all flags set.
  const Bytes segmentation = samples::bytes("ffffffff" "00" "ffff" "00" "00" "ffffff" "ff");
  scte_104::Scte35Settings settings;
  settings.reference_pts = scte_104::kMaxPts;
  settings.frame_rate = {24000, 1001};
  const auto bytes = message({{0x0101, samples::bytes("01ffffffffffffffffffffffffff")},
                              {0x0104, {0xFF, 0xFF}}, {0x010B, segmentation}});
  const auto t = scte35::translate(*samples::decoded(bytes), settings);
  ASSERT_EQ(t.sections.size(), 2u);
  const auto& insert = std::get<scte35::SpliceInsert>(t.sections[0].fields.splice_command);
  EXPECT_EQ(insert.splice_time->pts_time, (scte_104::kMaxPts + 90 * 65535) & scte_104::kMaxPts);
  EXPECT_EQ(insert.break_duration->duration, 65535u * 9000u);
  EXPECT_EQ(samples::bytes("fc3025000000000000fffff01405ffffffff7feffe0059ffa5fe2327dcd8ffffffff0000"),
            Bytes(t.sections[0].bytes.begin(), t.sections[0].bytes.end() - 4));
  const auto& segment = std::get<scte35::SegmentationDescriptor>(t.sections[1].fields.descriptors[0]);
  EXPECT_EQ(segment.segmentation_duration, 65535ull * 90000 + (255ull * 90000 * 1001 + 12000) / 24000);
}

std::string written(const scte35::SpliceCommand& command,
                    const std::vector<scte35::SpliceDescriptor>& descriptors) {
  scte35::SpliceInfoSection section;
  section.splice_command = command;
  section.descriptors = descriptors;
  return samples::hex(scte35::write_section(section));
}

// What a record holds before anything is set, as a library user meets it:
// sap_type 3, cw_index 0xFF, tier 0xFFF, a program splice at a time not
// given, a time_signal at PTS 0, a segmentation descriptor for the program,
// not restricted. descriptor_length stays the caller's to set.
TEST(scte35, default_records_write_known_bytes) {
  EXPECT_EQ(written(scte35::SpliceInsert{},
                    {scte35::AvailDescriptor{}, scte35::DtmfDescriptor{},
                     scte35::SegmentationDescriptor{}, scte35::TimeDescriptor{}}),
            "fc3050000000000000fffff00a05" "000000007f4f0000" "00000035"
            "0000435545490000000001004355454900" "1f"
            "020043554549000000007fbf0000000000" "030043554549000000000000000000000000"
            "217ee256");
  EXPECT_EQ(written(scte35::TimeSignal{}, {}), "fc3016000000000000fffff00506fe000000000000d7c0f936");
}

}  // namespace
