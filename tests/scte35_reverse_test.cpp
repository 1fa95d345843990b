// SPDX-License-Identifier: MIT
// From a section back to its queue mark: generated canonical marks come
// back from their one section exactly; hand-made sections map as the
// mapping tables say; each --retime row and each refusal.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <new>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "samples.h"
#include "scte/scte35.h"

// Every allocation of the test program passes here; the way back's test
// counts its own.
namespace {
thread_local bool counting = false;
thread_local std::size_t allocations = 0;
}  // namespace
// The plain and nothrow forms (the library's temporary buffers use the
// latter) and their deletes are replaced together, so that every pair is
// malloc and free; the array and aligned forms keep theirs.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  if (counting) ++allocations;
  return std::malloc(size == 0 ? 1 : size);
}
void* operator new(std::size_t size) {
  if (void* p = ::operator new(size, std::nothrow)) return p;
  throw std::bad_alloc();
}
// GCC sees free() after an inlined operator new and takes the pair for a
// mismatch; here they are one pair by construction.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

namespace {

using Bytes = std::vector<std::uint8_t>;
using Ops = std::vector<std::pair<std::uint16_t, std::string>>;  // opID and data as hex
namespace scte35 = scte_104::scte35;

std::string hex(const Bytes& bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  for (const std::uint8_t b : bytes) out += {kDigits[b >> 4u], kDigits[b & 0xFu]};
  return out;
}

// The canonical message of the operations: every header field 0 but the
// lengths and SCTE35_protocol_version.
Bytes mark(const Ops& ops, std::uint8_t version = 0) {
  Bytes data;
  for (const auto& [id, body] : ops) {
    const Bytes b = samples::bytes(body);
    data.insert(data.end(), {static_cast<std::uint8_t>(id >> 8u), static_cast<std::uint8_t>(id),
                             static_cast<std::uint8_t>(b.size() >> 8u),
                             static_cast<std::uint8_t>(b.size())});
    data.insert(data.end(), b.begin(), b.end());
  }
  const std::size_t size = 12 + data.size();
  Bytes m(size);
  m[0] = m[1] = 0xFF;
  m[2] = static_cast<std::uint8_t>(size >> 8u);
  m[3] = static_cast<std::uint8_t>(size);
  m[9] = version;
  m[11] = static_cast<std::uint8_t>(ops.size());
  std::copy(data.begin(), data.end(), m.begin() + 12);
  return m;
}

// A section in the clear: the command (type and body) and descriptors as
// hex; lengths and CRC_32 computed.
Bytes section(const std::string& command, const std::string& descriptors = "",
              std::uint64_t pts_adjustment = 0, std::uint16_t tier = 0xFFF) {
  const Bytes c = samples::bytes(command);
  const Bytes d = samples::bytes(descriptors);
  const std::size_t length = 10 + c.size() + 2 + d.size() + 4;
  Bytes s = {0xFC, static_cast<std::uint8_t>(0x30 | length >> 8u), static_cast<std::uint8_t>(length), 0};
  for (unsigned shift = 40; shift != 0;) {
    shift -= 8;
    s.push_back(static_cast<std::uint8_t>(pts_adjustment >> shift));
  }
  s.push_back(0xFF);
  const std::size_t command_length = c.size() - 1;
  s.insert(s.end(), {static_cast<std::uint8_t>(tier >> 4u),
                     static_cast<std::uint8_t>(std::size_t{tier} << 4u | command_length >> 8u),
                     static_cast<std::uint8_t>(command_length)});
  s.insert(s.end(), c.begin(), c.end());
  s.insert(s.end(), {static_cast<std::uint8_t>(d.size() >> 8u), static_cast<std::uint8_t>(d.size())});
  s.insert(s.end(), d.begin(), d.end());
  s.insert(s.end(), 4, 0);
  return samples::with_crc(s);
}

scte35::MarkOfSection reverse(const Bytes& s, std::uint64_t pts = 0, bool retime = false,
                              bool pts_given = false, scte_104::FrameRate rate = {30000, 1001}) {
  scte35::MarkSettings settings;
  settings.scte35.reference_pts = pts;
  settings.scte35.frame_rate = rate;
  settings.reference_given = pts_given;
  settings.retime = retime;
  return scte35::mark_of_section(s.data(), s.size(), settings);
}

std::string warnings(const scte35::MarkOfSection& m) {
  std::string out;
  for (std::size_t i = 0; i < m.warning_count; ++i) out += std::string(m.warnings[i]) + " ";
  return out;
}

// --- generated marks ---------------------------------------------------------------

class MarkGenerator {
 public:
  explicit MarkGenerator(unsigned seed) : mRandom(seed) {}

