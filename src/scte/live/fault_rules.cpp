// SPDX-License-Identifier: MIT
#include "fault_rules.h"

#include <functional>

#include "option_reader.h"

namespace scte104 {
namespace {

constexpr std::uint16_t kSpliceRequest = 0x0101;
constexpr std::uint16_t kTimeSignalRequest = 0x0104;

std::uint16_t read16(const std::uint8_t* bytes) {
  return static_cast<std::uint16_t>(bytes[0] << 8u | bytes[1]);
}

// Decimal, or 0x and hex digits.
bool parse_number(std::string_view text, std::uint64_t max, std::uint64_t& value) {
  unsigned base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  if (text.empty() || text.size() > 16) return false;
  value = 0;
  for (const char c : text) {
    unsigned digit;
    if (c >= '0' && c <= '9') {
      digit = static_cast<unsigned>(c - '0');
    } else if (base == 16 && c >= 'a' && c <= 'f') {
      digit = static_cast<unsigned>(c - 'a' + 10);
    } else if (base == 16 && c >= 'A' && c <= 'F') {
      digit = static_cast<unsigned>(c - 'A' + 10);
    } else {
      return false;
    }
    value = value * base + digit;
    if (value > max) return false;
  }
  return true;
}

// The timestamp's size after time_type, by time_type.
std::size_t timestamp_size(std::uint8_t time_type) {
  static const std::size_t sizes[] = {0, 6, 4, 2};
  return time_type < 4 ? sizes[time_type] : 0;
}

// Calls `visit(opID, data, data_size)` for each operation of a
// multiple_operation_message as far as its bytes hold whole headers.
void for_each_operation(const std::uint8_t* bytes, std::size_t size,
                        const std::function<void(std::uint16_t, const std::uint8_t*, std::size_t)>& visit) {
  constexpr std::size_t kTimeType = 10;
  if (size <= kTimeType) return;
  std::size_t at = kTimeType + 1 + timestamp_size(bytes[kTimeType]);
  if (at >= size) return;
  const unsigned count = bytes[at++];
  for (unsigned i = 0; i < count && at + 4 <= size; ++i) {
    const std::uint16_t op_id = read16(bytes + at);
    const std::size_t length = read16(bytes + at + 2);
    at += 4;
    const std::size_t held = std::min(length, size - at);
    visit(op_id, bytes + at, held);
    at += held;
  }
}

class LineReader {
 public:
  LineReader(std::string_view file, unsigned line) : mFile(file), mLine(line) {}

  [[noreturn]] void fail(const std::string& reason) const {
    throw RuleError(std::string(mFile) + ":" + std::to_string(mLine) + ": " + reason);
  }

  std::uint64_t number(std::string_view key, std::string_view value, std::uint64_t max) const {
    std::uint64_t result = 0;
    if (!parse_number(value, max, result)) {
      fail("bad number \"" + std::string(value) + "\" for " + std::string(key) + " (0 to " +
           std::to_string(max) + ")");
    }
    return result;
  }

  RuleRange range(std::string_view key, std::string_view value, std::uint64_t max) const {
    const std::size_t dash = value.find('-');
    RuleRange range;
    range.low = number(key, value.substr(0, dash), max);
    range.high = dash == std::string_view::npos ? range.low : number(key, value.substr(dash + 1), max);
    if (range.high < range.low) fail("range " + std::string(value) + " ends before it starts");
    return range;
  }

  std::uint64_t duration(std::string_view key, std::string_view value) const {
    try {
      return parse_duration_option(key, value);
    } catch (const OptionError& e) {
      fail(e.what());
    }
  }

