// SPDX-License-Identifier: MIT
// single_operation_message(): the header, and the data() of every Basic
// operation short of its layout, exactly its layout, and one byte longer.
#include "scte/single_operation.h"

#include <gtest/gtest.h>

#include <string>
#include <variant>

#include "samples.h"

namespace {

using scte_104::SingleOperationMessage;

SingleOperationMessage decoded(const std::string& hex) {
  const std::vector<std::uint8_t> bytes = samples::bytes(hex);
  return scte_104::decode_single_operation(bytes.data(), bytes.size());
}

// The header of an inject_response naming queue mark 0x21.
TEST(single_operation, header_fields_in_wire_order) {
  const SingleOperationMessage m = decoded(
      "0007000e0064fffe0102030405"
      "21");
  EXPECT_EQ(m.opID, 7);
  EXPECT_EQ(m.messageSize, 14);
  EXPECT_EQ(m.result, 100);
  EXPECT_EQ(m.result_extension, 0xFFFE);
  EXPECT_EQ(m.protocol_version, 1);
  EXPECT_EQ(m.AS_index, 2);
  EXPECT_EQ(m.message_number, 3);
  EXPECT_EQ(m.DPI_PID_index, 0x0405);
  EXPECT_EQ(std::get<scte_104::InjectResponse>(m.fields).message_number, 0x21);
  EXPECT_THROW(decoded("0001000dffffffff00000100"), std::runtime_error);  // 12 bytes
}

// data() of each Basic opID: the whole layout, and the field the data
// lacks when one byte is missing. One byte more is trailing_data.
struct LayoutCase {
  std::uint16_t op_id;
  const char* whole;          // data() holding the layout exactly
  const char* missing_field;  // named in the error when the last byte is missing
};

const LayoutCase kLayouts[] = {
    {0x0003, "0000000100000002", "microseconds"},
    {0x0004, "0000000100000002", "microseconds"},
    {0x0007, "21", "message_number"},
    {0x0008, "2101", "cue_message_count"},
    {0x0009,
     "0a000005dbb00100020003"
     "01",
     "permanent_connection_requested"},
    {0x000A, "0201", "permanent_connection_requested"},
    // One service, one DPI PID, component mode with one audio and no data tag.
    {0x000B,
     "01"
     "0a000009142f"
     "6e657773000000000000000000000000000000000000000000000000000000ff"
     "01"
     "006400"
     "01"
     "01"
     "07"
     "01"
     "08"
     "00",
     "data_component_count"},
    {0x000B,
     "01"
     "0a000009142f"
     "6e657773000000000000000000000000000000000000000000000000000000ff"
     "00"
     "00",
     "component_mode"},
    {0x000F,
     "0a000009142f"
     "7370000000000000000000000000000000000000000000000000000000000000"
     "0064",
     "DPI_PID_index"},
};

TEST(single_operation, every_layout_short_whole_and_long) {
  for (const LayoutCase& c : kLayouts) {
    char header[32];
    const std::string whole = c.whole;
    std::snprintf(header, sizeof header, "%04x%04xffffffff0000010000", c.op_id,
                  static_cast<unsigned>(13 + whole.size() / 2));
    const SingleOperationMessage exact = decoded(header + whole);
    EXPECT_FALSE(exact.failed()) << c.op_id << ": " << exact.error;
    EXPECT_FALSE(std::holds_alternative<std::monostate>(exact.fields)) << c.op_id;
    EXPECT_TRUE(exact.trailing_data.empty()) << c.op_id;

    const SingleOperationMessage longer = decoded(header + whole + "ab");
    EXPECT_EQ(longer.trailing_data, samples::bytes("ab")) << c.op_id;

    const SingleOperationMessage shorter = decoded(header + whole.substr(0, whole.size() - 2));
    EXPECT_TRUE(std::holds_alternative<std::monostate>(shorter.fields)) << c.op_id;
    EXPECT_NE(shorter.error.find(std::string(c.missing_field) + " needs"), std::string::npos)
        << c.op_id << ": " << shorter.error;
  }
}

TEST(single_operation, read_values) {
  const auto service = std::get<scte_104::ProvisioningRequest>(
      decoded(std::string("000b0039ffffffff0000010000") + kLayouts[6].whole).fields);
  ASSERT_EQ(service.services.size(), 1u);
  const scte_104::ProvisionedService& s = service.services[0];
  EXPECT_EQ(s.injector_IP_address.value, 0x0a000009u);
  EXPECT_EQ(s.injector_socket_number, 0x142f);
  EXPECT_EQ(s.service_name.text, "news");  // up to the first NUL
  ASSERT_EQ(s.DPI_PIDs.size(), 1u);
  EXPECT_EQ(s.DPI_PIDs[0].DPI_PID_index, 100);
  ASSERT_TRUE(s.injector_component_list);
  EXPECT_EQ(s.injector_component_list->video_component_tag, 7);
  EXPECT_EQ(s.injector_component_list->audio_component_tags.tags, samples::bytes("08"));

  const auto alive = std::get<scte_104::AliveTime>(decoded("0003000dffffffff0000010000").fields);
  EXPECT_FALSE(alive.seconds);  // time() is optional
}

// Operations without data, and opIDs without a layout.
TEST(single_operation, no_data_and_no_layout) {
  for (int op_id : {0x0000, 0x0001, 0x0002, 0x000C, 0x0010, 0x0011, 0x0012}) {
    char hex[40];
    std::snprintf(hex, sizeof hex,
                  "%04x000effffffff0000010000"
                  "cd",
                  op_id);
    const SingleOperationMessage m = decoded(hex);
    EXPECT_TRUE(std::holds_alternative<scte_104::NoData>(m.fields)) << op_id;
    EXPECT_EQ(m.trailing_data, samples::bytes("cd")) << op_id;
  }
  for (int op_id : {0x0005, 0x0013, 0x0101, 0x8000, 0xFFFE}) {
    char hex[40];
    std::snprintf(hex, sizeof hex,
                  "%04x000effffffff0000010000"
                  "cd",
                  op_id);
    const SingleOperationMessage m = decoded(hex);
    EXPECT_FALSE(m.has_layout()) << op_id;
    EXPECT_TRUE(std::holds_alternative<std::monostate>(m.fields) && m.error.empty()) << op_id;
  }
}

TEST(single_operation, names_and_roles) {
  EXPECT_STREQ(scte_104::result_name(100), "Successful response");
  EXPECT_STREQ(scte_104::result_name(120), "Splice request failed");
  EXPECT_STREQ(scte_104::result_name(128), "Proxy response");
  EXPECT_EQ(scte_104::result_name(99), nullptr);
  EXPECT_EQ(scte_104::result_name(129), nullptr);
  EXPECT_STREQ(scte_104::single_operation_name(0x0011), "AS_alive_request_data");
  EXPECT_EQ(scte_104::single_operation_name(0x0013), nullptr);
  using Role = scte_104::SingleOperationRole;
  const std::pair<std::uint16_t, Role> roles[] = {
      {0x0000, Role::response},        {0x000F, Role::request},
      {0x0012, Role::response},        {0x0013, Role::unknown},
      {0x00FF, Role::unknown},         {0x0100, Role::wrong_container},
      {0x7FFF, Role::wrong_container}, {0x8000, Role::user_defined},
      {0xBFFF, Role::user_defined},    {0xC000, Role::wrong_container},
      {0xFFFE, Role::wrong_container}};
  for (const auto& [op_id, role] : roles)
    EXPECT_EQ(scte_104::single_operation_role(op_id), role) << op_id;
}

}  // namespace
