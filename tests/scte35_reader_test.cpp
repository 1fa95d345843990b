// SPDX-License-Identifier: MIT
// The SCTE 35 section reader: every section the translation writes reads
// back to the very record it was written from, and the forms that other
// equipment sends (legacy command length, private commands, foreign
// descriptors, stuffing, encryption) read as they stand or are refused,
// naming the field.
#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "samples.h"
#include "scte/scte35.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
namespace scte35 = scte_104::scte35;

// Every member of a record, in order, as text: two records are the same
// object when their dumps are equal.
struct Dump {
  std::string out;

  template <typename T, typename = std::enable_if_t<std::is_integral_v<T>>>
  void operator()(const char* name, T value, unsigned /*bits*/) {
    out += std::string(name) + "=" + std::to_string(value) + " ";
  }
  void reserved(unsigned /*bits*/) {}
  void operator()(const char* name, const Bytes& bytes) {
    out += std::string(name) + "=" + std::to_string(bytes.size()) + ":";
    for (const std::uint8_t b : bytes) out += std::to_string(b) + ",";
    out += " ";
  }
  void operator()(const char* name, const scte_104::DtmfChars& chars) {
    out += std::string(name) + "='" + chars.text + "' ";
  }
  template <typename Record>
  void operator()(const char* name, const Record& record) {
    out += std::string(name) + "{ ";
    record.for_each_field(*this);
    out += "} ";
  }
  template <typename Record>
  void operator()(const char* name, const std::optional<Record>& record) {
    if (record) (*this)(name, *record);
  }
  template <typename Record>
  void operator()(const char* name, const std::vector<Record>& records) {
    out += std::string(name) + "[ ";
    for (const Record& record : records) (*this)("", record);
    out += "] ";
  }
  template <typename... Records>
  void operator()(const char* name, const std::variant<Records...>& record) {
    std::visit([this, name](const auto& r) { (*this)(name, r); }, record);
  }
};

std::string dump(const scte35::SpliceInfoSection& section) {
  Dump d;
  section.for_each_field(d);
  return d.out;
}

using samples::with_crc;

void set_length(Bytes& b, std::size_t at, std::size_t value) {  // a 12-bit length at b[at..at+1]
  b[at] = static_cast<std::uint8_t>((b[at] & 0xF0u) | (value >> 8u));
  b[at + 1] = static_cast<std::uint8_t>(value);
}

// Inserts bytes at `at` and grows section_length (and descriptor_loop_length
// at `loop`, when given) to match.
Bytes grown(Bytes b, std::size_t at, const Bytes& more, std::size_t loop = 0) {
  b.insert(b.begin() + static_cast<std::ptrdiff_t>(at), more.begin(), more.end());
  set_length(b, 1, b.size() - 3);
  if (loop != 0) b[loop + 1] = static_cast<std::uint8_t>(b[loop + 1] + more.size());
  return with_crc(b);
}

scte35::SpliceInfoSection read(const Bytes& b,
                               scte35::UnreadableCommand mode = scte35::UnreadableCommand::refuse) {
  const scte35::SectionRead r = scte35::read_section(b.data(), b.size(), mode);
  EXPECT_FALSE(r.refused()) << r.field << " " << r.reason;
  return r.section.fields;
}

// The SCTE 35 standard's sample splice_insert (2019 edition, 14.2): out of
// network, event 0x4800008f, a break of 0x0052ccf5 ticks, one avail_descriptor.
const Bytes kInsert = samples::bytes(
    "fc302f000000000000fffff014054800008f7feffe7369c02efe0052ccf500000000000a000843554549"
    "0000013562dba30a");
constexpr std::size_t kInsertLoop = 34;  // descriptor_loop_length

