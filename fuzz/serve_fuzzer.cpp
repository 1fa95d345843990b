// SPDX-License-Identifier: MIT
// Arbitrary bytes from an automation system, cut into reads anywhere and
// handed to the session checker and the injector policy as --serve does:
// every answer is a whole single_operation_message whose messageSize is
// its length, an inject_response names the mark it answers, answers fall
// due no earlier than their message, and a rule file line of the input
// parses or is refused, never crashes.
#include <cstdlib>
#include <string>
#include <vector>

#include "fault_rules.h"
#include "injector_policy.h"
#include "scte/session.h"

namespace {

class PolicyTap : public scte_104::SessionEvents {
 public:
  explicit PolicyTap(scte104::InjectorPolicy& policy) : mPolicy(policy) {}

  void message(const scte_104::SessionPlace& place, const std::uint8_t* bytes, std::size_t size,
               const scte_104::SingleOperationMessage*) override {
    const scte104::Decision decision = mPolicy.on_message(connection, bytes, size, now);
    for (scte104::Answer answer : decision.answers) {
      mPolicy.make_answer(connection, answer, scte_104::SessionTime{1'800'000'000, 0});
      const std::size_t declared = static_cast<std::size_t>(answer.bytes[2] << 8u | answer.bytes[3]);
      if (declared != answer.size || answer.size < 13 || answer.due_ns < now) std::abort();
      const bool mark = bytes[0] == 0xFF && bytes[1] == 0xFF;
      if (mark && answer.bytes[1] == 0x07 && answer.bytes[13] != bytes[6]) std::abort();
      if (place.direction != scte_104::SessionDirection::to_injector) std::abort();
    }
  }
  void problem(const scte_104::SessionPlace&, const scte_104::SessionProblem&) override {}

  scte104::InjectorConnection connection;
  std::int64_t now = 0;

 private:
  scte104::InjectorPolicy& mPolicy;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  std::uint32_t state = static_cast<std::uint32_t>(data[0] << 8u | data[1]) | 1u;
  const auto random = [&state](std::uint32_t bound) {
    state ^= state << 13u;
    state ^= state >> 17u;
    state ^= state << 5u;
    return state % bound;
  };
  data += 2;
  size -= 2;
  // The input's first line doubles as a rule file.
  std::string first_line;
  for (std::size_t i = 0; i < size && data[i] != '\n' && i < 200; ++i) {
    first_line += static_cast<char>(data[i]);
  }
  scte104::InjectorSettings settings;
  settings.complete_ns = 0;
  try {
    settings.rules = scte104::parse_fault_rules(first_line, "rules");
  } catch (const scte104::RuleError&) {
  }
  scte104::InjectorPolicy policy(settings);
  PolicyTap tap(policy);
  tap.connection.number = 1;
  scte_104::SessionChecker checker(tap);
  checker.set_max_message(static_cast<std::uint16_t>(13 + random(8192)));
  checker.advance(1, scte_104::SessionTime{1'800'000'000, 0});
  checker.open(1, true);
  std::size_t at = 0;
  std::uint64_t packet = 1;
  while (at < size) {
    const std::size_t piece = std::min<std::size_t>(size - at, 1 + random(64));
    tap.now += static_cast<std::int64_t>(random(1000)) * 1'000'000;
    checker.advance(++packet, scte_104::SessionTime{1'800'000'000 + tap.now / 1'000'000'000, 0});
    checker.feed(1, scte_104::SessionDirection::to_injector, data + at, piece, true);
    at += piece;
  }
  checker.end_direction(1, scte_104::SessionDirection::to_injector);
  checker.end_direction(1, scte_104::SessionDirection::from_injector);
  checker.close(1, true);
  return 0;
}
