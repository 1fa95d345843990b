// SPDX-License-Identifier: MIT
// Typed reads of the values of a parsed JSON document, each failing with
// the value's place as a JSON Pointer and what is wrong with it.
#ifndef SCTE104_JSON_VALUES_H
#define SCTE104_JSON_VALUES_H

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <limits>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace scte104 {

using nlohmann::json;

// Throws std::runtime_error "<at>: <what>" ("the document" for the root).
[[noreturn]] void fail(const std::string& at, const std::string& what);

// The pointers of member `key` and of element `index` of the value at `at`.
// Only our own names reach member_at(), none of which holds the "~" or "/"
// that JSON Pointer escapes.
std::string member_at(const std::string& at, std::string_view key);
std::string element_at(const std::string& at, std::size_t index);

// "<value> is out of range 0 to <max>".
std::string out_of_range(const std::string& value, std::uint64_t max);

// The value itself when it has the kind asked for; else "expected an
// object, got an array" and the like.
const json& object_value(const json& value, const std::string& at);
const json& array_value(const json& value, const std::string& at);
const std::string& string_value(const json& value, const std::string& at);

// A non-negative integer up to `max`: a string, null or 1.5 is refused, and
// so is a value out of range.
std::uint64_t integer_value(const json& value, const std::string& at, std::uint64_t max);

// An integer in the range of T (an unsigned type or an enumeration of one).
template <typename T>
T integer_as(const json& value, const std::string& at) {
  using Wire = std::conditional_t<std::is_enum_v<T>, std::underlying_type<T>, std::common_type<T>>;
  using Unsigned = typename Wire::type;
  return static_cast<T>(integer_value(value, at, std::numeric_limits<Unsigned>::max()));
}

// Appends the bytes of hex text in either case to `out`, or only checks
// the text when `out` is null.
void append_hex(const json& value, const std::string& at, std::vector<std::uint8_t>* out);
std::vector<std::uint8_t> hex_value(const json& value, const std::string& at);

// One byte per character, U+0000 to U+00FF: how the JSON report writes
// DTMF characters.
std::string latin1_value(const json& value, const std::string& at);

// Fails on the first member of `object` that is not one of `known`.
template <typename Names>
void only_members(const json& object, const std::string& at, const Names& known) {
  for (const auto& item : object.items()) {
    if (std::find(std::begin(known), std::end(known), item.key()) == std::end(known)) {
      fail(at, "unknown member " + json(item.key()).dump());
    }
  }
}

// The member `key` of `object`, or null.
const json* find_member(const json& object, const char* key);

}  // namespace scte104

#endif  // SCTE104_JSON_VALUES_H
