// SPDX-License-Identifier: MIT
// The report as JSON, for scripts: the same message as the text report,
// with every field of every operation whose data layout is public, read
// through its typed view.
#include <algorithm>
#include <optional>
#include <vector>

#include "field_writer.h"
#include "json_writer.h"
#include "report.h"
#include "scte35_json.h"
#include "scte/operation_data.h"

namespace scte104 {
namespace {

using scte_104::MultipleOperationMessage;
using scte_104::Operation;

const char* time_type_name(std::uint8_t time_type) {
  switch (time_type) {
    case 1:
      return "UTC";
    case 2:
      return "Time";
    case 3:
      return "General Purpose Interface [GPI]";
    default:
      return "Immediate";
  }
}

void write_timestamp(const scte_104::Timestamp& t, JsonWriter& json) {
  json.key("timestamp");
  json.begin_object();
  json.key("time_type");
  json.number(t.mTimeType);
  json.key("time_type_name");
  json.string(time_type_name(t.mTimeType));
  t.for_each_field([&json](const char* name, std::uint32_t value) {
    json.key(name);
    json.number(value);
  });
  json.end_object();
}

void write_operation(const Operation& op, JsonWriter& json) {
  json.begin_object();
  json.key("opID");
  json.number(op.operation_id());
  json.key("name");
  if (const char* name = scte_104::operation_name(op.operation_id())) {
    json.string(name);
  } else {
    json.null();
  }
  json.key("description");
  json.string(scte_104::multiple_operation_type(op.operation_id()));
  json.key("data_length");
  json.number(op.data_length());
  json.key("data");
  json.hex_string(op.data().data(), op.data().size());
  const scte_104::OperationView view = scte_104::view_operation(op);
  write_view_members(view.fields, view.error, view.trailing_data, json);
  json.end_object();
}

// The bytes after the last operation belong to none: after its data, or
// after the 14 bytes that the decoder reads for a splice request where
// those reach further; with no operation, after num_ops.
std::size_t end_of_operations(const MultipleOperationMessage& message) {
  std::size_t end = message.position();
  const auto& operations = message.operations();
  if (!operations.empty() && operations.back().operation_id() == scte_104::SPLICE_REQUEST_DATA) {
    constexpr std::size_t kSpliceRequestSize = 14;
    end = std::max(end, end - kSpliceRequestSize + operations.back().data().size());
  }
  return end;
}

}  // namespace

void write_json_report(const MultipleOperationMessage& message, Output& out,
                       const scte_104::Scte35Settings& scte35) {
  JsonWriter json(out);
  json.begin_object();
  write_json_report_members(message, scte35, json);
  json.end_object();
  out.text("\n");
}

void write_json_report_members(const MultipleOperationMessage& message,
                               const scte_104::Scte35Settings& scte35, JsonWriter& json) {
  const std::vector<std::uint8_t>& bytes = message.data();
  const auto member = [&json](const char* name, std::uint64_t value) {
    json.key(name);
    json.number(value);
  };
  json.key("hex");
  json.hex_string(bytes.data(), bytes.size());
  json.key("base64");
  json.base64_string(bytes.data(), bytes.size());
  member("decoded_size", bytes.size());
  member("reserved", message.reserved());
  member("message_size", message.message_size());
  member("protocol_version", message.protocol_version());
  member("AS_index", message.as_index());
  member("message_number", message.message_number());
  member("DPI_PID_index", message.dpi_pid_index());
  member("SCTE35_protocol_version", message.scte35_protocol_version());
  write_timestamp(message.timestamp(), json);
  member("num_ops", message.num_ops());
  json.key("operations");
  json.begin_array();
  const auto& operations = message.operations();
  const std::size_t count = std::min<std::size_t>(message.num_ops(), operations.size());
  for (std::size_t i = 0; i < count; ++i) {
    json.element();
    write_operation(operations[i], json);
  }
  json.end_array();
  const std::size_t end = end_of_operations(message);
  if (end < bytes.size()) {
    json.key("trailing_data");
    json.hex_string(bytes.data() + end, bytes.size() - end);
  }
  write_scte35_member(scte_104::scte35::translate(message, scte35), json);
}

}  // namespace scte104