 private:
  std::string_view mFile;
  unsigned mLine;
};

std::vector<std::string_view> words_of(std::string_view line) {
  std::vector<std::string_view> words;
  std::size_t at = 0;
  while (at < line.size()) {
    while (at < line.size() && (line[at] == ' ' || line[at] == '\t')) ++at;
    std::size_t end = at;
    while (end < line.size() && line[end] != ' ' && line[end] != '\t') ++end;
    if (end > at) words.push_back(line.substr(at, end - at));
    at = end;
  }
  return words;
}

void read_match(const LineReader& reader, std::string_view key, std::string_view value,
                FaultRule& rule) {
  if (key == "request") {
    if (value == "init") {
      rule.request = RequestKind::init;
    } else if (value == "alive") {
      rule.request = RequestKind::alive;
    } else if (value == "mark") {
      rule.request = RequestKind::mark;
    } else if (value == "other") {
      rule.request = RequestKind::other;
    } else {
      reader.fail("request=" + std::string(value) + ": expected init, alive, mark or other");
    }
  } else if (key == "opid") {
    rule.opid = static_cast<std::uint16_t>(reader.number(key, value, 0xFFFF));
  } else if (key == "message_number") {
    rule.message_number = reader.range(key, value, 255);
  } else if (key == "mark") {
    rule.mark = reader.range(key, value, UINT64_MAX >> 4);
  } else if (key == "connection") {
    rule.connection = reader.range(key, value, UINT64_MAX >> 4);
  } else if (key == "preroll_below") {
    rule.preroll_below = reader.number(key, value, 0xFFFF + 1);
  } else {
    reader.fail("unknown match " + std::string(key));
  }
}

void read_action(const LineReader& reader, std::string_view key, std::string_view value,
                 FaultRule& rule) {
  if (key == "result") {
    rule.result = static_cast<std::uint16_t>(reader.number(key, value, 0xFFFF));
  } else if (key == "result_extension") {
    rule.result_extension = static_cast<std::uint16_t>(reader.number(key, value, 0xFFFF));
  } else if (key == "delay") {
    rule.delay_ms = reader.duration(key, value);
  } else if (key == "complete") {
    rule.complete_given = true;
    if (value != "off") rule.complete_ms = reader.duration(key, value);
  } else if (key == "complete_result") {
    rule.complete_result = static_cast<std::uint16_t>(reader.number(key, value, 0xFFFF));
  } else {
    reader.fail("unknown action " + std::string(key));
  }
}

}  // namespace

std::vector<FaultRule> parse_fault_rules(std::string_view text, std::string_view file) {
  std::vector<FaultRule> rules;
  unsigned number = 0;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    ++number;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const std::vector<std::string_view> words = words_of(line);
    if (words.empty() || words.front().front() == '#') continue;
    const LineReader reader(file, number);
    FaultRule rule;
    rule.line = number;
    bool actions = false;
    unsigned matches = 0;
    unsigned action_count = 0;
    std::vector<std::string_view> keys;
    for (const std::string_view word : words) {
      if (word == "=>") {
        if (actions) reader.fail("a second =>");
        actions = true;
        continue;
      }
      const std::size_t equals = word.find('=');
      const std::string_view key = word.substr(0, equals);
      for (const std::string_view seen : keys) {
        if (seen == key) reader.fail(std::string(key) + " given twice");
      }
      keys.push_back(key);
      if (!actions) {
        if (equals == std::string_view::npos) reader.fail("match " + std::string(word) + " needs =VALUE");
        read_match(reader, key, word.substr(equals + 1), rule);
        ++matches;
        continue;
      }
      ++action_count;
      if (word == "drop") {
        rule.drop = true;
      } else if (word == "close") {
        rule.close = true;
      } else if (equals == std::string_view::npos) {
        reader.fail("unknown action " + std::string(word));
      } else {
        read_action(reader, key, word.substr(equals + 1), rule);
      }
    }
    if (!actions) reader.fail("no =>");
    if (matches == 0) reader.fail("no match before =>");
    if (action_count == 0) reader.fail("no action after =>");
    if ((rule.drop || rule.close) && action_count > 1) {
      reader.fail(std::string(rule.drop ? "drop" : "close") + " stands alone");
    }
    rules.push_back(rule);
  }
  return rules;
}

namespace {

bool holds_opid(const RuleSubject& subject, std::uint16_t op_id) {
  if (subject.request != RequestKind::mark) return read16(subject.bytes) == op_id;
  bool found = false;
  for_each_operation(subject.bytes, subject.size,
                     [&](std::uint16_t id, const std::uint8_t*, std::size_t) { found |= id == op_id; });
  return found;
}

bool holds_preroll_below(const RuleSubject& subject, std::uint64_t limit) {
  if (subject.request != RequestKind::mark) return false;
  bool found = false;
  for_each_operation(subject.bytes, subject.size,
                     [&](std::uint16_t id, const std::uint8_t* data, std::size_t size) {
                       std::size_t offset;
                       if (id == kSpliceRequest) {
                         offset = 7;
                       } else if (id == kTimeSignalRequest) {
                         offset = 0;
                       } else {
                         return;
                       }
                       if (offset + 2 <= size && read16(data + offset) < limit) found = true;
                     });
  return found;
}

bool holds(const FaultRule& rule, const RuleSubject& subject) {
  constexpr std::size_t kSingleNumber = 10;
  constexpr std::size_t kMarkNumber = 6;
  if (rule.request && *rule.request != subject.request) return false;
  if (rule.opid && !holds_opid(subject, *rule.opid)) return false;
  if (rule.message_number) {
    const std::size_t at = subject.request == RequestKind::mark ? kMarkNumber : kSingleNumber;
    if (subject.size <= at || !rule.message_number->holds(subject.bytes[at])) return false;
  }
  if (rule.mark && (subject.mark == 0 || !rule.mark->holds(subject.mark))) return false;
  if (rule.connection && !rule.connection->holds(subject.connection)) return false;
  if (rule.preroll_below && !holds_preroll_below(subject, *rule.preroll_below)) return false;
  return true;
}

}  // namespace

const FaultRule* match_fault_rule(const std::vector<FaultRule>& rules, const RuleSubject& subject) {
  for (const FaultRule& rule : rules) {
    if (holds(rule, subject)) return &rule;
  }
  return nullptr;
}

}  // namespace scte104
