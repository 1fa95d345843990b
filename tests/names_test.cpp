#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "scte/scte_104.h"

namespace {

TEST(names, operation_types_over_the_whole_16_bit_range) {
  const std::map<unsigned, std::string> named = {
      {0x0100, "Generates an SCTE 35 section directly"},
      {0x0101, "Normally used request to send SCTE 35 message or messages"},
      {0x0102, "Generates an SCTE 35 splice_null operation"},
      {0x0103, "Initiates schedule download"},
      {0x0104, "Generates an SCTE 35 time_signal operation"},
      {0x0105, "Initiates schedule transmission"},
      {0x0106, "Adds component mode to a DPI request"},
      {0x0107, "Adds encryption to a DPI request"},
      {0x0108, "Adds a descriptor to another operation"},
      {0x0109, "Adds a DTMF descriptor to another operation"},
      {0x010A, "Adds an avail_descriptor to the SCTE 35 section"},
      {0x010B, "Adds a segmentation descriptor to another operation"},
      {0x010C, "Adds a proprietary descriptor to another operation"},
      {0x010D, "Adds component mode to an avail definition"},
      {0x010E, "Single avail definition"},
      {0x010F, "Specifies tier data"},
      {0x0110, "Specifies insertion of time descriptors"},
      {0x0111, "Specifies insertion of audio descriptors"},
      {0x0300, "Delete ControlWord Data from database"},
      {0x0301, "Update ControlWord Data database"},
  };
  std::set<std::string> seen;
  for (unsigned v = 0; v <= 0xFFFF; ++v) {
    const auto text =
        scte_104::multiple_operation_type(static_cast<scte_104::MultipleOperationId>(v));
    const auto it = named.find(v);
    ASSERT_EQ(text, it == named.end() ? "Reserved" : it->second) << std::hex << v;
    if (it != named.end()) seen.insert(text);
  }
  EXPECT_EQ(seen.size(), named.size());  // no two opIDs share a text
  EXPECT_EQ(scte_104::multiple_operation_type(scte_104::SPLICE_REQUEST_DATA).size(), 57u);
}

TEST(names, splice_insert_types_over_the_whole_8_bit_range) {
  const char* named[] = {"Reserved",         "SpliceStart_Normal",  "SpliceStart_Immediate",
                         "SpliceEnd_Normal", "SpliceEnd_Immediate", "Splice_Cancel"};
  for (unsigned v = 0; v <= 0xFF; ++v) {
    ASSERT_EQ(scte_104::splice_insert_type(static_cast<scte_104::SpliceInsertType>(v)),
              v < 6 ? named[v] : "")
        << v;
  }
}

}  // namespace