  // SCTE35_protocol_version of an injected command is the message's: the
  // section has one.
  Ops next(scte_104::FrameRate rate, std::uint8_t version) {
    Ops ops;
    const unsigned kind = pick(4);
    if (kind == 0) {
      ops.push_back({0x0102, ""});
    } else if (kind == 1) {
      ops.push_back({0x0104, bytes(2)});
    } else if (kind == 2) {
      splice(ops);
    } else {
      // A command we only inject: never splice_null, splice_insert or time_signal.
      static constexpr std::uint8_t kTypes[] = {0x04, 0x07, 0xFF, 0x80};
      const unsigned length = pick(12);
      ops.push_back(
          {0x0100, hexn(length, 4) + hexn(version, 2) + hexn(kTypes[pick(4)], 2) + bytes(length)});
    }
    if (pick(3) == 0) ops.push_back({0x010F, hexn(pick(0xFFF), 4)});
    for (unsigned n = pick(6); n > 0; --n) descriptor(ops, rate);
    return ops;
  }

 private:
  unsigned pick(unsigned n) { return static_cast<unsigned>(mRandom() % n); }
  std::string bytes(unsigned n) {
    std::string out;
    while (n-- > 0) out += hexn(pick(256), 2);
    return out;
  }
  static std::string hexn(unsigned value, unsigned digits) {
    std::string out(digits, '0');
    for (unsigned i = digits; i-- > 0; value >>= 4u) out[i] = "0123456789abcdef"[value & 0xFu];
    return out;
  }

  void splice(Ops& ops) {
    const unsigned type = 1 + pick(5);
    const std::string event = bytes(4);
    if (type == 5) {
      ops.push_back({0x0101, "05" + event + std::string(18, '0')});
      return;
    }
    const bool start = type <= 2;
    const bool immediate = type == 2 || type == 4;
    const bool components = pick(3) == 0;
    std::string component_data;
    unsigned first = 0;
    for (unsigned n = 1 + pick(4), i = 0; components && i < n; ++i) {
      const unsigned preroll = immediate ? 0 : pick(65536);
      if (i == 0) first = preroll;
      component_data += hexn(pick(256), 2) + hexn(preroll, 4);
    }
    const unsigned preroll = components ? first : immediate ? 0 : 1 + pick(65535);
    const unsigned duration = start && pick(2) == 0 ? 1 + pick(65535) : 0;
    const unsigned auto_return = duration != 0 ? pick(2) : 0;
    ops.push_back({0x0101, hexn(type, 2) + event + bytes(2) + hexn(preroll, 4) + hexn(duration, 4) +
                               bytes(2) + hexn(auto_return, 2)});
    if (components) ops.push_back({0x0106, component_data});
  }

  void descriptor(Ops& ops, scte_104::FrameRate rate) {
    const unsigned kind = pick(5);
    if (kind == 0 || kind == 1) {
      // Runs of avail descriptors, or of copied ones, are one operation.
      const std::uint16_t id = kind == 0 ? 0x010A : 0x0108;
      if (ops.back().first != id) ops.push_back({id, "00"});
      std::string& data = ops.back().second;
      const auto count = static_cast<unsigned>(std::stoul(data.substr(0, 2), nullptr, 16) + 1);
      data.replace(0, 2, hexn(count, 2));
      if (kind == 0) {
        data += bytes(4);
      } else {  // a tag no reader knows
        const unsigned length = pick(8);
        data += hexn(0x80 + pick(0x80), 2) + hexn(length, 2) + bytes(length);
      }
    } else if (kind == 2) {
      const unsigned count = pick(8);
      ops.push_back({0x0109, bytes(1) + hexn(count, 2) + std::string(2 * count, '3')});
    } else if (kind == 3) {
      ops.push_back({0x0110, bytes(12)});
    } else {
      segmentation(ops, rate);
    }
  }

