#include <gtest/gtest.h>

#include <random>
#include <stdexcept>
#include <vector>

#include "samples.h"
#include "scte/scte_104.h"

namespace {

using scte_104::MultipleOperationMessage;
using Bytes = std::vector<std::uint8_t>;

Bytes decode_then_encode(const Bytes& bytes, bool with_lead_byte) {
  const auto m = samples::decoded(bytes);
  m->encode(with_lead_byte);
  return m->data();
}

TEST(encoder, well_formed_messages_round_trip) {
  for (const char* hex :
       {samples::kHelpExample, samples::kProprietaryThenSplice, samples::kUtcTimestamp,
        samples::kTimeCodeTimestamp, samples::kGpiTimestamp}) {
    const Bytes bytes = samples::bytes(hex);
    EXPECT_EQ(decode_then_encode(bytes, false), bytes) << hex;
    Bytes with_lead{0x08};
    with_lead.insert(with_lead.end(), bytes.begin(), bytes.end());
    EXPECT_EQ(decode_then_encode(bytes, true), with_lead) << hex;
  }
}

TEST(encoder, setters_write_the_lead_byte_and_the_new_value) {
  const struct {
    bool preroll;
    std::uint16_t value;
    const char* base64;
  } cases[] = {
      {true, 480, "CP//AB4AAKsAAAAAAQEBAA4BQAACtAAAAeAEsAAAAA=="},
      {true, 600, "CP//AB4AAKsAAAAAAQEBAA4BQAACtAAAAlgEsAAAAA=="},
      {false, 2400, "CP//AB4AAKsAAAAAAQEBAA4BQAACtAAAAeAJYAAAAA=="},
  };
  for (const auto& c : cases) {
    const Bytes bytes = samples::bytes(samples::kHelpExample);
    MultipleOperationMessage m(bytes.data(), bytes.size());
    m.decode();
    if (c.preroll) {
      m.set_preroll_time(0, c.value);
    } else {
      m.set_break_duration(0, c.value);
    }
    EXPECT_EQ(m.to_base64(), c.base64);
    EXPECT_EQ(m.data().size(), 31u);
    EXPECT_EQ(m.position(), 30u);  // still counted in the old buffer
    EXPECT_EQ(m.message_size(), 30);
  }
}

TEST(encoder, setter_on_other_operation_changes_nothing) {
  const Bytes bytes = samples::bytes(samples::kProprietaryThenSplice);
  const auto m = samples::decoded(bytes);
  m->set_preroll_time(0, 99);
  m->set_break_duration(0, 99);
  EXPECT_EQ(m->operations()[0].request_data().pre_roll_time(), 0);
  EXPECT_EQ(m->data(), bytes);
  m->set_preroll_time(1, 0x1234);
  EXPECT_EQ(m->to_hex().substr(0, 2), "08");
  EXPECT_EQ(m->to_hex().substr(2 * (1 + 33), 4), "1234");  // pre_roll_time at offset 33
}

TEST(encoder, setter_index_outside_the_list_throws_and_changes_nothing) {
  const Bytes bytes = samples::bytes(samples::kHelpExample);
  const auto m = samples::decoded(bytes);
  EXPECT_THROW(m->set_preroll_time(-1, 1), std::out_of_range);
  EXPECT_THROW(m->set_break_duration(1, 1), std::out_of_range);
  EXPECT_EQ(m->data(), bytes);
}

TEST(encoder, writes_fields_as_held_and_only_operations_that_exist) {
  const Bytes bytes = samples::bytes(samples::kProprietaryThenSplice);
  const auto m = samples::decoded(bytes);
  m->operations()[0].set_data_length(2);  // not recomputed from data()
  m->operations()[1].data().clear();      // a splice request is written from its fields
  m->operations().pop_back();             // num_ops still says 2
  m->encode(false);
  EXPECT_EQ(m->data(), samples::bytes("ffff00280000010000000002"
                                      "010c00020000002a0741"));
}

TEST(encoder, no_operations_gives_the_header_alone) {
  const Bytes bytes = samples::bytes(
      "ffff000c000000000000"
      "00"
      "00");
  EXPECT_EQ(decode_then_encode(bytes, false), bytes);
}

// Generated well-formed messages: random header, timestamp layout and
// operations (splice requests of 14 bytes, other opIDs with any data).
Bytes random_message(std::mt19937& rng) {
  auto byte = [&rng] { return static_cast<std::uint8_t>(rng() & 0xFFu); };
  Bytes m{0xFF, 0xFF};
  for (int i = 0; i < 8; ++i) m.push_back(byte());
  const std::uint8_t time_type = static_cast<std::uint8_t>(rng() % 4);
  m.push_back(time_type);
  const int body[] = {0, 6, 4, 2};
  for (int i = 0; i < body[time_type]; ++i) m.push_back(byte());
  const std::uint8_t num_ops = static_cast<std::uint8_t>(rng() % 5);
  m.push_back(num_ops);
  for (int op = 0; op < num_ops; ++op) {
    const bool splice = rng() % 2 == 0;
    const std::uint16_t id = splice ? 0x0101 : static_cast<std::uint16_t>(rng() % 0x0400);
    const std::size_t length = (id == 0x0101) ? 14 : rng() % 40;
    m.push_back(static_cast<std::uint8_t>(id >> 8));
    m.push_back(static_cast<std::uint8_t>(id & 0xFF));
    m.push_back(0);
    m.push_back(static_cast<std::uint8_t>(length));
    for (std::size_t i = 0; i < length; ++i) m.push_back(byte());
  }
  return m;
}

TEST(encoder, decode_then_encode_returns_generated_messages) {
  std::mt19937 rng(104);
  for (int i = 0; i < 2000; ++i) {
    const Bytes bytes = random_message(rng);
    ASSERT_EQ(decode_then_encode(bytes, false), bytes) << "message " << i;
  }
}

}  // namespace
