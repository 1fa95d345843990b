// SPDX-License-Identifier: MIT
#include "object_writer.h"

#include <string>

namespace scte104 {
namespace {

// UTF-8 back to one byte per code point; code points above U+00FF, which
// the report never writes, keep their UTF-8 bytes.
std::string to_bytes(const std::string& text) {
  std::string bytes;
  bytes.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto lead = static_cast<unsigned char>(text[i]);
    if ((lead == 0xC2 || lead == 0xC3) && i + 1 < text.size()) {
      const auto next = static_cast<unsigned char>(text[i + 1]);
      bytes.push_back(static_cast<char>((lead & 0x03u) << 6u | (next & 0x3Fu)));
      ++i;
    } else {
      bytes.push_back(text[i]);
    }
  }
  return bytes;
}

}  // namespace

void write_object(const nlohmann::ordered_json& value, JsonWriter& json, Output& out) {
  switch (value.type()) {
    case nlohmann::ordered_json::value_t::object:
      json.begin_object();
      for (const auto& item : value.items()) {
        json.key(item.key());
        write_object(item.value(), json, out);
      }
      json.end_object();
      break;
    case nlohmann::ordered_json::value_t::array:
      json.begin_array();
      for (const auto& element : value) {
        json.element();
        write_object(element, json, out);
      }
      json.end_array();
      break;
    case nlohmann::ordered_json::value_t::string:
      json.escaped_string(to_bytes(value.get_ref<const std::string&>()));
      break;
    case nlohmann::ordered_json::value_t::number_unsigned:
      json.number(value.get<std::uint64_t>());
      break;
    case nlohmann::ordered_json::value_t::number_integer: {
      const auto number = value.get<std::int64_t>();
      if (number < 0) out.text("-");
      json.number(number < 0 ? 0 - static_cast<std::uint64_t>(number)
                             : static_cast<std::uint64_t>(number));
      break;
    }
    case nlohmann::ordered_json::value_t::boolean:
      out.text(value.get<bool>() ? "true" : "false");
      break;
    default:
      json.null();
      break;
  }
}

}  // namespace scte104
