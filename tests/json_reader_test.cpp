// SPDX-License-Identifier: MIT
// JSON documents to queue marks: marks written by hand, with what may be
// left out computed, give the bytes of the layout; every kind of bad
// document is refused with the place of the fault.
#include "json_reader.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "samples.h"

namespace {

std::string ops(const std::string& list) { return R"({"operations": [)" + list + "]}"; }

std::string encode_json_mark_hex(const std::string& json) {
  return samples::hex(scte104::encode_json_mark(json));
}

std::string repeat(const std::string& text, std::size_t count, const char* separator = "") {
  std::string out;
  for (std::size_t i = 0; i < count; ++i) out += (i == 0 ? "" : separator) + text;
  return out;
}

TEST(json_reader, hand_written_marks_give_their_bytes) {
  const std::string seg_2015 =
      R"({"opID": 267, "fields": {"segmentation_event_id": 1, "segmentation_event_cancel_indicator": 0,
          "duration": 30, "segmentation_upid_type": 1, "segmentation_upid": "534F4D4557544655504944495348455245",
          "segmentation_type_id": 32, "segment_num": 1, "segments_expected": 10, "duration_extension_frames": 15,
          "delivery_not_restricted_flag": 1, "web_delivery_allowed_flag": 1, "no_regional_blackout_flag": 1,
          "archive_allowed_flag": 1, "device_restrictions": 1}})";
  const struct {
    std::string json;
    const char* hex;
  } cases[] = {
      {ops(""),
       "ffff000c" "000000" "0000" "00" "00" "00"},
      // The first public vector, with counts, lengths and sizes left out; UPID in capitals.
      {R"({"message_number": 209, "operations": [{"opID": 260, "fields": {"pre_roll_time": 1500}}, )" +
           seg_2015 + "]}",
       "ffff00390000d100000000020104000205dc010b00230000000100001e0111534f4d45575446555049444953484"
       "5524520010a0f"
       "0101010101"},
      {R"({"timestamp": {"time_type": 1, "UTC_seconds": 1600000000, "UTC_microseconds": 500}, "operations": []})",
       "ffff0012000000000000015f5e100001f400"},
      // Values given are written as they stand, even where they do not match what follows.
      {R"({"reserved": 1, "message_size": 7, "num_ops": 3, "operations": [{"opID": 512, "data_length": 9,
          "data": "AB"}], "trailing_data": "ff"})",
       "00010007000000000000000302000009abff"},
      {R"({"message_number": 171, "operations": [{"opID": 257, "fields": {"splice_insert_type": 1,
          "splice_event_id": 1073742516, "unique_program_id": 0, "pre_roll_time": 480, "break_duration": 1200,
          "avail_num": 0, "avails_expected": 0, "auto_return_flag": 0}}]})",
       samples::kHelpExample},
      // Every count that stands beside its run, computed.
      {ops(R"({"opID": 264, "fields": {"descriptors": ["0a00", "0b01ff"]}},
              {"opID": 265, "fields": {"pre_roll": 5, "DTMF_char": "1*\u00ff"}},
              {"opID": 266, "fields": {"provider_avail_id": [1, 4294967295]}},
              {"opID": 256, "fields": {"SCTE35_protocol_version": 0, "SCTE35_command_type": 6,
                                       "SCTE35_command_contents": "abcd"}})"),
       "ffff0036000000000000000401080006020a000b01ff"
       "010900050503312aff"
       "010a00090200000001ffffffff"
       "0100000600020006abcd"},
      {R"({"timestamp": {"time_type": 3, "GPI_number": 2, "GPI_edge": 1}, "operations": [
          {"opID": 262, "fields": {"components": [{"component_tag": 1, "component_preroll": 100}]},
           "trailing_data": "EE"}, {"opID": 258, "fields": {}}]})",
       "ffff001a00000000000003020102" "0106000401" "0064ee" "01020000"},
      // What the report derives from the bytes is not read; fields win over data.
      {R"({"hex": "?", "base64": 1, "decoded_size": "?", "scte35": null, "operations": [{"opID": 257,
          "name": "?", "description": 0, "error": "?", "data": "00", "fields": {"splice_insert_type": 2,
          "splice_insert_type_name": "?", "splice_event_id": 0, "unique_program_id": 0, "pre_roll_time": 0,
          "break_duration": 0, "avail_num": 0, "avails_expected": 0, "auto_return_flag": 0,
          "not_an_entry_flag": 1}}]})",
       "ffff001f0000000000000001" "0101000f" "02" "00000000" "0000" "0000" "0000" "000000" "01"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(encode_json_mark_hex(c.json), std::string("08") + c.hex) << c.json;
  }
}

