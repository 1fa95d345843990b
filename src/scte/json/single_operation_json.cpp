// SPDX-License-Identifier: MIT
#include "field_writer.h"
#include "session_writers.h"

namespace scte104 {
namespace {

void name_or_null(const char* name, JsonWriter& json) {
  if (name != nullptr) {
    json.string(name);
  } else {
    json.null();
  }
}

}  // namespace

void write_single_operation_json(const scte_104::SingleOperationMessage& message,
                                 JsonWriter& json) {
  const auto member = [&json](const char* name, std::uint64_t value) {
    json.key(name);
    json.number(value);
  };
  json.begin_object();
  member("opID", message.opID);
  json.key("name");
  name_or_null(scte_104::single_operation_name(message.opID), json);
  member("messageSize", message.messageSize);
  member("result", message.result);
  json.key("result_name");
  name_or_null(scte_104::result_name(message.result), json);
  member("result_extension", message.result_extension);
  member("protocol_version", message.protocol_version);
  member("AS_index", message.AS_index);
  member("message_number", message.message_number);
  member("DPI_PID_index", message.DPI_PID_index);
  json.key("data");
  json.hex_string(message.data.data(), message.data.size());
  // Only Basic opIDs have a layout; the others show their data alone.
  if (message.has_layout()) {
    write_view_members(message.fields, message.error, message.trailing_data, json);
  }
  json.end_object();
}

}  // namespace scte104