  void segmentation(Ops& ops, scte_104::FrameRate rate) {
    const std::string event = bytes(4);
    if (pick(4) == 0) {
      ops.push_back({0x010B, event + "01" + std::string(32, '0')});
      return;
    }
    const unsigned seconds = pick(3) == 0 ? 0 : 1 + pick(65535);
    // Fewer frames than a second holds, so no larger whole second fits.
    const unsigned frames = seconds == 0 ? 0 : pick(rate.num / rate.den);
    const unsigned upid = pick(10);
    const bool restricted = pick(2) == 0;
    const bool sub = pick(2) == 0;
    ops.push_back({0x010B, event + "00" + hexn(seconds, 4) + bytes(1) + hexn(upid, 2) + bytes(upid) +
                               bytes(3) + hexn(frames, 2) + (restricted ? "00" : "01") +
                               (restricted ? hexn(pick(2), 2) + hexn(pick(2), 2) +
                                                 hexn(pick(2), 2) + hexn(pick(4), 2)
                                           : std::string(8, '0')) +
                               (sub ? "01" + bytes(2) : std::string(6, '0'))});
  }

  std::mt19937 mRandom;
};

TEST(scte35_reverse, a_generated_mark_comes_back_from_its_one_section) {
  static constexpr scte_104::FrameRate kRates[] = {{24000, 1001}, {24, 1}, {25, 1}, {30000, 1001},
                                                  {30, 1}, {50, 1}, {60000, 1001}, {60, 1}};
  MarkGenerator generator(104);
  std::mt19937_64 random(35);
  for (int i = 0; i < 3000; ++i) {
    scte_104::Scte35Settings settings;
    settings.reference_pts = random() & scte_104::kMaxPts;
    settings.frame_rate = kRates[i % 8];
    const auto version = static_cast<std::uint8_t>(random());
    const Ops ops = generator.next(settings.frame_rate, version);
    const Bytes original = mark(ops, version);
    const auto translation = scte35::translate(*samples::decoded(original), settings);
    ASSERT_EQ(translation.sections.size(), 1u) << hex(original);
    ASSERT_TRUE(translation.problems.empty()) << hex(original) << translation.problems[0].text;
    const Bytes& s = translation.sections[0].bytes;
    for (const bool retime : {false, true}) {
      const auto back = reverse(s, settings.reference_pts, retime, i % 2 == 0, settings.frame_rate);
      ASSERT_FALSE(back.refused()) << back.field << " " << back.reason << "\n" << hex(s);
      ASSERT_EQ(hex(back.message), hex(original)) << hex(s) << " retime " << retime;
      EXPECT_EQ(back.warning_count, 0u);
    }
  }
}

TEST(scte35_reverse, allocates_only_the_message) {
  const Bytes sections[] = {
      samples::bytes("fc3025000000000000fffff01405400002b47feffe0000a8c07e00a4cb8000000000000028e6442a"),
      // time_signal, tier; segmentation with a UPID, avail, DTMF, time, a copied descriptor
      section("06" "fe00002328",
              "021c43554549" "00000009" "7f" "ff" "00000de5d0" "0c" "08" "4142434445464748" "30" "01" "02"
              "000843554549" "00000007" "010943554549" "32" "7f" "313233" "031043554549"
              "0000499602d2" "075bcd15" "0025" "000841424344" "00000001",
              0, 0x123),
      section("06" "fe00020f59", "", 10),  // injected, pts_adjustment folded in
      section("06" "fe00002328" "00"),  // a time_signal that does not read: injected
  };
  for (const Bytes& s : sections) {
    SCOPED_TRACE(hex(s));
    scte35::MarkSettings settings;
    settings.scte35.frame_rate = {25, 1};
    allocations = 0;
    counting = true;
    const scte35::MarkOfSection back = scte35::mark_of_section(s.data(), s.size(), settings);
    counting = false;
    ASSERT_FALSE(back.refused()) << back.field << " " << back.reason;
    EXPECT_EQ(allocations, 1u);
  }
}

// --- hand cases ---------------------------------------------------------------------

TEST(scte35_reverse, sections_map_as_the_tables_say) {
  const std::string kAvail = "000843554549" "00000007";
  const std::string kForeign = "000841424344" "00000001";  // tag 0 with another identifier
  const std::string kDtmf = "010843554549" "32" "7f" "3132";  // dtmf_count 3 but 2 chars: copied
  // Avail, DTMF, segmentation and time descriptors with a byte after their
  // fields, then DTMF and segmentation with reserved bits cleared.
  const std::string kUntyped = "000943554549" "00000007" "ff" "010943554549" "32" "5f" "3132" "ff"
                               "021543554549" "00000009" "7f" "ff" "0000049458" "00" "00" "30" "01" "02" "ff"
                               "031143554549" "0000499602d2" "075bcd15" "0025" "ff"
                               "010843554549" "32" "40" "3132"
                               "021443554549" "00000009" "00" "ff" "0000049458" "00" "00" "30" "01" "02";
  const struct {
    const char* name;
    Bytes section;
    std::uint64_t pts;
    scte_104::FrameRate rate;
    Ops ops;
  } cases[] = {
      {"pts_adjustment folded across the wrap",
       section("06" "ff" "ffffdcd8", "", 9000 + 90 * 100), 0, {30000, 1001}, {}},
      {"time not whole milliseconds: injected as it stands, pts_adjustment added",
       section("06" "fe00020f59", "", 10), 0, {30000, 1001}, {{0x0100, "0005" "00" "06" "fe00020f63"}}},
      {"a time before the reference", section("06" "fe000186a0"), 200000, {30000, 1001},
       {{0x0100, "0005" "00" "06" "fe000186a0"}}},
      {"time_specified_flag 0", section("06" "7f"), 0, {30000, 1001}, {{0x0100, "0001" "00" "06" "7f"}}},
      {"a splice that is not immediate at the reference itself",
       section("05" "00000001" "7f" "cf" "fe00000000" "0000" "00" "00"), 0, {30000, 1001},
       {{0x0100, "000f" "00" "05" "00000001" "7f" "cf" "fe00000000" "0000" "00" "00"}}},
      {"cancel with event_id_compliance_flag 0", section("05" "00000001" "80"), 0, {30000, 1001},
       {{0x0100, "0005" "00" "05" "0000000180"}}},
      {"cancel", section("05" "00000001" "ff"), 0, {30000, 1001}, {{0x0101, "05" "00000001" + std::string(18, '0')}}},
      {"duration not whole tenths",
       section("05" "00000002" "7f" "ff" "fe00002329" "0001" "02" "03"), 0, {30000, 1001},
       {{0x0100, "000f" "00" "05" "000000027ffffe0000232900010203"}}},
      {"spliceEnd with a duration", section("05" "00000002" "7f" "7f" "fe00002328" "0001" "02" "03"),
       0, {30000, 1001}, {{0x0100, "000f" "00" "05" "000000027f7ffe0000232800010203"}}},
      {"component mode, tier, descriptors grouped",
       section("05" "00000003" "7f" "af" "02" "01fe00002328" "02fe00004650" "fe00002328" "0000" "00" "00",
               kAvail + kAvail + kForeign + kDtmf + kAvail, 0, 0x123),
       0, {30000, 1001},
       {{0x0101, "01" "00000003" "0000" "0064" "0001" "0000" "01"},
        {0x0106, "010064" "0200c8"},
        {0x010F, "0123"},
        {0x010A, "02" "00000007" "00000007"},
        {0x0108, "02" + kForeign + kDtmf},
        {0x010A, "01" "00000007"}}},
      {"component mode without components",
       section("05" "00000003" "7f" "0f" "00" "0000" "00" "00"), 0, {30000, 1001},
       {{0x0100, "000b" "00" "05" "00000003" "7f" "0f" "00" "0000" "00" "00"}}},
      {"segmentation: cancel, and 10 s 3 frames at 25",
       section("06" "fe00000000", "020943554549" "00000009" "ff" "021443554549" "00000009" "7f" "ff"
                                  "00000de5d0" "00" "00" "30" "01" "02"),
       0, {25, 1},
       {{0x0104, "0000"},
        {0x010B, "00000009" "01" + std::string(32, '0')},
        {0x010B, "00000009" "00" "000a" "00" "00" "30" "01" "02" "03" "01" "00000000" "000000"}}},
      {"segmentation: 2 s 40 frames at 30000/1001 (3 s leaves no whole frame), none under a second",
       section("00", "021443554549" "00000009" "7f" "ff" "0000049458" "00" "00" "30" "01" "02"
                     "021443554549" "00000009" "7f" "ff" "000000afc8" "00" "00" "30" "01" "02"),
       0, {30000, 1001},
       {{0x0102, ""},
        {0x010B, "00000009" "00" "0002" "00" "00" "30" "01" "02" "28" "01" "00000000" "000000"},
        {0x0108, "01" "021443554549" "00000009" "7f" "ff" "000000afc8" "00" "00" "30" "01" "02"}}},
      {"time descriptor", section("00", "031043554549" "0000499602d2" "075bcd15" "0025"), 0,
       {30000, 1001}, {{0x0102, ""}, {0x0110, "0000499602d2" "075bcd15" "0025"}}},
      {"splice_schedule", section("04" "00"), 0, {30000, 1001}, {{0x0100, "0001" "00" "04" "00"}}},
      {"descriptors the typed forms would not give back: copied",
       section("00", kUntyped), 0, {30000, 1001}, {{0x0102, ""}, {0x0108, "06" + kUntyped}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto back = reverse(c.section, c.pts, false, false, c.rate);
    ASSERT_FALSE(back.refused()) << back.field << " " << back.reason;
    Ops ops = c.ops;
    if (ops.empty()) ops = {{0x0104, "0064"}};  // the first case
    EXPECT_EQ(hex(back.message), hex(mark(ops)));
  }
}

TEST(scte35_reverse, header_fields_a_mark_cannot_carry) {
  Bytes algorithm = section("05" "00000001" "ff");
  algorithm[4] = 0x2A;  // encryption_algorithm 21 in the clear (a fuzz finding)
  Bytes legacy = section("05" "00000001" "ff");
  legacy[11] |= 0x0F;
  legacy[12] = 0xFF;
  Bytes stuffed = section("05" "00000001" "ff");
  stuffed.insert(stuffed.end() - 4, {0xAA, 0xBB});
  stuffed[2] = static_cast<std::uint8_t>(stuffed[2] + 2);
  for (Bytes s : {algorithm, legacy, stuffed}) {
    s = samples::with_crc(s);
    s.insert(s.end(), 3, 0xFF);  // transport stream stuffing after the section
    EXPECT_EQ(hex(reverse(s).message), hex(mark({{0x0101, "05" "00000001" + std::string(18, '0')}})));
  }
}

TEST(scte35_reverse, each_retime_row) {
  const std::string kInsert = "05" "00000004" "7f";
  const std::string kAvails = "0000" "00" "00";
  const std::string kSplice = "00000004" "0000";
  const struct {
    const char* name;
    Bytes section;
    bool pts_given;
    std::string want;  // the operations' hex, or the refused field
    std::string warnings;
  } cases[] = {
      {"half a millisecond rounds up", section("06" "fe" "00015fbd"), false, "0104:03e9", "pts_time "},
      {"less than half rounds down", section("06" "fe" "00015fbc"), false, "0104:03e8", "pts_time "},
      {"out of range, no --pts: immediate", section(kInsert + "cf" "fe" "00602160" + kAvails), false,
       "0101:02" + kSplice + "0000" "0000" "000000", "pts_time "},
      {"out of range, no --pts: time_signal at 0", section("06" "fe" "00602160"), false, "0104:0000",
       "pts_time "},
      {"out of range with --pts", section("06" "fe" "00602160"), true, "pts_time", "pts_time "},
      {"time_specified_flag 0", section(kInsert + "cf" "7f" + kAvails), false,
       "0101:02" + kSplice + "0000" "0000" "000000", "time_specified_flag "},
      {"time_specified_flag 0 in a time_signal", section("06" "7f"), false, "0104:0000",
       "time_specified_flag "},
      {"rounded to 0 ms: immediate", section(kInsert + "cf" "fe" "00000000" + kAvails), false,
       "0101:02" + kSplice + "0000" "0000" "000000", "splice_immediate_flag "},
      {"break not whole tenths", section(kInsert + "ff" "7e" "00002329" + kAvails), false,
       "0101:02" + kSplice + "0000" "0001" "000000", "break_duration "},
      {"break of 65535 tenths", section(kInsert + "ff" "7e" "2327dcd8" + kAvails), false,
       "0101:02" + kSplice + "0000" "ffff" "000000", ""},
      {"break past 65535 tenths", section(kInsert + "ff" "7e" "2328ff00" + kAvails), false,
       "break_duration", "break_duration "},
      {"spliceEnd with a duration", section(kInsert + "7f" "7e" "00002328" + kAvails), false,
       "0101:04" + kSplice + "0000" "0000" "000000", "break_duration "},
      {"component mode without components", section(kInsert + "0f" "00" + kAvails), false,
       "component_count", ""},
      {"a command that does not read", section(kInsert + "0f" "00" + kAvails + "00"), false,
       "splice_command_length", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto back = reverse(c.section, 0, true, c.pts_given);
    std::string got;
    if (back.refused()) {
      got = back.field;
    } else {
      for (std::size_t at = 12; at + 4 <= back.message.size();) {
        const std::size_t length = std::size_t{back.message[at + 2]} << 8u | back.message[at + 3];
        got += hex(Bytes(back.message.begin() + static_cast<std::ptrdiff_t>(at),
                         back.message.begin() + static_cast<std::ptrdiff_t>(at) + 2)) + ":" +
               hex(Bytes(back.message.begin() + static_cast<std::ptrdiff_t>(at) + 4,
                         back.message.begin() + static_cast<std::ptrdiff_t>(at + 4 + length)));
        at += 4 + length;
      }
    }
    EXPECT_EQ(got, c.want);
    EXPECT_EQ(warnings(back), c.warnings);
  }
}

TEST(scte35_reverse, refusals_in_their_order) {
  const Bytes kNull = section("00");
  Bytes bad_crc = kNull;
  bad_crc[9] = 0xFE;  // cw_index, after the CRC_32 was computed
  Bytes encrypted = kNull;
  encrypted[4] = 0x80;
  const Bytes encrypted_bad_crc = encrypted;
  encrypted = samples::with_crc(encrypted);
  Bytes trailing = kNull;
  trailing.insert(trailing.end(), {0xFF, 0x00});
  Bytes short_length = kNull;
  short_length[2] = 14;
  // An avail descriptor and a copied one in turn: an operation each.
  const std::string kAvail = "000843554549" "00000001";
  std::string loop;
  for (int i = 0; i < 127; ++i) loop += kAvail + "8000";
  const struct {
    const char* name;
    Bytes section;
    bool ignore_crc;
    const char* field;
  } cases[] = {
      {"two bytes", samples::bytes("fc30"), false, "section_length"},
      {"table_id", samples::bytes("fd3000"), false, "table_id"},
      {"section_length 14", short_length, true, "section_length"},
      {"section_length past the input", Bytes(kNull.begin(), kNull.end() - 1), false, "section_length"},
      {"a byte after the section other than 0xFF", trailing, false, "section_length"},
      {"CRC_32", bad_crc, false, "CRC_32"},
      {"encrypted with a wrong CRC_32", encrypted_bad_crc, false, "CRC_32"},
      {"encrypted with a wrong CRC_32, ignored", encrypted_bad_crc, true, "encrypted_packet"},
      {"encrypted", encrypted, false, "encrypted_packet"},
      {"unknown command with 0xFFF", samples::bytes("fc3015000000000000ffffffffff01020304000000000000"),
       true, "splice_command_length"},
      {"a command past the section", samples::bytes("fc3015000000000000fffff040ff01020304000000000000"),
       true, "section_length"},
      {"the loop past the section",
       samples::bytes("fc3011" "00" "0000000000" "ff" "fff000" "00" "0005" "00000000"), true,
       "descriptor_loop_length"},
      {"256 operations", section("00", loop + kAvail), false, "num_ops"},
  };
  for (const auto& c : cases) {
    scte35::MarkSettings settings;
    settings.ignore_crc = c.ignore_crc;
    const auto back = scte35::mark_of_section(c.section.data(), c.section.size(), settings);
    ASSERT_TRUE(back.refused()) << c.name;
    EXPECT_STREQ(back.field, c.field) << c.name << ": " << back.reason;
    EXPECT_TRUE(back.message.empty()) << c.name;
  }
  // One operation fewer, 255 with the command's, is a mark.
  EXPECT_FALSE(reverse(section("00", loop)).refused());
}

}  // namespace
