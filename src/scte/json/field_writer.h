// SPDX-License-Identifier: MIT
// Writes a record's fields as JSON members, walking the record's own field
// list (for_each_field), for every report that shows typed fields: the
// operations of a queue mark and the data of single_operation_message().
#ifndef SCTE104_FIELD_WRITER_H
#define SCTE104_FIELD_WRITER_H

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

#include "json_writer.h"
#include "scte/operation_data.h"
#include "scte/single_operation.h"

namespace scte104 {

// Writes a record's fields as members of the open object, in the order the
// record lists them.
class FieldWriter {
 public:
  explicit FieldWriter(JsonWriter& json) : mJson(json) {}

  template <typename T, typename = std::enable_if_t<std::is_integral_v<T>>>
  void operator()(const char* name, T value) {
    mJson.key(name);
    mJson.number(value);
  }

  // SCTE 35 records give each field's width in bits, and reserved bits,
  // which the JSON does not show.
  template <typename T, typename = std::enable_if_t<std::is_integral_v<T>>>
  void operator()(const char* name, T value, unsigned /*bits*/) {
    (*this)(name, value);
  }
  void reserved(unsigned /*bits*/) {}

  // A nested record, or one of several kinds of record.
  template <typename Record, typename = decltype(std::declval<const Record&>().for_each_field(
                                      std::declval<FieldWriter&>()))>
  void operator()(const char* name, const Record& record) {
    mJson.key(name);
    object(record);
  }
  template <typename... Records>
  void operator()(const char* name, const std::variant<Records...>& record) {
    mJson.key(name);
    object(record);
  }

  // A field with a table of value names is followed by <field>_name.
  void operator()(const char* name, std::uint8_t value, std::string_view value_name) {
    (*this)(name, value);
    mJson.key(name, "_name");
    mJson.string(value_name);
  }

  // Optional fields and records: a member only when present.
  template <typename T>
  void operator()(const char* name, const std::optional<T>& value) {
    if (!value) return;
    if constexpr (std::is_integral_v<T>) {
      (*this)(name, *value);
    } else {
      mJson.key(name);
      object(*value);
    }
  }

  void operator()(const char* name, const scte_104::Bytes& bytes) {
    mJson.key(name);
    mJson.hex_string(bytes.data(), bytes.size());
  }

  void operator()(const char* name, const scte_104::DtmfChars& chars) {
    mJson.key(name);
    mJson.escaped_string(chars.text);
  }

  void operator()(const char* name, const scte_104::ServiceName& service_name) {
    mJson.key(name);
    mJson.escaped_string(service_name.text);
  }

  void operator()(const char* name, scte_104::Ipv4Address address) {
    std::string text;
    for (unsigned shift = 24;; shift -= 8) {
      text += std::to_string(address.value >> shift & 0xFFu);
      if (shift == 0) break;
      text += '.';
    }
    mJson.key(name);
    mJson.string(text);
  }

  void operator()(const char* name, const scte_104::ComponentTags& tags) {
    array(name, tags.tags, [this](std::uint8_t tag) { mJson.number(tag); });
  }

  void operator()(const char* name, const std::vector<std::uint32_t>& values) {
    array(name, values, [this](std::uint32_t value) { mJson.number(value); });
  }

  void operator()(const char* name, const std::vector<scte_104::Bytes>& images) {
    array(name, images,
          [this](const scte_104::Bytes& image) { mJson.hex_string(image.data(), image.size()); });
  }

  // Lists of records (components, services) become arrays of objects.
  template <typename Record>
  void operator()(const char* name, const std::vector<Record>& records) {
    array(name, records, [this](const Record& record) { object(record); });
  }

  template <typename Record>
  void object(const Record& record) {
    mJson.begin_object();
    record.for_each_field(*this);
    mJson.end_object();
  }
  template <typename... Records>
  void object(const std::variant<Records...>& record) {
    std::visit([this](const auto& r) { this->object(r); }, record);
  }

 private:
  template <typename T, typename Write>
  void array(const char* name, const std::vector<T>& items, Write write) {
    mJson.key(name);
    mJson.begin_array();
    for (const T& item : items) {
      mJson.element();
      write(item);
    }
    mJson.end_array();
  }

  JsonWriter& mJson;
};

// How every typed view shows: `fields` (the record the variant holds; none
// for std::monostate) or `error`, then `trailing_data` when there is some.
template <typename Fields>
void write_view_members(const Fields& fields, const std::string& error,
                        const std::vector<std::uint8_t>& trailing_data, JsonWriter& json) {
  if (!error.empty()) {
    json.key("error");
    json.string(error);
    return;
  }
  std::visit(
      [&json](const auto& record) {
        if constexpr (!std::is_same_v<std::decay_t<decltype(record)>, std::monostate>) {
          json.key("fields");
          FieldWriter(json).object(record);
        }
      },
      fields);
  if (!trailing_data.empty()) {
    json.key("trailing_data");
    json.hex_string(trailing_data.data(), trailing_data.size());
  }
}

}  // namespace scte104

#endif  // SCTE104_FIELD_WRITER_H
