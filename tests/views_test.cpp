// SPDX-License-Identifier: MIT
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
    // The one operation of a message: opID, data_length, then the data.
    Bytes message = samples::bytes("ffff000000000000000000" "01");
    message.insert(message.end(), sample.begin(), sample.begin() + 2);
    message.push_back(static_cast<std::uint8_t>((sample.size() - 2) >> 8u));
    message.push_back(static_cast<std::uint8_t>((sample.size() - 2) & 0xFFu));
    message.insert(message.end(), sample.begin() + 2, sample.end());
    const auto decoded = samples::decoded(message);
    const scte_104::Operation& op = decoded->operations().at(0);
    const Bytes& data = op.data();
    const scte_104::OperationView view = scte_104::view_operation(op);
    const bool has_fields = !std::holds_alternative<std::monostate>(view.fields);
    if (view.failed()) {
      ++failed;
      EXPECT_FALSE(has_fields || !view.trailing_data.empty()) << entry.path();
      EXPECT_NE(view.error.find(" needs "), std::string::npos) << view.error;
    } else if (has_fields) {
      ++succeeded;
      EXPECT_EQ(scte_104::write_operation_data(view), data) << entry.path();
    } else {
      EXPECT_EQ(scte_104::write_operation_data(view), Bytes()) << entry.path();
    }
  }
  EXPECT_TRUE(succeeded >= 25 && failed >= 5) << succeeded << " " << failed;
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
