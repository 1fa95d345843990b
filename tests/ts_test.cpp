// SPDX-License-Identifier: MIT
// The transport stream reader: the same events whatever the pieces the
// input comes in, sync and the bytes around it; and the comparison of a
// found SCTE 35 section with the expected one.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "object_writer.h"
#include "output.h"
#include "pairing.h"
#include "scte/scte35.h"
#include "ts/demuxer.h"

namespace {

// Every event as one line of text.
class Recorder : public ts::Handler {
 public:
  std::string text;
  void problem(const ts::Problem& p) override {
    text += "#" + std::to_string(p.packet) + " " + std::to_string(p.pid) + " problem " +
            std::to_string(static_cast<int>(p.kind)) + " " + std::to_string(p.bytes) + "\n";
  }
  void splice_section(std::uint64_t packet, std::uint16_t pid, const std::uint8_t*,
                      std::size_t size) override {
    text += "#" + std::to_string(packet) + " " + std::to_string(pid) + " section " +
            std::to_string(size) + "\n";
  }
  void anc_record(std::uint64_t packet, std::uint16_t pid, std::optional<std::uint64_t> pts,
                  const ts::AncRecord& record) override {
    text += "#" + std::to_string(packet) + " " + std::to_string(pid) + " anc " +
            std::to_string(pts.value_or(0)) + " " + std::to_string(record.user_data.size()) + "\n";
  }
  void pid_end(std::uint64_t packet, std::uint16_t pid) override {
    if (pid != 0) text += "#" + std::to_string(packet) + " end " + std::to_string(pid) + "\n";
  }
};

std::string demux(const std::vector<std::uint8_t>& data, std::size_t piece,
                  std::vector<std::uint16_t> pids = {}) {
  Recorder recorder;
  ts::DemuxerOptions options;
  options.forced_pids = std::move(pids);
  ts::Demuxer demuxer(recorder, options);
  for (std::size_t at = 0; at < data.size(); at += piece) {
    demuxer.feed(data.data() + at, std::min(piece, data.size() - at));
  }
  try {
    demuxer.finish();
  } catch (const ts::NotTransportStream&) {
    recorder.text += "not a transport stream\n";
  }
  return recorder.text;
}

TEST(ts_demuxer, pieces_do_not_matter) {
  for (const char* name : {"worked.ts", "worked_192.ts", "worked_204.ts", "damage.ts",
                           "sections.ts", "pes_anc.ts", "fragments.ts", "no_tables.ts"}) {
    std::ifstream file(std::string(SCTE104_TS_STREAMS) + "/" + name, std::ios::binary);
    const std::vector<std::uint8_t> data((std::istreambuf_iterator<char>(file)),
                                         std::istreambuf_iterator<char>());
    ASSERT_FALSE(data.empty()) << name;
    const std::string whole = demux(data, data.size(), {489, 500});
    for (std::size_t piece :
         {std::size_t{1}, std::size_t{7}, std::size_t{188}, std::size_t{1021}}) {
      EXPECT_EQ(demux(data, piece, {489, 500}), whole) << name << " in pieces of " << piece;
    }
  }
}

// Null packets (PID 8191) in a given unit size, with bytes before and after.
std::vector<std::uint8_t> stream(std::size_t unit, std::size_t packets, std::size_t junk_before,
                                 std::size_t tail, std::uint8_t tail_byte = 0x00) {
  std::vector<std::uint8_t> data(junk_before, 0x00);
  for (std::size_t i = 0; i < packets; ++i) {
    std::vector<std::uint8_t> packet(188, 0xFF);
    packet[0] = 0x47;
    packet[1] = 0x1F;
    packet[2] = 0xFF;
    packet[3] = 0x10;
    if (unit == 192) data.insert(data.end(), 4, 0x00);  // the time code
    data.insert(data.end(), packet.begin(), packet.end());
    if (unit == 204) data.insert(data.end(), 16, 0x47);
  }
  data.insert(data.end(), tail, tail_byte);
  return data;
}

TEST(ts_demuxer, sync_and_the_bytes_around_it) {
  // Problem kinds: 0 sync_lost, 1 truncated.
  struct Case {
    const char* name;
    std::vector<std::uint8_t> data;
    const char* events;
  };
  // Sync needs five units in a row (as far as the input goes), so a bad
  // sync byte is skipped with its unit, and the reading resumes right after.
  std::vector<std::uint8_t> lost = stream(188, 14, 0, 0);
  lost[8 * 188] = 0x00;
  std::vector<std::uint8_t> never_again = stream(188, 7, 0, 400);
  never_again[6 * 188] = 0x46;
  // Near the end fewer units are there to check: a 192-byte unit fits
  // where its sync position holds 0x47 and no whole unit follows.
  std::vector<std::uint8_t> late = stream(188, 6, 0, 0);
  late[3 * 188] = 0x00;
  const Case cases[] = {
      {"one_packet", stream(188, 1, 0, 0), ""},
      {"junk_before", stream(188, 6, 11, 0), "#1 -1 problem 0 11\n"},
      {"tail_of_187", stream(188, 6, 0, 187, 0x47), "#6 -1 problem 1 187\n"},
      {"unit_192", stream(192, 6, 3, 191), "#1 -1 problem 0 3\n#6 -1 problem 1 191\n"},
      {"unit_204", stream(204, 6, 0, 203), "#6 -1 problem 1 203\n"},
      {"sync_lost_and_found", lost, "#9 -1 problem 0 188\n"},
      {"sync_never_found_again", never_again, "#6 -1 problem 0 588\n"},
      {"fewer_units_at_the_end", late, "#1 -1 problem 0 748\n#1 -1 problem 1 188\n"},
      {"packet_short_by_one", stream(188, 0, 0, 187, 0x47), "not a transport stream\n"},
      {"empty", {}, "not a transport stream\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(demux(c.data, c.data.size()), c.events) << c.name;
  // A section_length of 0 ends the section at its third byte.
  std::vector<std::uint8_t> empty_section = stream(188, 1, 0, 0);
  const std::uint8_t head[] = {0x47, 0x41, 0xF4, 0x10, 0x00, 0xFC, 0x30, 0x00};
  std::copy(std::begin(head), std::end(head), empty_section.begin());
  EXPECT_EQ(demux(empty_section, 188, {500}), "#1 500 problem 3 0\n#1 end 500\n");
}

// The longest section (section_length 4093) is read whole, across 23
// packets of PID 500.
TEST(ts_demuxer, longest_section_read_whole) {
  std::vector<std::uint8_t> payload(1 + 4096, 0x00);  // pointer_field 0, then the section
  payload[1] = 0xFC;
  payload[2] = 0x3F;
  payload[3] = 0xFD;
  const std::uint32_t crc = scte_104::scte35::crc32_mpeg2(payload.data() + 1, 4092);
  for (int i = 0; i < 4; ++i)
    payload[4093 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(crc >> (24 - 8 * i));
  std::vector<std::uint8_t> data;
  for (std::size_t at = 0, count = 0; at < payload.size(); at += 184, ++count) {
    const std::uint8_t head[] = {0x47, static_cast<std::uint8_t>(at == 0 ? 0x41 : 0x01), 0xF4,
                                 static_cast<std::uint8_t>(0x10 | (count & 0x0F))};
    data.insert(data.end(), std::begin(head), std::end(head));
    const std::size_t size = std::min<std::size_t>(184, payload.size() - at);
    data.insert(data.end(), payload.begin() + static_cast<std::ptrdiff_t>(at),
                payload.begin() + static_cast<std::ptrdiff_t>(at + size));
    data.insert(data.end(), 184 - size, 0xFF);
  }
  EXPECT_EQ(demux(data, 188, {500}), "#23 500 section 4096\n#23 end 500\n");
}

TEST(ts_pairing, compares_fields) {
  using scte104::SectionObject;
  struct Case {
    const char* name;
    const char* expected;
    const char* found;
    bool reference;
    const char* faults;
    const char* allowed;
  };
  const Case cases[] = {
      {"derived_members_skipped", R"({"hex": "aa", "section_length": 1, "tier": 4095})",
       R"({"hex": "bb", "section_length": 2, "tier": 0})", true, "[]",
       R"([{"field":"tier","expected":4095,"found":0}])"},
      {"tier_other_than_zero", R"({"tier": 4095})", R"({"tier": 1})", true,
       R"([{"field":"tier","expected":4095,"found":1}])", "[]"},
      {"encryption_when_encrypted", R"({"encrypted_packet": 0, "encryption_algorithm": 0})",
       R"({"encrypted_packet": 1, "encryption_algorithm": 1})", true,
       R"([{"field":"encrypted_packet","expected":0,"found":1},{"field":"encryption_algorithm","expected":0,"found":1}])",
       "[]"},
      {"pts_wraps", R"({"a": {"pts_time": 8589934000}})", R"({"a": {"pts_time": 100}})", true, "[]",
       R"([{"field":"a.pts_time","expected":8589934000,"found":100,"ticks":692}])"},
      {"pts_adjustment_wraps", R"({"pts_adjustment": 0, "pts_time": 10})",
       R"({"pts_adjustment": 8589934591, "pts_time": 11})", true, "[]",
       R"([{"field":"pts_adjustment","expected":0,"found":8589934591}])"},
      {"half_way_is_ahead", R"({"pts_time": 0})", R"({"pts_time": 4294967296})", true,
       R"([{"field":"pts_time","expected":0,"found":4294967296,"ticks":4294967296}])", "[]"},
      {"a_frame_early", R"({"pts_time": 3003})", R"({"pts_time": 0})", true, "[]",
       R"([{"field":"pts_time","expected":3003,"found":0,"ticks":-3003}])"},
      {"no_reference", R"({"pts_time": 3003})", R"({"pts_time": 99})", false, "[]", "[]"},
      {"arrays_by_index_then_found_only", R"({"d": [{"x": 1}, {"x": 2}]})",
       R"({"d": [{"x": 1}], "alignment_stuffing": "ff"})", true,
       R"([{"field":"d[1]","expected":{"x":2},"found":null},{"field":"alignment_stuffing","expected":null,"found":"ff"}])",
       "[]"},
  };
  for (const Case& c : cases) {
    const scte104::Differences d = scte104::compare_sections(
        SectionObject::parse(c.expected), SectionObject::parse(c.found), c.reference, 3003);
    EXPECT_EQ(d.faults.dump(), SectionObject::parse(c.faults).dump()) << c.name;
    EXPECT_EQ(d.allowed.dump(), SectionObject::parse(c.allowed).dump()) << c.name;
  }
}

TEST(ts_pairing, oldest_open_then_newest_copy) {
  scte104::Pairing pairing;
  const scte104::SectionKey a{5, true, 1};
  const scte104::SectionKey b{6, false, 0};
  pairing.add_mark(1, 489, true, {{a, {1}}, {a, {2}}});
  pairing.add_mark(2, 489, true, {{a, {3}}, {b, {4}}});
  std::string seen;
  for (int i = 0; i < 5; ++i) {
    const auto r = pairing.pair(a);
    seen += std::to_string(r->mark) + "." + std::to_string(r->expected) + "c" +
            std::to_string(r->copy) + " ";
  }
  EXPECT_EQ(seen, "1.0c0 1.1c0 2.0c0 2.0c1 2.0c2 ");
  EXPECT_FALSE(pairing.pair(scte104::SectionKey{5, true, 2}));
  const auto missing = pairing.missing();
  ASSERT_EQ(missing.size(), 1u);
  EXPECT_EQ(missing[0].mark, 2u);
  EXPECT_EQ(missing[0].expected, 1u);
}

// A value read back is written as the report writes its own: every kind of
// value, and strings byte for byte (U+0080 to U+00FF as one byte each, a
// code point above as its UTF-8 bytes).
TEST(ts_objects, written_as_the_report_writes) {
  std::string text;
  scte104::Output out([&text](const char* data, std::size_t size) { text.append(data, size); });
  scte104::JsonWriter json(out, scte104::JsonStyle::compact);
  scte104::write_object(
      nlohmann::ordered_json::parse(
          R"({"z": [true, false, null, {}], "n": -5, "u": 7, "s": "\u007f\u0080\u00bf\u00c0\u00ff\u0100"})"),
      json, out);
  out.flush();
  EXPECT_EQ(text, R"({"z": [true, false, null, {}], "n": -5, "u": 7, )"
                  R"("s": "\u007f\u0080\u00bf\u00c0\u00ff\u00c4\u0080"})");
}

}  // namespace
