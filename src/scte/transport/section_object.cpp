// SPDX-License-Identifier: MIT
#include "section_object.h"

#include <string>

#include "json_writer.h"
#include "output.h"
#include "scte35_json.h"

namespace scte104 {

bool read_section_object(const std::uint8_t* data, std::size_t size, SectionObject& object) {
  const scte_104::scte35::SectionRead read = scte_104::scte35::read_section(data, size);
  if (read.refused()) return false;
  // The report's own writer makes the object, so the section line shows
  // exactly what --json shows for a section; parsed, it can be compared.
  std::string text;
  Output out([&text](const char* block, std::size_t count) { text.append(block, count); });
  JsonWriter json(out, JsonStyle::compact);
  write_section_object(read.section, json);
  out.flush();
  object = SectionObject::parse(text);
  return true;
}

}  // namespace scte104
