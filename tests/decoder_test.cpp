#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <tuple>

#include "samples.h"
#include "scte/scte_104.h"

namespace {

using scte_104::MultipleOperationMessage;

// Decodes `hex` and returns the error text, or "" when decode() succeeds.
std::string decode_error(MultipleOperationMessage& message) {
  try {
    message.decode();
  } catch (const std::runtime_error& e) {
    return e.what();
  }
  return "";
}

TEST(decoder, help_example_field_by_field) {
  const auto bytes = samples::bytes(samples::kHelpExample);
  const auto m = samples::decoded(bytes);
  EXPECT_EQ(m->reserved(), 0xFFFF);
  EXPECT_EQ(m->message_size(), 30);
  EXPECT_EQ(m->protocol_version(), 0);
  EXPECT_EQ(m->as_index(), 0);
  EXPECT_EQ(m->message_number(), 0xAB);
  EXPECT_EQ(m->dpi_pid_index(), 0);
  EXPECT_EQ(m->scte35_protocol_version(), 0);
  EXPECT_EQ(m->timestamp().mTimeType, 0);
  ASSERT_EQ(m->num_ops(), 1);
  ASSERT_EQ(m->operations().size(), 1u);
  const auto& op = m->operations()[0];
  EXPECT_EQ(op.operation_id(), scte_104::SPLICE_REQUEST_DATA);
  EXPECT_EQ(op.data_length(), 14);
  EXPECT_EQ(op.data(), samples::bytes("01400002b4000001e004b0000000"));
  const auto& r = op.request_data();
  EXPECT_EQ(r.splice_insert_type(), scte_104::SPLICE_START_NORMAL);
  EXPECT_EQ(r.splice_event_id(), 0x400002B4u);
  EXPECT_EQ(r.unique_program_id(), 0);
  EXPECT_EQ(r.pre_roll_time(), 480);
  EXPECT_EQ(r.break_duration(), 1200);
  EXPECT_EQ(r.avail_num(), 0);
  EXPECT_EQ(r.avails_expected(), 0);
  EXPECT_EQ(r.auto_return_flag(), 0);
  EXPECT_EQ(m->position(), 30u);
  EXPECT_EQ(m->to_hex(), samples::kHelpExample);
  EXPECT_EQ(m->to_base64(), "//8AHgAAqwAAAAABAQEADgFAAAK0AAAB4ASwAAAA");
}

TEST(decoder, wrong_reserved_value_is_refused_and_kept) {
  const auto bytes = samples::bytes("fffe001e0000ab00000000");
  MultipleOperationMessage m(bytes.data(), bytes.size());
  EXPECT_EQ(decode_error(m), "Reserved value must be equal to 0xFFFF");
  EXPECT_EQ(m.reserved(), 0xFFFE);
  EXPECT_EQ(m.position(), 2u);
  EXPECT_EQ(m.message_size(), 0);
}

TEST(decoder, unknown_time_type_is_refused_and_kept) {
  const auto bytes = samples::bytes("ffff001e0102ab0003040400");
  MultipleOperationMessage m(bytes.data(), bytes.size());
  EXPECT_EQ(decode_error(m), "Unknown Timestamp time_type value");
  EXPECT_EQ(m.timestamp().mTimeType, 4);
  EXPECT_EQ(m.position(), 11u);
  EXPECT_EQ(m.message_number(), 0xAB);
  EXPECT_EQ(m.dpi_pid_index(), 0x0003);
  EXPECT_EQ(m.scte35_protocol_version(), 4);
  EXPECT_TRUE(m.operations().empty());
}

auto fields(const scte_104::Timestamp& t) {
  return std::make_tuple(t.mTimeType, t.mUTCSeconds, t.mUTCMicroseconds, t.mHours, t.mMinutes,
                         t.mSeconds, t.mFrames, t.mGPINumber, t.mGPIEdge);
}

TEST(decoder, every_timestamp_layout) {
  const struct {
    const char* hex;
    std::size_t num_ops_offset;
    scte_104::Timestamp expected;
  } cases[] = {
      {"ffff000c000000000000"
       "00"
       "00",
       11,
       {}},
      {samples::kUtcTimestamp, 17, {1, 256, 0x1234, 0, 0, 0, 0, 0, 0}},
      {samples::kTimeCodeTimestamp, 15, {2, 0, 0, 1, 2, 3, 4, 0, 0}},
      {samples::kGpiTimestamp, 13, {3, 0, 0, 0, 0, 0, 0, 5, 1}},
  };
  for (const auto& c : cases) {
    const auto bytes = samples::bytes(c.hex);
    MultipleOperationMessage m(bytes.data(), bytes.size());
    m.decode();
    EXPECT_EQ(fields(m.timestamp()), fields(c.expected)) << c.hex;
  }
}

TEST(decoder, operation_after_proprietary_data_starts_after_its_data) {
  const auto bytes = samples::bytes(samples::kProprietaryThenSplice);
  const auto m = samples::decoded(bytes);
  ASSERT_EQ(m->operations().size(), 2u);
  const auto& first = m->operations()[0];
  EXPECT_EQ(first.operation_id(), scte_104::PROPRIETARY_COMMAND_REQUEST_DATA);
  EXPECT_EQ(first.data(), samples::bytes("0000002a0741"));
  EXPECT_EQ(first.request_data().splice_event_id(), 0u);
  const auto& r = m->operations()[1].request_data();
  EXPECT_EQ(r.splice_insert_type(), scte_104::SPLICE_END_NORMAL);
  EXPECT_EQ(r.splice_event_id(), 0xFFFFFFFFu);
  EXPECT_EQ(r.unique_program_id(), 0xABCD);
  EXPECT_EQ(r.pre_roll_time(), 1);
  EXPECT_EQ(r.break_duration(), 2);
  EXPECT_EQ(r.avail_num(), 5);
  EXPECT_EQ(r.avails_expected(), 6);
  EXPECT_EQ(r.auto_return_flag(), 7);
  EXPECT_EQ(m->position(), bytes.size());
}

TEST(decoder, splice_request_consumes_14_bytes_whatever_data_length_says) {
  // data_length 16: the next opID starts 2 bytes before that data ends.
  const auto bytes = samples::bytes(
      "ffff000000000000000000"
      "02"
      "01010010"
      "01400002b4000001e004b0000000"
      "0200"
      "0000");  // opID 0x0200 read from the last two data bytes, data_length 0
  const auto m = samples::decoded(bytes);
  ASSERT_EQ(m->operations().size(), 2u);
  EXPECT_EQ(m->operations()[0].data().size(), 16u);
  EXPECT_EQ(m->operations()[0].request_data().break_duration(), 1200);
  EXPECT_EQ(m->operations()[1].operation_id(), 0x0200);
  EXPECT_EQ(m->operations()[1].data_length(), 0);
  EXPECT_EQ(m->position(), bytes.size());
}

TEST(decoder, data_length_past_the_end_keeps_the_bytes_there) {
  const auto bytes = samples::bytes(
      "ffff000000000000000000"
      "01"
      "010c0100"
      "0000002a07");
  const auto m = samples::decoded(bytes);
  ASSERT_EQ(m->operations().size(), 1u);
  EXPECT_EQ(m->operations()[0].data_length(), 0x100);
  EXPECT_EQ(m->operations()[0].data(), samples::bytes("0000002a07"));
  EXPECT_EQ(m->position(), 16u + 0x100);
}

TEST(decoder, bytes_after_the_last_operation_are_ignored_but_rendered) {
  const auto bytes = samples::bytes(std::string(samples::kHelpExample) + "beef");
  const auto m = samples::decoded(bytes);
  EXPECT_EQ(m->position(), 30u);
  EXPECT_EQ(m->to_hex(), std::string(samples::kHelpExample) + "beef");
}

TEST(decoder, empty_and_null_buffers) {
  MultipleOperationMessage null_data(nullptr, 12);
  EXPECT_TRUE(null_data.data().empty());
  EXPECT_EQ(null_data.to_hex(), "");
  EXPECT_EQ(null_data.to_base64(), "");
  EXPECT_EQ(decode_error(null_data),
            "Message ends early: reserved needs 2 bytes at offset 0, message holds 0");
}

// A message cut anywhere fails with a text naming what is missing, never
// reads past its buffer (the sanitizer build checks that), and keeps what
// it read.
TEST(decoder, truncation_at_every_offset) {
  for (const char* hex : {samples::kHelpExample, samples::kProprietaryThenSplice,
                          samples::kUtcTimestamp, samples::kTimeCodeTimestamp}) {
    const auto full = samples::bytes(hex);
    for (std::size_t n = 0; n < full.size(); ++n) {
      MultipleOperationMessage m(full.data(), n);
      const std::string error = decode_error(m);
      EXPECT_EQ(error.rfind("Message ends early: ", 0), 0u) << hex << " cut at " << n;
      EXPECT_NE(error.find("message holds " + std::to_string(n)), std::string::npos) << error;
      EXPECT_LE(m.position(), full.size());
      if (n >= 2) {
        EXPECT_EQ(m.reserved(), 0xFFFF);
      }
    }
  }
}

TEST(decoder, cut_splice_request_is_not_appended) {
  const auto full = samples::bytes(samples::kHelpExample);
  MultipleOperationMessage m(full.data(), full.size() - 1);
  EXPECT_EQ(decode_error(m),
            "Message ends early: auto_return_flag needs 1 byte at offset 29, message holds 29");
  EXPECT_EQ(m.num_ops(), 1);
  EXPECT_TRUE(m.operations().empty());
}

}  // namespace
