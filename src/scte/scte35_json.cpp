// SPDX-License-Identifier: MIT
#include "scte35_json.h"

#include <optional>
#include <type_traits>
#include <variant>
#include <vector>

namespace scte104 {
namespace {

namespace scte35 = scte_104::scte35;

// Writes a record's fields as members of an object, walking the record's
// own field list; reserved bits are not shown.
class SectionFieldWriter {
 public:
  explicit SectionFieldWriter(JsonWriter& json) : mJson(json) {}

  template <typename T, typename = std::enable_if_t<std::is_integral_v<T>>>
  void operator()(const char* name, T value, unsigned /*bits*/) {
    mJson.key(name);
    mJson.number(static_cast<std::uint64_t>(value));
  }
  void reserved(unsigned /*bits*/) {}
  void operator()(const char* name, const scte_104::Bytes& bytes) {
    mJson.key(name);
    mJson.hex_string(bytes.data(), bytes.size());
  }
  void operator()(const char* name, const scte_104::DtmfChars& chars) {
    mJson.key(name);
    mJson.escaped_string(chars.text);
  }
  template <typename Record>
  void operator()(const char* name, const Record& record) {
    mJson.key(name);
    object(record);
  }
  template <typename Record>
  void operator()(const char* name, const std::optional<Record>& record) {
    if (record) (*this)(name, *record);
  }
  template <typename Record>
  void operator()(const char* name, const std::vector<Record>& records) {
    mJson.key(name);
    mJson.begin_array();
    for (const Record& record : records) {
      mJson.element();
      object(record);
    }
    mJson.end_array();
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
  JsonWriter& mJson;
};

void write_section(const scte35::Section& section, JsonWriter& json) {
  json.begin_object();
  json.key("base64");
  json.base64_string(section.bytes.data(), section.bytes.size());
  json.key("hex");
  json.hex_string(section.bytes.data(), section.bytes.size());
  section.fields.for_each_field(SectionFieldWriter(json));
  json.end_object();
}

}  // namespace

void write_scte35_member(const scte35::Translation& translation, JsonWriter& json) {
  json.key("scte35");
  json.begin_object();
  json.key("sections");
  json.begin_array();
  for (const scte35::Section& section : translation.sections) {
    json.element();
    write_section(section, json);
  }
  json.end_array();
  json.key("problems");
  json.begin_array();
  for (const scte35::Problem& problem : translation.problems) {
    json.element();
    json.begin_object();
    json.key("operation");
    json.number(problem.operation);
    json.key("problem");
    json.escaped_string(problem.text);
    json.end_object();
  }
  json.end_array();
  json.end_object();
}

}  // namespace scte104
