// SPDX-License-Identifier: MIT
// Fills a typed view's record from the JSON object of its fields, walking
// the record's own field list (for_each_field on a record that is not
// const), so that no second list of field names exists.
#ifndef SCTE104_FIELD_READER_H
#define SCTE104_FIELD_READER_H

#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "json_values.h"
#include "scte/operation_data.h"

namespace scte104 {

namespace rules = scte_104::field_rules;
using scte_104::Bytes;

// The names a record's fields may have in JSON, with <field>_name where
// the field has value names.
class MemberNames {
 public:
  explicit MemberNames(std::vector<std::string>& names) : mNames(names) {}
  template <typename T>
  void operator()(const char* name, T&) {
    mNames.emplace_back(name);
  }
  template <typename T, typename Rule>
  void operator()(const char* name, T&, const Rule&) {
    mNames.emplace_back(name);
    if constexpr (std::is_same_v<Rule, rules::ValueNames>) {
      mNames.push_back(std::string(name) + "_name");
    }
  }

 private:
  std::vector<std::string>& mNames;
};

// Fills a record from the JSON object of its fields, in the record's wire
// order. A count or length left out is computed from its run; one given
// must match it. An optional field may be left out only when no later one
// is given.
class FieldReader {
 public:
  FieldReader(const json& object, std::string at) : mObject(object), mAt(std::move(at)) {}

  template <typename Record>
  void read(Record& record) {
    object_value(mObject, mAt);
    std::vector<std::string> names;
    record.for_each_field(MemberNames(names));
    only_members(mObject, mAt, names);
    record.for_each_field(*this);
    for (const Integer& integer : mIntegers) {
      if (!integer.given) fail(member_at(mAt, integer.name), "missing");
    }
  }

  template <typename T, typename = std::enable_if_t<std::is_integral_v<T> || std::is_enum_v<T>>>
  void operator()(const char* name, T& value) {
    const json* given = find_member(mObject, name);
    mIntegers.push_back({&value, name, given != nullptr});
    if (given != nullptr) value = integer_as<T>(*given, member_at(mAt, name));
  }

  template <typename T>
  void operator()(const char* name, T& value, rules::ValueNames) {
    (*this)(name, value);
  }

  void operator()(const char* name, std::uint64_t& value, rules::WireBytes width) {
    const json* given = required(name);
    value =
        integer_value(*given, member_at(mAt, name), (std::uint64_t{1} << (8 * width.bytes)) - 1);
  }

  void operator()(const char* name, std::optional<std::uint8_t>& value) {
    const json* given = find_member(mObject, name);
    if (given == nullptr) {
      if (mFirstAbsentOptional == nullptr) mFirstAbsentOptional = name;
      return;
    }
    if (mFirstAbsentOptional != nullptr) {
      fail(member_at(mAt, mFirstAbsentOptional),
           std::string("missing, but the later optional field ") + name + " is given");
    }
    value = integer_as<std::uint8_t>(*given, member_at(mAt, name));
  }

  void operator()(const char* name, std::optional<std::uint8_t>& value, rules::ValueNames) {
    (*this)(name, value);
  }

  void operator()(const char* name, Bytes& value) {
    value = hex_value(*required(name), member_at(mAt, name));
  }

  void operator()(const char* name, Bytes& value, rules::FixedSize size) {
    (*this)(name, value);
    if (value.size() != size.bytes) {
      fail(member_at(mAt, name), std::to_string(value.size()) + " bytes, where the field holds " +
                                     std::to_string(size.bytes));
    }
  }

  template <typename Count>
  void operator()(const char* name, Bytes& value, rules::CountedBy<Count> rule) {
    (*this)(name, value);
    settle_count(rule.count, value.size(), name, "bytes");
  }

  template <typename Count>
  void operator()(const char* name, scte_104::DtmfChars& chars, rules::CountedBy<Count> rule) {
    chars.text = latin1_value(*required(name), member_at(mAt, name));
    settle_count(rule.count, chars.text.size(), name, "characters");
  }

  template <typename Count>
  void operator()(const char* name, std::vector<std::uint32_t>& values,
                  rules::CountedBy<Count> rule) {
    const std::string at = member_at(mAt, name);
    const json& items = array_value(*required(name), at);
    for (std::size_t i = 0; i < items.size(); ++i) {
      values.push_back(integer_as<std::uint32_t>(items[i], element_at(at, i)));
    }
    settle_count(rule.count, values.size(), name, "values");
  }

  // Each descriptor image is whole: its tag, its length and length bytes.
  template <typename Count>
  void operator()(const char* name, std::vector<Bytes>& images, rules::Descriptors<Count> rule) {
    const std::string at = member_at(mAt, name);
    const json& items = array_value(*required(name), at);
    for (std::size_t i = 0; i < items.size(); ++i) {
      const std::string image_at = element_at(at, i);
      Bytes image = hex_value(items[i], image_at);
      if (image.size() < 2) fail(image_at, "a descriptor image needs its tag and length bytes");
      if (image[1] != image.size() - 2) {
        fail(image_at, "length byte " + std::to_string(image[1]) + ", but " +
                           std::to_string(image.size() - 2) + " bytes follow it");
      }
      images.push_back(std::move(image));
    }
    settle_count(rule.count, images.size(), name, "images");
  }

  // Lists of records (components): an array of objects.
  template <typename Record>
  void operator()(const char* name, std::vector<Record>& records) {
    const std::string at = member_at(mAt, name);
    const json& items = array_value(*required(name), at);
    for (std::size_t i = 0; i < items.size(); ++i) {
      Record record;
      FieldReader(items[i], element_at(at, i)).read(record);
      records.push_back(record);
    }
  }

 private:
  struct Integer {
    const void* address;
    const char* name;
    bool given;
  };

  const json* required(const char* name) {
    const json* given = find_member(mObject, name);
    if (given == nullptr) fail(member_at(mAt, name), "missing");
    return given;
  }

  // A count read earlier must match its run; one left out is the run's size.
  template <typename Count>
  void settle_count(Count& count, std::size_t size, const char* run, const char* unit) {
    const auto it = std::find_if(mIntegers.begin(), mIntegers.end(),
                                 [&count](const Integer& i) { return i.address == &count; });
    if (it == mIntegers.end()) return;  // not listed: nothing to check
    const std::string at = member_at(mAt, it->name);
    if (it->given) {
      if (static_cast<std::size_t>(count) != size) {
        fail(at, std::to_string(count) + ", but " + run + " holds " + std::to_string(size) + " " +
                     unit);
      }
      return;
    }
    constexpr auto kMax = std::numeric_limits<Count>::max();
    if (size > kMax) {
      fail(at, "the count of " + std::string(run) + " " + out_of_range(std::to_string(size), kMax));
    }
    count = static_cast<Count>(size);
    it->given = true;
  }

  const json& mObject;
  std::string mAt;
  std::vector<Integer> mIntegers;
  const char* mFirstAbsentOptional = nullptr;
};

}  // namespace scte104

#endif  // SCTE104_FIELD_READER_H
