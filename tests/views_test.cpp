// Typed views read and written back: every sample operation under
// fuzz/corpus/view (an opID, then its data) whose view succeeds writes back
// exactly its data; one that fails keeps nothing but its error.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <utility>

#include "samples.h"
#include "scte/operation_data.h"

namespace {

using scte_104::Bytes;

TEST(views, read_then_write_gives_the_data_back) {
  int succeeded = 0, failed = 0;
  for (const auto& entry : std::filesystem::directory_iterator(SCTE104_VIEW_SAMPLES)) {
    std::ifstream file(entry.path(), std::ios::binary);
    const Bytes sample{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    ASSERT_GE(sample.size(), 2u);
    const Bytes data(sample.begin() + 2, sample.end());
    const auto id = static_cast<scte_104::MultipleOperationId>(sample[0] << 8u | sample[1]);
    scte_104::Operation op(id, static_cast<std::uint16_t>(data.size()), data);
    if (id == scte_104::SPLICE_REQUEST_DATA) {  // the decoder reads its 14 bytes
      Bytes message = samples::bytes("ffff000000000000000000" "01" "0101");
      message.push_back(static_cast<std::uint8_t>(data.size() >> 8u));
      message.push_back(static_cast<std::uint8_t>(data.size() & 0xFFu));
      message.insert(message.end(), data.begin(), data.end());
      op = samples::decoded(message)->operations()[0];
    }
    const scte_104::OperationView view = scte_104::view_operation(op);
    const bool has_fields = !std::holds_alternative<std::monostate>(view.fields);
    if (view.failed()) {
      ++failed;
      EXPECT_FALSE(has_fields || !view.trailing_data.empty()) << entry.path();
      EXPECT_NE(view.error.find(" needs "), std::string::npos) << view.error;
    } else if (has_fields) {
      ++succeeded;
      EXPECT_EQ(scte_104::write_operation_data(view), data) << entry.path();
      EXPECT_EQ(scte_104::write_fields(view.fields).size() + view.trailing_data.size(), data.size());
    } else {
      EXPECT_EQ(scte_104::write_operation_data(view), Bytes()) << entry.path();
    }
  }
  EXPECT_GE(succeeded, 25);
  EXPECT_GE(failed, 5);
}

TEST(views, records_built_by_hand_are_written_in_wire_order) {
  scte_104::InsertSegmentationDescriptorRequest segmentation;
  segmentation.segmentation_event_id = 0x01020304;
  segmentation.duration = 0x0506;
  segmentation.segmentation_upid_length = 1;
  segmentation.segmentation_upid = {0xAA};
  segmentation.segment_num = 7;
  segmentation.device_restrictions = 3;  // written in order, as far as they are set
  scte_104::InsertTimeDescriptor time{0x0000123456789ABC, 0x0A0B0C0D, 0x0E0F};
  EXPECT_EQ(scte_104::write_fields(segmentation), samples::bytes("0102030400050600" "01aa" "000700" "03"));
  EXPECT_EQ(scte_104::write_fields(time), samples::bytes("123456789abc" "0a0b0c0d" "0e0f"));
  EXPECT_EQ(scte_104::write_fields(std::monostate()), Bytes());
}

// A record as constructed holds zeros, and no optional field.
template <std::size_t... index>
void expect_zero_records(std::index_sequence<index...>) {
  for (const Bytes& bytes : {scte_104::write_fields(std::variant_alternative_t<index, scte_104::OperationFields>())...}) {
    EXPECT_EQ(bytes, Bytes(bytes.size(), 0));
  }
}

TEST(views, new_records_are_all_zero) {
  expect_zero_records(std::make_index_sequence<std::variant_size_v<scte_104::OperationFields>>());
  EXPECT_EQ(scte_104::write_fields(scte_104::SpliceRequest()), Bytes(14, 0));
}

}  // namespace