TEST(scte35_reader, every_section_of_the_translation_reads_back_to_its_record) {
  // The marks of the SCTE 35 end-to-end cases, as the translation's fuzz
  // corpus holds them: reference PTS (5 bytes), frame rate (1), message.
  static constexpr std::array<scte_104::FrameRate, 8> kRates{
      {{24000, 1001}, {24, 1}, {25, 1}, {30000, 1001}, {30, 1}, {50, 1}, {60000, 1001}, {60, 1}}};
  std::size_t sections = 0;
  for (const auto& entry : std::filesystem::directory_iterator(SCTE104_SCTE35_SAMPLES)) {
    std::ifstream file(entry.path(), std::ios::binary);
    const Bytes input{std::istreambuf_iterator<char>(file), {}};
    ASSERT_GE(input.size(), 6u);
    scte_104::Scte35Settings settings;
    for (std::size_t i = 0; i < 5; ++i) settings.reference_pts = settings.reference_pts << 8u | input[i];
    settings.reference_pts &= scte_104::kMaxPts;
    settings.frame_rate = kRates[input[5] % kRates.size()];
    const auto message = samples::decoded(Bytes(input.begin() + 6, input.end()));
    for (const scte35::Section& section : scte35::translate(*message, settings).sections) {
      const scte35::SectionRead r = scte35::read_section(section.bytes.data(), section.bytes.size());
      ASSERT_FALSE(r.refused()) << entry.path() << ": " << r.field << " " << r.reason;
      EXPECT_EQ(r.section.bytes, section.bytes) << entry.path();
      EXPECT_EQ(dump(r.section.fields), dump(section.fields)) << entry.path();
      ++sections;
    }
  }
  EXPECT_GE(sections, 20u);
}

