// SPDX-License-Identifier: MIT
// Fault rules for the injector emulator: lines of `MATCH... => ACTION...`
// that make it answer a chosen message otherwise (another result, a delay,
// no answer, a closed connection). The first line whose every match holds
// gives the actions.
#ifndef SCTE104_FAULT_RULES_H
#define SCTE104_FAULT_RULES_H

#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace scte104 {

// A bad rule line: what() is "FILE:LINE: reason".
class RuleError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum class RequestKind { init, alive, mark, other };

struct RuleRange {
  std::uint64_t low = 0;
  std::uint64_t high = 0;
  bool holds(std::uint64_t value) const { return value >= low && value <= high; }
};

struct FaultRule {
  unsigned line = 0;
  // Matches: every one given must hold.
  std::optional<RequestKind> request;
  std::optional<std::uint16_t> opid;
  std::optional<RuleRange> message_number;
  std::optional<RuleRange> mark;
  std::optional<RuleRange> connection;
  std::optional<std::uint64_t> preroll_below;  // milliseconds
  // Actions.
  std::optional<std::uint16_t> result;
  std::optional<std::uint16_t> result_extension;
  std::optional<std::uint64_t> delay_ms;
  bool drop = false;
  bool close = false;
  bool complete_given = false;
  std::optional<std::uint64_t> complete_ms;  // with complete_given: nullopt is `off`
  std::optional<std::uint16_t> complete_result;
};

// What a received message is, for the matches.
struct RuleSubject {
  RequestKind request = RequestKind::other;
  const std::uint8_t* bytes = nullptr;  // the whole message
  std::size_t size = 0;
  std::uint64_t mark = 0;  // the n-th multiple_operation_message of its connection (0: not one)
  std::uint64_t connection = 0;
};

// Reads the rules of `text`; `file` names it in errors.
std::vector<FaultRule> parse_fault_rules(std::string_view text, std::string_view file);

// The first rule that holds for `subject`, or null.
const FaultRule* match_fault_rule(const std::vector<FaultRule>& rules, const RuleSubject& subject);

}  // namespace scte104

#endif  // SCTE104_FAULT_RULES_H
