// SPDX-License-Identifier: MIT
#include "json_values.h"

#include <array>
#include <cstddef>
#include <stdexcept>

namespace scte104 {
namespace {

// What a value is, for "expected an integer, got ...".
std::string kind_of(const json& value) {
  switch (value.type()) {
    case json::value_t::object:
      return "an object";
    case json::value_t::array:
      return "an array";
    case json::value_t::string:
      return "a string";
    default:
      return value.dump();  // null, true, false or a number
  }
}

constexpr std::array<std::int8_t, 256> hex_digits() {
  std::array<std::int8_t, 256> digits{};
  for (auto& d : digits) d = -1;
  for (std::size_t i = 0; i < 10; ++i) digits['0' + i] = static_cast<std::int8_t>(i);
  for (std::size_t i = 0; i < 6; ++i) {
    digits['a' + i] = static_cast<std::int8_t>(10 + i);
    digits['A' + i] = static_cast<std::int8_t>(10 + i);
  }
  return digits;
}

}  // namespace

[[noreturn]] void fail(const std::string& at, const std::string& what) {
  throw std::runtime_error((at.empty() ? std::string("the document") : at) + ": " + what);
}

std::string member_at(const std::string& at, std::string_view key) {
  return at + "/" + std::string(key);
}

std::string element_at(const std::string& at, std::size_t index) {
  return at + "/" + std::to_string(index);
}

std::string out_of_range(const std::string& value, std::uint64_t max) {
  return value + " is out of range 0 to " + std::to_string(max);
}

const json& object_value(const json& value, const std::string& at) {
  if (!value.is_object()) fail(at, "expected an object, got " + kind_of(value));
  return value;
}

const json& array_value(const json& value, const std::string& at) {
  if (!value.is_array()) fail(at, "expected an array, got " + kind_of(value));
  return value;
}

const std::string& string_value(const json& value, const std::string& at) {
  if (!value.is_string()) fail(at, "expected a string, got " + kind_of(value));
  return value.get_ref<const std::string&>();
}

std::uint64_t integer_value(const json& value, const std::string& at, std::uint64_t max) {
  if (value.is_number_unsigned()) {
    const auto number = value.get<std::uint64_t>();
    if (number > max) fail(at, out_of_range(std::to_string(number), max));
    return number;
  }
  if (value.is_number_integer()) fail(at, out_of_range(value.dump(), max));  // negative
  fail(at, "expected an integer, got " + kind_of(value));
}

// Appends the bytes of hex text in either case to `out` (when given).
// No reserve() here: appends to a growing message must grow geometrically.
void append_hex(const json& value, const std::string& at, std::vector<std::uint8_t>* out) {
  static constexpr std::array<std::int8_t, 256> kDigits = hex_digits();
  const std::string& text = string_value(value, at);
  if (text.size() % 2 != 0) fail(at, "hex text of odd length");
  for (std::size_t i = 0; i < text.size(); i += 2) {
    const int high = kDigits[static_cast<unsigned char>(text[i])];
    const int low = kDigits[static_cast<unsigned char>(text[i + 1])];
    if (high < 0 || low < 0) {
      fail(at, "hex text with a character that is not a hex digit at position " +
                   std::to_string(high < 0 ? i : i + 1));
    }
    if (out != nullptr) out->push_back(static_cast<std::uint8_t>(high << 4 | low));
  }
}

std::vector<std::uint8_t> hex_value(const json& value, const std::string& at) {
  std::vector<std::uint8_t> bytes;
  if (value.is_string()) bytes.reserve(value.get_ref<const std::string&>().size() / 2);
  append_hex(value, at, &bytes);
  return bytes;
}

// DTMF characters: one character a byte, U+0000 to U+00FF, the JSON
// report's own form. nlohmann hands the text over as UTF-8.
std::string latin1_value(const json& value, const std::string& at) {
  const std::string& text = string_value(value, at);
  std::string bytes;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x80) {
      bytes += static_cast<char>(lead);
    } else if ((lead == 0xC2 || lead == 0xC3) && i + 1 < text.size()) {
      const auto next = static_cast<unsigned char>(text[++i]);
      bytes += static_cast<char>((lead & 0x03u) << 6u | (next & 0x3Fu));
    } else {
      fail(at, "character " + std::to_string(bytes.size()) +
                   " is beyond U+00FF: each character stands for one byte");
    }
  }
  return bytes;
}

const json* find_member(const json& object, const char* key) {
  const auto it = object.find(key);
  return it == object.end() ? nullptr : &*it;
}

}  // namespace scte104
