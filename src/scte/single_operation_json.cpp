#include <type_traits>
#include <variant>

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
  if (message.has_layout()) {
    if (message.failed()) {
      json.key("error");
      json.string(message.error);
    } else {
      std::visit(
          [&json](const auto& record) {
            if constexpr (!std::is_same_v<std::decay_t<decltype(record)>, std::monostate>) {
              json.key("fields");
              FieldWriter(json).object(record);
            }
          },
          message.fields);
      if (!message.trailing_data.empty()) {
        json.key("trailing_data");
        json.hex_string(message.trailing_data.data(), message.trailing_data.size());
      }
    }
  }
  json.end_object();
}

}  // namespace scte104
