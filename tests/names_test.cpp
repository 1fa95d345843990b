// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "scte/operation_data.h"
#include "scte/scte_104.h"

namespace {

TEST(names, operation_types_over_the_whole_16_bit_range) {
  // clang-format off
  const std::map<unsigned, std::string> named = {
      {0x0100, "Generates an SCTE 35 section directly"},
      {0x0101, "Normally used request to send SCTE 35 message or messages"},
      {0x0102, "Generates an SCTE 35 splice_null operation"}, {0x0103, "Initiates schedule download"},
      {0x0104, "Generates an SCTE 35 time_signal operation"}, {0x0105, "Initiates schedule transmission"},
      {0x0106, "Adds component mode to a DPI request"}, {0x0107, "Adds encryption to a DPI request"},
      {0x0108, "Adds a descriptor to another operation"}, {0x0109, "Adds a DTMF descriptor to another operation"},
      {0x010A, "Adds an avail_descriptor to the SCTE 35 section"},
      {0x010B, "Adds a segmentation descriptor to another operation"},
      {0x010C, "Adds a proprietary descriptor to another operation"},
      {0x010D, "Adds component mode to an avail definition"}, {0x010E, "Single avail definition"},
      {0x010F, "Specifies tier data"}, {0x0110, "Specifies insertion of time descriptors"},
      {0x0111, "Specifies insertion of audio descriptors"}, {0x0300, "Delete ControlWord Data from database"},
      {0x0301, "Update ControlWord Data database"}};
  // clang-format on
  for (unsigned v = 0; v <= 0xFFFF; ++v) {
    const auto id = static_cast<scte_104::MultipleOperationId>(v);
    const auto it = named.find(v);
    ASSERT_EQ(scte_104::multiple_operation_type(id), it == named.end() ? "Reserved" : it->second)
        << std::hex << v;
    ASSERT_EQ(scte_104::operation_name(id) == nullptr, it == named.end()) << std::hex << v;
  }
}

TEST(names, splice_insert_types_over_the_whole_8_bit_range) {
  const char* named[] = {"Reserved", "SpliceStart_Normal", "SpliceStart_Immediate", "SpliceEnd_Normal",
                         "SpliceEnd_Immediate", "Splice_Cancel"};
  for (unsigned v = 0; v <= 0xFF; ++v) {
    ASSERT_EQ(scte_104::splice_insert_type(static_cast<scte_104::SpliceInsertType>(v)), v < 6 ? named[v] : "") << v;
  }
}

// Each table: how many values have a name of their own, and the values at
// the edges of its runs.
TEST(names, value_tables_at_their_edges) {
  using scte_104::segmentation_type_name;
  const struct {
    const char* (*name)(std::uint8_t);
    std::size_t named;
    std::map<unsigned, std::string> edges;
  } tables[] = {
      // clang-format off
      {segmentation_type_name, 48,
       {{0x00, "Not Indicated"}, {0x02, "Private"}, {0x03, "Reserved"}, {0x0F, "Reserved"}, {0x10, "Program Start"},
        {0x1A, "Program Immediate Resumption"}, {0x1B, "Reserved"}, {0x20, "Chapter Start"},
        {0x27, "Closing Credit End"}, {0x28, "Reserved"}, {0x30, "Provider Advertisement Start"},
        {0x47, "Distributor Ad Block End"}, {0x48, "Reserved"}, {0x50, "Network Start"}, {0x51, "Network End"},
        {0x52, "Reserved"}}},
      {scte_104::segmentation_upid_type_name, 18,
       {{0x00, "Not Used"}, {0x05, "ISAN (deprecated)"}, {0x11, "SCR"}, {0x12, "Reserved"}}},
      {scte_104::device_restrictions_name, 4, {{0, "Restrict Group 0"}, {3, "None"}, {4, "Reserved"}}},
      {scte_104::splice_schedule_command_name, 3,
       {{0, "Reserved"}, {1, "splice_insert"}, {2, "Reserved"}, {5, "splice_cancel"}, {6, "Reserved"}}},
      {scte_104::encryption_algorithm_name, 228,
       {{0, "No encryption"}, {1, "DES - ECB mode"}, {2, "DES - CBC mode"}, {4, "Reserved"}, {31, "Reserved"},
        {32, "User private"}, {255, "User private"}}},
      // clang-format on
  };
  for (const auto& table : tables) {
    std::size_t named = 0;
    for (unsigned v = 0; v <= 0xFF; ++v) {
      const std::string name = table.name(static_cast<std::uint8_t>(v));
      named += name != "Reserved";
      const auto edge = table.edges.find(v);
      if (edge != table.edges.end()) {
        EXPECT_EQ(name, edge->second) << v;
      }
    }
    EXPECT_EQ(named, table.named) << table.edges.begin()->second;
  }
}

}  // namespace
