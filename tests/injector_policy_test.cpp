// SPDX-License-Identifier: MIT
// The injector's answers, byte for byte, and when they fall due, on a fake
// clock: every kind of request, copied and counted header fields, time(),
// --exclusive, delays that overtake, inject_complete_response.
#include "injector_policy.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "samples.h"
#include "utility/strings.h"

namespace {

using scte104::Answer;
using scte104::Decision;
using scte104::InjectorConnection;
using scte104::InjectorPolicy;
using scte104::InjectorSettings;

constexpr std::int64_t kMs = 1'000'000;
// 1980-01-06T00:00:00Z + 1000 s, 123456 µs: time() 1000 + leap seconds.
const scte_104::SessionTime kWall{315'964'800 + 1000, 123'456'000};

std::string hex_of(const Answer& answer) { return samples::hex(answer.bytes.data(), answer.size); }

// The answers to `request` as they leave, each with its delay after the arrival.
std::vector<std::string> answer(InjectorPolicy& policy, InjectorConnection& connection,
                                const std::string& request, std::int64_t now = 0) {
  const std::vector<std::uint8_t> bytes = samples::bytes(request);
  Decision decision = policy.on_message(connection, bytes.data(), bytes.size(), now);
  std::sort(decision.answers.begin(), decision.answers.end(), scte104::due_before);
  std::vector<std::string> out;
  for (Answer& a : decision.answers) {
    policy.make_answer(connection, a, kWall);
    out.push_back(std::to_string((a.due_ns - now) / kMs) + "ms " + hex_of(a));
  }
  if (decision.close) out.push_back("close");
  return out;
}

// The help example's queue mark: message_number 0xab, one splice_request_data.
const std::string kMark = "ffff001e0000ab00000000010101000e01400002b4000001e004b0000000";
// AS_index 5, DPI_PID_index 0x0102, message_number 0x21.
const std::string kMarkIndexed = "ffff001e000521010200000101000e01400002b4000001e004b0000000";

struct AnswerCase {
  const char* name;
  std::string request;
  std::vector<std::string> answers;
  std::uint16_t result = 100;
  std::int64_t complete_ms = -1;
};

const AnswerCase kAnswers[] = {
    {"init", "0001000dffffffff0000010000", {"0ms 0002000d0064ffff0000010000"}},
    {"init_indexes_copied", "0001000dffffffff0007090304", {"0ms 0002000d0064ffff0007090304"}},
    {"alive_without_time", "0003000dffffffff0000020000", {"0ms 0004000d0064ffff0000020000"}},
    {"alive_with_time",
     "00030015ffffffff00000200005689eb7f0003ebe8",
     {"0ms 000400150064ffff0000020000000003fa0001e240"}},
    {"alive_with_short_time", "00030011ffffffff00000200005689eb7f", {"0ms 0004000d0064ffff0000020000"}},
    {"mark", kMark, {"0ms 0007000e0064ffff0000010000ab"}},
    {"mark_indexes_copied", kMarkIndexed, {"0ms 0007000e0064ffff000501010221"}},
    {"mark_refused_115", "ffff000c0000010000000001", {"0ms 0007000e0073ffff000001000001"}},
    {"mark_time_type_4_is_123", "ffff000c0000020000000400", {"0ms 0007000e007bffff000001000002"}},
    {"mark_result_option", kMark, {"0ms 0007000e0078ffff0000010000ab"}, 120, 0},
    {"mark_complete_same_time",
     kMarkIndexed,
     {"0ms 0007000e0064ffff000501010221", "0ms 0008000f0064ffff00050201022100"},
     100,
     0},
    {"mark_complete_later",
     kMark,
     {"0ms 0007000e0080ffff0000010000ab", "250ms 0008000f0064ffff0000020000ab01"},
     128,
     250},
    {"general_response_unanswered", "0000000d0064ffff0000010000", {}},
    {"init_response_unanswered", "0002000d0064ffff0000010000", {}},
    {"alive_response_unanswered", "0004000d0064ffff0000010000", {}},
    {"inject_response_unanswered", "0007000e0064ffff0000010000ab", {}},
    {"inject_complete_unanswered", "0008000f0064ffff0000010000ab01", {}},
    {"config_response_unanswered", "000a000f0064ffff00000100000100", {}},
    {"provisioning_response_unanswered", "000c000d0064ffff0000010000", {}},
    {"fault_response_unanswered", "0010000d0064ffff0000010000", {}},
    {"as_alive_response_unanswered", "0012000d0064ffff0000010000", {}},
    {"config_request_125", "00090019ffffffff00030400050a0000010d0f010000000000", {"0ms 0000000d007d00090003040005"}},
    {"provisioning_request_125", "000b000dffffffff0000050000", {"0ms 0000000d007d000b0000050000"}},
    {"fault_request_125", "000f000dffffffff0000060000", {"0ms 0000000d007d000f0000060000"}},
    {"as_alive_request_125", "0011000dffffffff0000070000", {"0ms 0000000d007d00110000070000"}},
    {"legacy_125", "0005000dffffffff0000080000", {"0ms 0000000d007d00050000080000"}},
    {"reserved_125", "0013000dffffffff0000090000", {"0ms 0000000d007d00130000090000"}},
    {"user_defined_125", "8001000dffffffff00000a0000", {"0ms 0000000d007d800100000a0000"}},
    {"wrong_container_125", "0101000dffffffff00000b0000", {"0ms 0000000d007d010100000b0000"}},
};

TEST(injector_policy, answers_byte_for_byte) {
  for (const AnswerCase& c : kAnswers) {
    InjectorSettings settings;
    settings.result = c.result;
    if (c.complete_ms >= 0) settings.complete_ns = c.complete_ms * kMs;
    InjectorPolicy policy(settings);
    InjectorConnection connection;
    connection.number = 1;
    EXPECT_EQ(answer(policy, connection, c.request), c.answers) << c.name;
  }
}

TEST(injector_policy, counted_numbers_wrap_and_echoed_ones_do_not) {
  InjectorPolicy policy(InjectorSettings{});
  InjectorConnection connection;
  connection.written = 254;
  EXPECT_EQ(answer(policy, connection, kMark),
            std::vector<std::string>{"0ms 0007000e0064ffff0000ff0000ab"});
  EXPECT_EQ(answer(policy, connection, "0001000dffffffff0000070000"),
            std::vector<std::string>{"0ms 0002000d0064ffff0000070000"});
  EXPECT_EQ(answer(policy, connection, kMark),
            std::vector<std::string>{"0ms 0007000e0064ffff0000010000ab"});
}

TEST(injector_policy, exclusive_refuses_a_second_ready_connection) {
  InjectorSettings settings;
  settings.exclusive = true;
  InjectorPolicy policy(settings);
  InjectorConnection first, second;
  first.number = 1;
  second.number = 2;
  const std::string init = "0001000dffffffff0000010000";
  EXPECT_EQ(answer(policy, first, init)[0], "0ms 0002000d0064ffff0000010000");
  EXPECT_EQ(answer(policy, second, init)[0], "0ms 0002000d006effff0000010000");  // 110
  EXPECT_EQ(answer(policy, first, init)[0], "0ms 0002000d0064ffff0000010000");   // re-init
  EXPECT_EQ(answer(policy, second, kMark)[0], "0ms 0007000e0064ffff0000020000ab");  // still answered
  policy.closed(first);
  EXPECT_EQ(answer(policy, second, init)[0], "0ms 0002000d0064ffff0000010000");
}

TEST(injector_policy, delays_overtake_and_complete_follows_its_response) {
  InjectorSettings settings;
  settings.delay_ns = 100 * kMs;
  settings.complete_ns = 50 * kMs;
  settings.rules = scte104::parse_fault_rules(
      "mark=1 => delay=6s\nmark=2 => delay=0 complete=off\nrequest=init => drop\n", "r");
  InjectorPolicy policy(settings);
  InjectorConnection connection;
  std::vector<Answer> all;
  const auto add = [&](const std::string& hex, std::int64_t now) {
    const std::vector<std::uint8_t> bytes = samples::bytes(hex);
    const Decision d = policy.on_message(connection, bytes.data(), bytes.size(), now);
    all.insert(all.end(), d.answers.begin(), d.answers.end());
  };
  add(kMark, 0);                                    // 6 s, complete 6.05 s
  add(kMarkIndexed, 10 * kMs);                      // 10 ms, no complete
  add("0001000dffffffff0000010000", 20 * kMs);      // dropped
  add("0003000dffffffff0000020000", 20 * kMs);      // 120 ms
  add("0003000dffffffff0000030000", 20 * kMs);      // 120 ms, after the one before
  std::sort(all.begin(), all.end(), scte104::due_before);
  std::vector<std::string> order;
  for (const Answer& a : all) order.push_back(std::to_string(a.due_ns / kMs) + " " + hex_of(a).substr(0, 4) + hex_of(a).substr(20, 2));
  EXPECT_EQ(order, (std::vector<std::string>{"10 000700", "120 000402", "120 000403", "6000 000700",
                                             "6050 000800"}));
}

TEST(injector_policy, rules_set_results_and_close) {
  InjectorSettings settings;
  settings.complete_ns = 0;
  settings.rules = scte104::parse_fault_rules(
      "request=mark preroll_below=4000 => result=122\n"
      "message_number=7 => close\n"
      "request=alive => result=124 result_extension=0x42\n"
      "request=mark => complete_result=120\n",
      "r");
  InjectorPolicy policy(settings);
  InjectorConnection connection;
  // pre_roll_time 480 ms: 122, and no inject_complete_response.
  EXPECT_EQ(answer(policy, connection, kMark),
            std::vector<std::string>{"0ms 0007000e007affff0000010000ab"});
  // pre_roll_time 0x1000 = 4096 ms: accepted, completed with 120.
  const std::string late = "ffff001e0000ab00000000010101000e01400002b40000100004b0000000";
  EXPECT_EQ(answer(policy, connection, late),
            (std::vector<std::string>{"0ms 0007000e0064ffff0000020000ab", "0ms 0008000f0078ffff0000030000ab01"}));
  EXPECT_EQ(answer(policy, connection, "0003000dffffffff0000070000"), std::vector<std::string>{"close"});
  EXPECT_EQ(answer(policy, connection, "0003000dffffffff0000080000"),
            std::vector<std::string>{"0ms 0004000d007c00420000080000"});
}

TEST(injector_policy, bad_size_is_114_with_the_opid) {
  InjectorPolicy policy(InjectorSettings{});
  InjectorConnection connection;
  Answer a = policy.bad_size(0x0003, 5);
  policy.make_answer(connection, a, kWall);
  EXPECT_EQ(hex_of(a), "0000000d007200030000000000");
}

}  // namespace