TEST(json_reader, bad_documents_name_the_place) {
  const std::string seg_no_duration =
      R"({"opID": 267, "fields": {"segmentation_event_id": 1, "segmentation_event_cancel_indicator": 0,
          "segmentation_upid_type": 0, "segmentation_upid": "", "segmentation_type_id": 52, "segment_num": 0,
          "segments_expected": 0)";
  const std::string big_data = R"({"opID": 512, "data": ")" + std::string(2 * 40000, 'a') + R"("})";
  const struct {
    std::string json;
    const char* error;
  } cases[] = {
      {R"({"operations": [})", "Not JSON: line 1, column 17: syntax error"},
      {"[]", "the document: expected an object, got an array"},
      {"{}", "/operations: missing"},
      {R"({"operations": {}})", "/operations: expected an array, got an object"},
      {R"({"operations": [], "num_op": 1})", R"(the document: unknown member "num_op")"},
      {ops(R"({"opID": 260, "feilds": {}})"), R"(/operations/0: unknown member "feilds")"},
      {R"({"timestamp": {"time_type": 1, "hours": 3}, "operations": []})",
       R"(/timestamp: unknown member "hours")"},
      {ops(R"({"opID": 512, "fields": {}})"), R"(/operations/0: unknown member "fields")"},
      {ops(R"({"opID": 260, "fields": {"pre_roll_time": 1, "pre_roll": 2}})"),
       R"(/operations/0/fields: unknown member "pre_roll")"},
      {R"({"reserved": "65535", "operations": []})",
       "/reserved: expected an integer, got a string"},
      {R"({"AS_index": null, "operations": []})", "/AS_index: expected an integer, got null"},
      {R"({"message_number": 1.5, "operations": []})",
       "/message_number: expected an integer, got 1.5"},
      {R"({"DPI_PID_index": -1, "operations": []})",
       "/DPI_PID_index: -1 is out of range 0 to 65535"},
      {R"({"timestamp": {"time_type": 4}, "operations": []})",
       "/timestamp/time_type: 4 is out of range 0 to 3"},
      {R"({"timestamp": {"time_type": 2, "hours": 1}, "operations": []})",
       "/timestamp/minutes: missing"},
      {ops(R"({"opID": 260, "fields": {"pre_roll_time": 70000}})"),
       "/operations/0/fields/pre_roll_time: 70000 is out of range 0 to 65535"},
      {ops(R"({"opID": 272, "fields": {"TAI_seconds": 281474976710656, "TAI_ns": 0, "UTC_offset": 0}})"),
       "/operations/0/fields/TAI_seconds: 281474976710656 is out of range 0 to 281474976710655"},
      {ops(R"({"opID": 769, "fields": {"CW_index": 1, "CW_A": "00", "CW_B": "", "CW_C": ""}})"),
       "/operations/0/fields/CW_A: 1 bytes, where the field holds 8"},
      {ops(R"({"opID": 266, "fields": {"num_provider_avails": 2, "provider_avail_id": [1]}})"),
       "/operations/0/fields/num_provider_avails: 2, but provider_avail_id holds 1 values"},
      {ops(R"({"opID": 266, "fields": {"provider_avail_id": [1, "2"]}})"),
       "/operations/0/fields/provider_avail_id/1: expected an integer, got a string"},
      {ops(R"({"opID": 264, "fields": {"descriptors": ["0a00", "0b02ff"]}})"),
       "/operations/0/fields/descriptors/1: length byte 2, but 1 bytes follow it"},
      {ops(R"({"opID": 265, "fields": {"pre_roll": 5, "DTMF_char": "1\u0100"}})"),
       "/operations/0/fields/DTMF_char: character 1 is beyond U+00FF"},
      {ops(R"({"opID": 262, "fields": {"components": [{"component_tag": 1}]}})"),
       "/operations/0/fields/components/0/component_preroll: missing"},
      {ops(seg_no_duration + "}}"), "/operations/0/fields/duration: missing"},
      {ops(seg_no_duration + R"(, "duration": 1, "web_delivery_allowed_flag": 1}})"),
       "/operations/0/fields/duration_extension_frames: missing, but the later optional field "
       "web_delivery_allowed_flag is given"},
      {ops(R"({"data": ""})"), "/operations/0/opID: missing"},
      {ops(R"({"opID": 260})"), "/operations/0/data: missing: an operation needs fields or data"},
      {ops(R"({"opID": 260, "data": "05dc", "trailing_data": "00"})"),
       "/operations/0/trailing_data: only read after fields"},
      {ops(R"({"opID": 260, "data": "abc"})"), "/operations/0/data: hex text of odd length"},
      {R"({"operations": [], "trailing_data": "0g"})",
       "/trailing_data: hex text with a character that is not a hex digit at position 1"},
      // Computed values that do not fit their fields.
      {ops(repeat(R"({"opID": 258, "data": ""})", 256, ",")),
       "/num_ops: the number of operations 256 is out of range 0 to 255"},
      {ops(R"({"opID": 512, "data": ")" + std::string(2 * 65536, '0') + R"("})"),
       "/operations/0/data_length: the length written 65536 is out of range 0 to 65535"},
      {ops(big_data + "," + big_data),
       "/message_size: the message's length 80020 is out of range 0 to 65535"},
      {ops(R"({"opID": 266, "fields": {"provider_avail_id": [)" + repeat("1", 256, ",") + "]}}"),
       "/operations/0/fields/num_provider_avails: the count of provider_avail_id 256 is out of "
       "range 0 to 255"},
  };
  for (const auto& c : cases) {
    try {
      scte104::encode_json_mark(c.json);
      ADD_FAILURE() << "accepted: " << c.json.substr(0, 200);
    } catch (const std::runtime_error& e) {
      EXPECT_EQ(std::string(e.what()).substr(0, std::string(c.error).size()), c.error)
          << c.json.substr(0, 200);
    }
  }
}

}  // namespace
