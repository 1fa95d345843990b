// SPDX-License-Identifier: MIT
// ANC data: the ST 291 word checks, the ST 2038 record reader, and the
// joining of SCTE 104 messages cut over several ANC packets (ST 2010).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "samples.h"
#include "scte/anc_payload.h"
#include "ts/anc_record.h"

namespace {

using samples::anc_words;

// An ST 2038 record: the leading zeros, placement, the words, '1' bits to
// the byte boundary.
std::vector<std::uint8_t> record(const std::vector<std::uint16_t>& words, unsigned line = 9,
                                 unsigned offset = 0x123, unsigned c_not_y = 1) {
  samples::BitWriter bits;
  bits.put(6, 0);
  bits.put(1, c_not_y);
  bits.put(11, line);
  bits.put(12, offset);
  bits.put_words(words);
  bits.align(8, true);
  return bits.bytes();
}

TEST(anc_words, checks) {
  struct Case {
    const char* name;
    std::size_t flip_word;  // which word to spoil, or npos
    std::uint16_t mask;
    ts::WordCheck check;
  };
  const std::size_t none = std::string::npos;
  const Case cases[] = {
      {"sound", none, 0, ts::WordCheck::ok},
      {"did_bit8", 0, 0x100, ts::WordCheck::parity},
      {"sdid_bit9", 1, 0x200, ts::WordCheck::parity},
      {"count_value", 2, 0x001, ts::WordCheck::parity},
      {"last_user_word", 4, 0x300, ts::WordCheck::parity},  // both parity bits swapped
      {"checksum_value", 5, 0x001, ts::WordCheck::checksum},
      {"checksum_bit8", 5, 0x100, ts::WordCheck::checksum},
      {"checksum_bit9", 5, 0x200, ts::WordCheck::checksum},
  };
  for (const Case& c : cases) {
    std::vector<std::uint16_t> words = anc_words(0x41, 0x07, {0x08, 0xFF});
    if (c.flip_word != none) words[c.flip_word] ^= c.mask;
    EXPECT_EQ(ts::check_anc_words(words.data(), words.size()), c.check) << c.name;
  }
  // The sum wraps at 9 bits: 255 words of 0xFF.
  const std::vector<std::uint16_t> full = anc_words(0x41, 0x07, std::vector<unsigned>(255, 0xFF));
  EXPECT_EQ(ts::check_anc_words(full.data(), full.size()), ts::WordCheck::ok);
}

TEST(anc_records, reads_back_to_back_with_stuffing) {
  std::vector<std::uint8_t> data = {0xFF};
  const auto first = record(anc_words(0x41, 0x07, {0x08, 1, 2}), 12, 0, 0);
  auto second_words = anc_words(0x61, 0x01, {});
  second_words[0] ^= 0x100;  // a parity fault: still read
  const auto second = record(second_words, 0x7FF, 0xFFF, 1);
  data.insert(data.end(), first.begin(), first.end());
  data.insert(data.end(), {0xFF, 0xFF});
  data.insert(data.end(), second.begin(), second.end());
  ts::AncRecordReader reader(data.data(), data.size());
  ts::AncRecord r;
  ASSERT_TRUE(reader.next(r));
  EXPECT_EQ(r.line_number, 12);
  EXPECT_EQ(r.c_not_y_channel_flag, 0);
  EXPECT_EQ(r.did, 0x41);
  EXPECT_EQ(r.sdid, 0x07);
  EXPECT_EQ(r.user_data, (std::vector<std::uint8_t>{0x08, 1, 2}));
  EXPECT_EQ(r.check, ts::WordCheck::ok);
  ASSERT_TRUE(reader.next(r));
  EXPECT_EQ(r.line_number, 0x7FF);
  EXPECT_EQ(r.horizontal_offset, 0xFFF);
  EXPECT_EQ(r.c_not_y_channel_flag, 1);
  EXPECT_EQ(r.did, 0x61);
  EXPECT_TRUE(r.user_data.empty());
  EXPECT_EQ(r.check, ts::WordCheck::parity);
  EXPECT_FALSE(reader.next(r));
  EXPECT_EQ(reader.error(), ts::AncReadError::none);
}

TEST(anc_records, errors_end_the_data) {
  const auto good = record(anc_words(0x41, 0x07, {0x08, 1, 2, 3}));
  struct Case {
    const char* name;
    std::vector<std::uint8_t> data;
    std::size_t records;
    ts::AncReadError error;
  };
  std::vector<std::uint8_t> cut_by_one(good.begin(), good.end() - 1);
  std::vector<std::uint8_t> leading = good;
  leading.push_back(0x04);  // one of the six leading bits set
  leading.insert(leading.end(), good.begin(), good.end());
  const Case cases[] = {
      {"whole", good, 1, ts::AncReadError::none},
      {"cut_by_one_byte", cut_by_one, 0, ts::AncReadError::cut},
      {"header_cut", std::vector<std::uint8_t>(good.begin(), good.begin() + 7), 0,
       ts::AncReadError::cut},
      {"leading_bits_after_one", leading, 1, ts::AncReadError::leading_bits},
      {"empty", {}, 0, ts::AncReadError::none},
  };
  for (const Case& c : cases) {
    ts::AncRecordReader reader(c.data.data(), c.data.size());
    ts::AncRecord r;
    std::size_t records = 0;
    while (reader.next(r)) ++records;
    EXPECT_EQ(records, c.records) << c.name;
    EXPECT_EQ(reader.error(), c.error) << c.name;
  }
}

// Joining: each part is "descriptor:hex" on key 1 unless "key2 " leads;
// events are written as short words.
std::string join(const std::vector<std::string>& parts) {
  scte_104::AncPayloadJoiner joiner;
  std::vector<scte_104::AncPayloadEvent> events;
  std::string out;
  for (std::string part : parts) {
    std::uint64_t key = 1;
    if (part.rfind("key2 ", 0) == 0) {
      key = 2;
      part = part.substr(5);
    }
    const std::vector<std::uint8_t> bytes = samples::bytes(part);
    joiner.add(key, bytes.data(), bytes.size(), events);
    for (const auto& e : events) {
      using Kind = scte_104::AncPayloadEvent::Kind;
      switch (e.kind) {
        case Kind::payload_descriptor: out += "pd" + std::to_string(e.value) + " "; break;
        case Kind::fragment_orphan: out += "orphan "; break;
        case Kind::fragment_interrupted: out += "int" + std::to_string(e.bytes) + " "; break;
        case Kind::bad_message: out += "bad" + std::to_string(e.bytes) + " "; break;
        case Kind::message:
          out += std::string(e.multiple ? "M" : "S") + std::to_string(e.size) + "/" +
                 std::to_string(e.fragments) + (e.duplicate ? "dup" : "") + " ";
          break;
      }
    }
  }
  for (std::uint64_t key : joiner.waiting_keys()) {
    out += "left" + std::to_string(*joiner.finish(key)) + " ";
  }
  return out;
}

TEST(anc_payload, joins_parts) {
  // A 13-byte multiple_operation_message head (messageSize 14) and a
  // 13-byte single operation, cut as the parts need.
  const std::string mark = "ffff000e0000000000000000aa";  // 13 bytes; the 14th comes later
  const std::string alive = "0003000dffffffff0000010000";
  struct Case {
    const char* name;
    std::vector<std::string> parts;
    const char* events;
  };
  const Case cases[] = {
      {"whole", {"08" + alive}, "S13/1 "},
      {"whole_with_extra_bytes", {"08" + alive + "eeee"}, "S13/1 "},
      {"broadcast_reading", {"0c" + mark.substr(0, 8), "0e" + mark.substr(8, 10), "0a" + mark.substr(18) + "bb"}, "M14/3 "},
      {"other_reading", {"0a" + mark.substr(0, 8), "0c" + mark.substr(8) + "bb"}, "M14/2 "},
      {"duplicate", {"09" + alive}, "S13/1dup "},
      {"orphan_middle", {"0e0102", "08" + alive}, "orphan S13/1 "},
      {"whole_interrupts", {"0c" + mark.substr(0, 8), "08" + alive}, "int4 S13/1 "},
      {"same_first_again", {"0c" + mark.substr(0, 8), "0c" + mark.substr(0, 8), "0a" + mark.substr(8) + "bb"}, "int4 M14/2 "},
      {"keys_apart", {"0c" + mark.substr(0, 8), "key2 08" + alive, "0a" + mark.substr(8) + "bb"}, "S13/1 M14/2 "},
      {"left_at_end", {"0a" + mark.substr(0, 10)}, "left5 "},
      {"bad_descriptor_still_used", {"28" + alive, "00" + alive}, "pd40 S13/1 pd0 S13/1 "},
      {"too_short", {"08ffff00"}, "bad3 "},
      {"size_below_minimum", {"08ffff000b0000000000000000"}, "bad12 "},
      {"single_below_13", {"0800ff000c00000000000000000000"}, "bad14 "},  // opID 0x00ff: still single
      {"size_past_the_bytes", {"08" + mark}, "bad13 "},
  };
  for (const Case& c : cases) EXPECT_EQ(join(c.parts), c.events) << c.name;
}

}  // namespace
