// SPDX-License-Identifier: MIT
#include "scte35_json.h"

#include <vector>

#include "field_writer.h"

namespace scte104 {

namespace scte35 = scte_104::scte35;

void write_section_object(const scte35::Section& section, JsonWriter& json) {
  json.begin_object();
  json.key("base64");
  json.base64_string(section.bytes.data(), section.bytes.size());
  json.key("hex");
  json.hex_string(section.bytes.data(), section.bytes.size());
  section.fields.for_each_field(FieldWriter(json));
  json.end_object();
}

void write_scte35_member(const scte35::Translation& translation, JsonWriter& json) {
  json.key("scte35");
  json.begin_object();
  json.key("sections");
  json.begin_array();
  for (const scte35::Section& section : translation.sections) {
    json.element();
    write_section_object(section, json);
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