TEST(scte35_reader, forms_that_other_equipment_sends) {
  Bytes legacy = kInsert;
  set_length(legacy, 11, 0xFFF);
  const Bytes private_command = with_crc(samples::bytes("fc3015000000000000fffff004ff01020304000000000000"));
  Bytes encrypted = kInsert;
  encrypted[4] = 0x80 | 0x02;  // encrypted_packet 1, encryption_algorithm 1
  encrypted = with_crc(encrypted);
  const Bytes no_time = with_crc(samples::bytes("fc3012000000000000fffff00106""7f""000000000000"));
  // A known tag with another identifier, then a segmentation descriptor in
  // component mode with sub-segments.
  const Bytes foreign = samples::bytes("000841424344" "00000001");
  const Bytes segment = samples::bytes(
      "021e43554549" "00000005" "7f" "1f" "02" "0aff000000ff" "0bfe000000aa"
      "0000" "34" "01" "02" "0304");
  const Bytes split = grown(kInsert, 46, samples::bytes("ffffff"));
  struct Case {
    const char* name;
    Bytes bytes;
    std::function<void(const scte35::SpliceInfoSection&)> check;
  };
  const std::vector<Case> cases = {
      {"legacy 0xFFF", legacy,
       [](const auto& s) {
         EXPECT_EQ(s.splice_command_length, 0xFFF);
         scte35::SpliceInfoSection plain = read(kInsert);
         plain.splice_command_length = 0xFFF;
         plain.CRC_32 = s.CRC_32;
         EXPECT_EQ(dump(s), dump(plain));
       }},
      {"private command", private_command,
       [](const auto& s) {
         const auto& c = std::get<scte35::InjectedCommand>(s.splice_command);
         EXPECT_EQ(c.type, 0xFF);
         EXPECT_EQ(c.data, samples::bytes("01020304"));
         EXPECT_TRUE(s.descriptors.empty());
       }},
      {"encrypted", encrypted,
       [](const auto& s) {
         EXPECT_EQ(s.encryption_algorithm, 1);
         EXPECT_EQ(s.encrypted_data, Bytes(kInsert.begin() + 13, kInsert.end() - 4));
       }},
      {"time_specified_flag 0", no_time,
       [](const auto& s) {
         EXPECT_EQ(std::get<scte35::TimeSignal>(s.splice_command).splice_time.time_specified_flag, 0);
       }},
      {"stuffing", split,
       [](const auto& s) {
         EXPECT_EQ(s.alignment_stuffing, samples::bytes("ffffff"));
         EXPECT_EQ(std::get<scte35::AvailDescriptor>(s.descriptors.at(0)).provider_avail_id, 0x135u);
       }},
      {"descriptors", grown(grown(kInsert, 46, foreign, kInsertLoop), 56, segment, kInsertLoop),
       [&foreign](const auto& s) {
         ASSERT_EQ(s.descriptors.size(), 3u);
         const auto& copied = std::get<scte35::CopiedDescriptor>(s.descriptors[1]);
         EXPECT_EQ(copied.data, Bytes(foreign.begin() + 2, foreign.end()));
         const auto& d = std::get<scte35::SegmentationDescriptor>(s.descriptors[2]);
         EXPECT_EQ(d.program_segmentation_flag, 0);
         ASSERT_EQ(d.components.size(), 2u);
         EXPECT_EQ(d.components[0].pts_offset, 0x1000000FFu);
         EXPECT_EQ(d.components[1].component_tag, 0x0b);
         EXPECT_EQ(d.segmentation_type_id, 0x34);
         EXPECT_TRUE(d.has_sub_segments);
         EXPECT_EQ(d.sub_segments_expected, 4);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.check(read(c.bytes));
  }
}

TEST(scte35_reader, a_command_that_disagrees_with_its_length_is_refused_or_copied) {
  Bytes longer = grown(kInsert, 34, {0xAB});  // one byte more inside the command
  set_length(longer, 11, 21);
  longer = with_crc(longer);
  const scte35::SectionRead refused = scte35::read_section(longer.data(), longer.size());
  EXPECT_STREQ(refused.field, "splice_command_length");
  const auto copied = read(longer, scte35::UnreadableCommand::copy);
  const auto& command = std::get<scte35::InjectedCommand>(copied.splice_command);
  EXPECT_EQ(command.type, 0x05);
  EXPECT_EQ(command.data, Bytes(longer.begin() + 14, longer.begin() + 35));
  EXPECT_EQ(std::get<scte35::AvailDescriptor>(copied.descriptors.at(0)).provider_avail_id, 0x135u);
}

TEST(scte35_reader, refusals_name_their_field) {
  const auto patched = [](std::size_t at, std::uint8_t value) {
    Bytes b = kInsert;
    b[at] = value;
    return with_crc(b);
  };
  const Bytes legacy_private = samples::bytes("fc3015000000000000ffffffffff01020304000000000000");
  // splice_insert with 0xFFF whose fields run into descriptor_loop_length.
  const Bytes legacy_cut = samples::bytes("fc3017000000000000ffffffff054800008f7fef000000000000");
  Bytes short_section = kInsert;
  set_length(short_section, 1, 14);
  const struct {
    const char* name;
    Bytes bytes;
    const char* field;
  } cases[] = {
      {"two bytes", samples::bytes("fc30"), "section_length"},
      {"table_id", patched(0, 0xFD), "table_id"},
      {"section_length 14", short_section, "section_length"},
      {"section_length past the input", Bytes(kInsert.begin(), kInsert.end() - 1), "section_length"},
      {"unknown command, 0xFFF", with_crc(legacy_private), "splice_command_length"},
      {"known command, 0xFFF, fields cut", with_crc(legacy_cut), "splice_command_length"},
      {"command past the section", patched(12, 0x21), "section_length"},
      {"loop past the section", patched(kInsertLoop + 1, 0x0B), "descriptor_loop_length"},
      {"descriptor past the loop", patched(kInsertLoop + 3, 0x09), "descriptor_loop_length"},
      {"one byte left in the loop", grown(kInsert, 46, {0x00}, kInsertLoop), "descriptor_loop_length"},
  };
  for (const auto& c : cases) {
    const scte35::SectionRead r = scte35::read_section(c.bytes.data(), c.bytes.size());
    ASSERT_TRUE(r.refused()) << c.name;
    EXPECT_STREQ(r.field, c.field) << c.name << ": " << r.reason;
  }
  // Bytes in reasons: both hex digits.
  const Bytes table_1d = patched(0, 0x1D);
  EXPECT_EQ(scte35::read_section(table_1d.data(), table_1d.size()).reason,
            "0x1d is not 0xfc, splice_info_section");
  const Bytes legacy = with_crc(legacy_private);
  EXPECT_EQ(scte35::read_section(legacy.data(), legacy.size()).reason,
            "0xFFF does not give the length of command type 0xff");
}

}  // namespace
