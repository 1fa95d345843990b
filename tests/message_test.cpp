// SPDX-License-Identifier: MIT
// What the library promises beyond what the tool shows: the state a failed
// decode() leaves, the read position, and the way back to bytes.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "samples.h"

namespace {

using scte_104::MultipleOperationMessage;
using Bytes = std::vector<std::uint8_t>;

std::string decode_error(MultipleOperationMessage& message) {
  try {
    message.decode();
  } catch (const std::runtime_error& e) {
    return e.what();
  }
  return "";
}

TEST(message, a_failed_decode_keeps_what_it_read) {
  const struct {
    const char *hex, *error;
    std::size_t position, operations;
    std::uint16_t reserved;
    std::uint8_t time_type;
  } cases[] = {
      // clang-format off
      {"", "Message ends early: reserved needs 2 bytes at offset 0, message holds 0", 0, 0, 0, 0},
      {"fffe001e", "Reserved value must be equal to 0xFFFF", 2, 0, 0xFFFE, 0},
      {"ffff001e0102ab00030404", "Unknown Timestamp time_type value", 11, 0, 0xFFFF, 4},
      {"ffff0000000000000000000201020000" "0101000e01",  // a splice_null, then a splice request cut short
       "Message ends early: splice_event_id needs 4 bytes at offset 21, message holds 21", 21, 1, 0xFFFF, 0},
      // clang-format on
  };
  for (const auto& c : cases) {
    const Bytes bytes = samples::bytes(c.hex);
    MultipleOperationMessage m(bytes.data(), bytes.size());
    EXPECT_EQ(decode_error(m), c.error);
    EXPECT_EQ(m.position(), c.position) << c.hex;
    EXPECT_EQ(m.reserved(), c.reserved);
    EXPECT_EQ(m.timestamp().mTimeType, c.time_type);
    EXPECT_EQ(m.operations().size(), c.operations);
  }
}

TEST(message, read_position_follows_the_fields_not_the_buffer) {
  // A splice request with data_length 16 is 14 bytes: the next opID (0x0200,
  // data_length 0) is read from its last two data bytes. Then a data_length
  // that runs past the end keeps what is there.
  const Bytes bytes = samples::bytes("ffff000000000000000000" "03" "01010010" "01400002b4000001e004b0000000"
                                     "0200" "0000" "010c0100" "0000002a07");
  const auto m = samples::decoded(bytes);
  ASSERT_EQ(m->operations().size(), 3u);
  EXPECT_EQ(m->operations()[0].data().size(), 16u);
  EXPECT_EQ(m->operations()[1].operation_id(), 0x0200);
  EXPECT_EQ(m->operations()[2].data(), samples::bytes("0000002a07"));
  EXPECT_EQ(m->position(), bytes.size() - 5 + 0x100);
  // Decoding again goes on from there; the operations are appended.
  const Bytes twice = samples::bytes(std::string(samples::kHelpExample) + samples::kHelpExample);
  const auto again = samples::decoded(twice);
  again->decode();
  EXPECT_EQ(again->operations().size(), 2u);
  EXPECT_EQ(again->position(), twice.size());
}

TEST(message, null_data_gives_an_empty_buffer_and_zero_fields) {
  MultipleOperationMessage m(nullptr, 12);
  EXPECT_TRUE(m.data().empty());
  const scte_104::Timestamp& t = m.timestamp();
  EXPECT_EQ(0u + m.reserved() + m.message_size() + m.protocol_version() + m.as_index() + t.mTimeType +
                t.mUTCSeconds + t.mUTCMicroseconds + t.mHours + t.mMinutes + t.mSeconds + t.mFrames + t.mGPINumber +
                t.mGPIEdge + scte_104::Operation().data_length(),
            0u);
  EXPECT_EQ(m.to_hex() + m.to_base64(), "");
  const Bytes bytes = samples::bytes(std::string(samples::kHelpExample) + "beef");
  EXPECT_EQ(MultipleOperationMessage(bytes).to_hex(), std::string(samples::kHelpExample) + "beef");
}

TEST(message, setters_rewrite_one_splice_request_with_the_lead_byte) {
  const Bytes bytes = samples::bytes(samples::kProprietaryThenSplice);
  const auto m = samples::decoded(bytes);
  m->set_preroll_time(0, 99);  // not a splice request: nothing changes
  m->set_break_duration(0, 99);
  EXPECT_EQ(m->data(), bytes);
  EXPECT_THROW(m->set_preroll_time(-1, 1), std::out_of_range);
  EXPECT_THROW(m->set_break_duration(2, 1), std::out_of_range);
  EXPECT_EQ(m->data(), bytes);
  m->set_preroll_time(1, 0xA53C);  // together, every bit of both bytes
  m->set_break_duration(1, 0x5AC3);
  EXPECT_EQ(m->to_hex(), std::string("08") + "ffff00280000010000000002" "010c00060000002a0741"
                                             "0101000e03ffffffffabcd" "a53c" "5ac3" "050607");
  EXPECT_EQ(m->position(), bytes.size());  // still counted in the old buffer
}

TEST(message, encode_writes_fields_as_held_and_only_operations_that_exist) {
  const auto m = samples::decoded(samples::bytes(samples::kProprietaryThenSplice));
  m->operations()[0].set_data_length(2);  // not recomputed from data()
  m->operations()[1].data().clear();      // a splice request is written from its fields
  m->encode(false);
  EXPECT_EQ(m->to_hex(), "ffff00280000010000000002" "010c00020000002a0741"
                         "0101000e03ffffffffabcd00010002050607");
  m->operations().pop_back();  // num_ops still says 2
  m->encode(true);
  EXPECT_EQ(m->to_hex(), "08ffff00280000010000000002" "010c00020000002a0741");
}

TEST(message, decode_then_encode_gives_the_bytes_back) {
  for (const char* hex : {samples::kHelpExample, samples::kProprietaryThenSplice, samples::kUtcTimestamp,
                          samples::kTimeCodeTimestamp, samples::kSegmentation}) {
    const Bytes bytes = samples::bytes(hex);
    const auto m = samples::decoded(bytes);
    m->encode(false);
    EXPECT_EQ(m->data(), bytes) << hex;
  }
}

}  // namespace
