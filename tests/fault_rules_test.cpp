// SPDX-License-Identifier: MIT
// The fault rule file: good lines and what they hold, bad lines and their
// error text with the line number, and which rule a message matches.
#include "fault_rules.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "samples.h"

namespace {

using scte104::FaultRule;
using scte104::RequestKind;
using scte104::RuleSubject;

struct BadLine {
  const char* text;
  const char* error;
};

const BadLine kBadLines[] = {
    {"request=init", "f:2: no =>"},
    {"=> result=100", "f:2: no match before =>"},
    {"request=init =>", "f:2: no action after =>"},
    {"colour=red => drop", "f:2: unknown match colour"},
    {"request=init => shout=1", "f:2: unknown action shout"},
    {"request=init => shout", "f:2: unknown action shout"},
    {"request=ping => drop", "f:2: request=ping: expected init, alive, mark or other"},
    {"opid=0x10000 => drop", "f:2: bad number \"0x10000\" for opid (0 to 65535)"},
    {"opid=12a => drop", "f:2: bad number \"12a\" for opid (0 to 65535)"},
    {"opid=12A => drop", "f:2: bad number \"12A\" for opid (0 to 65535)"},
    {"opid=00000000000000001 => drop", "f:2: bad number \"00000000000000001\" for opid (0 to 65535)"},
    {"message_number=256 => drop", "f:2: bad number \"256\" for message_number (0 to 255)"},
    {"mark=5-3 => drop", "f:2: range 5-3 ends before it starts"},
    {"mark=1 mark=2 => drop", "f:2: mark given twice"},
    {"mark=1 => result=1 result=2", "f:2: result given twice"},
    {"mark=1 => drop result=122", "f:2: drop stands alone"},
    {"mark=1 => close delay=1s", "f:2: close stands alone"},
    {"mark=1 => drop close", "f:2: drop stands alone"},
    {"mark=1 => delay=1.5s", "f:2: Invalid delay value \"1.5s\": expected a duration such as 250ms or 5s, at most 86400s"},
    {"mark=1 => complete=5", "f:2: Invalid complete value \"5\": expected a duration such as 250ms or 5s, at most 86400s"},
    {"mark => drop", "f:2: match mark needs =VALUE"},
    {"mark=1 => => drop", "f:2: a second =>"},
};

TEST(fault_rules, bad_lines_name_file_line_and_reason) {
  for (const BadLine& c : kBadLines) {
    const std::string text = std::string("# first line is a comment\n") + c.text + "\n";
    try {
      scte104::parse_fault_rules(text, "f");
      ADD_FAILURE() << c.text << ": accepted";
    } catch (const scte104::RuleError& e) {
      EXPECT_STREQ(e.what(), c.error) << c.text;
    }
  }
}

TEST(fault_rules, good_lines) {
  const std::vector<FaultRule> rules = scte104::parse_fault_rules(
      "\n   # comment\n"
      "opid=0xaFAf preroll_below=4000 => result=122\r\n"
      "\trequest=other\tmessage_number=7-9 => drop\n"
      "connection=2 mark=0x3 => delay=6s complete=off result_extension=17\n"
      "request=mark => complete=200ms complete_result=120\n"
      "request=init => close",
      "f");
  ASSERT_EQ(rules.size(), 5u);
  EXPECT_EQ(rules[0].line, 3u);
  EXPECT_EQ(*rules[0].opid, 0xAFAF);
  EXPECT_EQ(*rules[0].preroll_below, 4000u);
  EXPECT_EQ(*rules[0].result, 122);
  EXPECT_EQ(*rules[1].request, RequestKind::other);
  EXPECT_EQ(rules[1].message_number->low, 7u);
  EXPECT_EQ(rules[1].message_number->high, 9u);
  EXPECT_TRUE(rules[1].drop);
  EXPECT_EQ(rules[2].connection->low, 2u);
  EXPECT_EQ(rules[2].mark->high, 3u);
  EXPECT_EQ(*rules[2].delay_ms, 6000u);
  EXPECT_TRUE(rules[2].complete_given);
  EXPECT_FALSE(rules[2].complete_ms);
  EXPECT_EQ(*rules[2].result_extension, 17);
  EXPECT_EQ(*rules[3].complete_ms, 200u);
  EXPECT_EQ(*rules[3].complete_result, 120);
  EXPECT_TRUE(rules[4].close);
}

struct MatchCase {
  const char* name;
  RequestKind request;
  std::string hex;
  std::uint64_t mark;
  std::uint64_t connection;
  unsigned line;  // of the rule that matches, 0 for none
};

// A splice_request_data with pre_roll_time 3999, then a UTC-stamped mark
// holding a time_signal_request_data with pre_roll_time 4000.
const std::string kSplice3999 = "ffff001e0000ab00000000010101000e01400002b400000f9f04b0000000";
const std::string kTimeSignalUtc = "ffff00180000070000000100000001000201010400020fa0";

const MatchCase kMatches[] = {
    {"preroll_below_splice", RequestKind::mark, kSplice3999, 1, 1, 1},
    {"preroll_not_below_and_opid_inside_mark", RequestKind::mark, kTimeSignalUtc, 1, 1, 3},
    {"opid_of_single", RequestKind::other, "0009000dffffffff0000090000", 0, 1, 2},
    {"message_number_range_end", RequestKind::init, "0001000dffffffff0000090000", 0, 4, 4},
    {"connection_range", RequestKind::init, "0001000dffffffff0000010000", 0, 3, 5},
    {"mark_range", RequestKind::mark, "ffff000c0000010000000000", 6, 1, 6},
    {"nothing", RequestKind::alive, "0003000dffffffff0000010000", 0, 1, 0},
};

TEST(fault_rules, first_match_wins) {
  const std::vector<FaultRule> rules = scte104::parse_fault_rules(
      "request=mark preroll_below=4000 => result=122\n"
      "opid=9 => drop\n"
      "opid=0x0104 => delay=1s\n"
      "message_number=8-9 => result=1\n"
      "connection=2-3 => result=2\n"
      "mark=5-6 => result=3\n",
      "f");
  for (const MatchCase& c : kMatches) {
    const std::vector<std::uint8_t> bytes = samples::bytes(c.hex);
    RuleSubject subject;
    subject.request = c.request;
    subject.bytes = bytes.data();
    subject.size = bytes.size();
    subject.mark = c.mark;
    subject.connection = c.connection;
    const FaultRule* rule = scte104::match_fault_rule(rules, subject);
    EXPECT_EQ(rule == nullptr ? 0u : rule->line, c.line) << c.name;
  }
}

}  // namespace
