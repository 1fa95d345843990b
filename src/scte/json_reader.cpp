// From a JSON description of a queue mark to its bytes. The header fields
// are written here; an operation's fields are filled into the record of
// its layout by walking the record's own field list, and the library's
// writer turns the record into bytes. Errors name their place as a JSON
// Pointer.
#include "json_reader.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <iterator>
#include <limits>
#include <nlohmann/json.hpp>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <type_traits>
#include <utility>
#include <variant>

#include "scte/operation_data.h"

namespace scte104 {
namespace {

using nlohmann::json;
using scte_104::Bytes;
namespace rules = scte_104::field_rules;

constexpr std::uint8_t kLeadByte = 0x08;
constexpr std::uint16_t kReservedValue = 0xFFFF;
constexpr std::uint8_t kLastTimeType = 3;

// --- places and errors --------------------------------------------------------

[[noreturn]] void fail(const std::string& at, const std::string& what) {
  throw std::runtime_error((at.empty() ? std::string("the document") : at) + ": " + what);
}

// The pointer of member `key` of the value at `at`. Only our own names
// reach here, none of which holds the "~" or "/" that JSON Pointer escapes.
std::string member_at(const std::string& at, std::string_view key) {
  return at + "/" + std::string(key);
}

std::string element_at(const std::string& at, std::size_t index) {
  return at + "/" + std::to_string(index);
}

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

std::string out_of_range(const std::string& value, std::uint64_t max) {
  return value + " is out of range 0 to " + std::to_string(max);
}

// --- values -------------------------------------------------------------------

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

template <typename T>
T integer_as(const json& value, const std::string& at) {
  using Wire = std::conditional_t<std::is_enum_v<T>, std::underlying_type<T>, std::common_type<T>>;
  using Unsigned = typename Wire::type;
  return static_cast<T>(integer_value(value, at, std::numeric_limits<Unsigned>::max()));
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

// Appends the bytes of hex text in either case to `out` (when given).
// No reserve() here: appends to a growing message must grow geometrically.
void append_hex(const json& value, const std::string& at, Bytes* out) {
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

Bytes hex_value(const json& value, const std::string& at) {
  Bytes bytes;
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

// Every member of `object` must be one of `known`.
template <typename Names>
void only_members(const json& object, const std::string& at, const Names& known) {
  for (const auto& item : object.items()) {
    if (std::find(std::begin(known), std::end(known), item.key()) == std::end(known)) {
      fail(at, "unknown member " + json(item.key()).dump());
    }
  }
}

const json* find_member(const json& object, const char* key) {
  const auto it = object.find(key);
  return it == object.end() ? nullptr : &*it;
}

// --- the fields of one operation ------------------------------------------------

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

// --- the message ----------------------------------------------------------------

// Big-endian appends, and later fills of a field whose value comes last.
class MessageWriter {
 public:
  explicit MessageWriter(Bytes& out) : mOut(out) {}

  void put(std::uint64_t value, std::size_t width) {
    for (std::size_t i = width; i-- > 0;) {
      mOut.push_back(static_cast<std::uint8_t>((value >> (8 * i)) & 0xFFu));
    }
  }
  void put_at(std::size_t offset, std::uint64_t value, std::size_t width) {
    for (std::size_t i = 0; i < width; ++i) {
      mOut[offset + i] = static_cast<std::uint8_t>((value >> (8 * (width - 1 - i))) & 0xFFu);
    }
  }
  std::size_t size() const { return mOut.size(); }
  Bytes& bytes() { return mOut; }

 private:
  Bytes& mOut;
};

// A header field: as given, or its usual value when left out.
template <typename T>
T header_field(const json& doc, const char* name, T usual) {
  const json* given = find_member(doc, name);
  return given == nullptr ? usual : integer_as<T>(*given, member_at("", name));
}

// A field written before the value it depends on is known: written as
// given, or left zero and filled in by settle().
template <typename T>
class LateField {
 public:
  LateField(const json& object, const std::string& at, const char* name, MessageWriter& out)
      : mAt(member_at(at, name)), mOffset(out.size()) {
    if (const json* given = find_member(object, name)) mGiven = integer_as<T>(*given, mAt);
    out.put(mGiven.value_or(0), sizeof(T));
  }

  // `what` is the computed value's description, e.g. "the message's length".
  void settle(MessageWriter& out, std::size_t computed, const char* what) {
    if (mGiven) return;
    constexpr auto kMax = std::numeric_limits<T>::max();
    if (computed > kMax) {
      fail(mAt, std::string(what) + " " + out_of_range(std::to_string(computed), kMax));
    }
    out.put_at(mOffset, computed, sizeof(T));
  }

 private:
  std::string mAt;
  std::size_t mOffset;
  std::optional<T> mGiven;
};

void write_timestamp(const json& doc, MessageWriter& out) {
  scte_104::Timestamp timestamp;
  const json* given = find_member(doc, "timestamp");
  const std::string at = "/timestamp";
  if (given != nullptr) {
    object_value(*given, at);
    const json* type = find_member(*given, "time_type");
    if (type == nullptr) fail(member_at(at, "time_type"), "missing");
    timestamp.mTimeType =
        static_cast<std::uint8_t>(integer_value(*type, member_at(at, "time_type"), kLastTimeType));
    std::vector<std::string> names = {"time_type", "time_type_name"};
    timestamp.for_each_field([&names](const char* name, auto&) { names.emplace_back(name); });
    only_members(*given, at, names);
    timestamp.for_each_field([&](const char* name, auto& value) {
      const json* field = find_member(*given, name);
      if (field == nullptr) fail(member_at(at, name), "missing");
      value = integer_as<std::decay_t<decltype(value)>>(*field, member_at(at, name));
    });
  }
  out.put(timestamp.mTimeType, 1);
  std::as_const(timestamp).for_each_field(
      [&out](const char*, const auto& value) { out.put(value, sizeof(value)); });
}

// An operation's bytes from its fields, then trailing_data.
void write_fields(const json& op, const std::string& at, scte_104::MultipleOperationId id,
                  const json& fields, MessageWriter& out) {
  scte_104::OperationFields record = scte_104::layout_of(id);
  std::visit(
      [&](auto& r) {
        if constexpr (!std::is_same_v<std::decay_t<decltype(r)>, std::monostate>) {
          FieldReader(fields, member_at(at, "fields")).read(r);
        }
      },
      record);
  const Bytes bytes = scte_104::write_fields(record);
  out.bytes().insert(out.bytes().end(), bytes.begin(), bytes.end());
  if (const json* trailing = find_member(op, "trailing_data")) {
    append_hex(*trailing, member_at(at, "trailing_data"), &out.bytes());
  }
}

void write_operation(const json& op, const std::string& at, MessageWriter& out) {
  object_value(op, at);
  const json* id_value = find_member(op, "opID");
  if (id_value == nullptr) fail(member_at(at, "opID"), "missing");
  const auto id = integer_as<scte_104::MultipleOperationId>(*id_value, member_at(at, "opID"));
  const bool has_layout = !std::holds_alternative<std::monostate>(scte_104::layout_of(id));
  static const std::array<const char*, 8> kLayoutMembers = {
      "opID", "name", "description", "data_length", "data", "fields", "error", "trailing_data"};
  static const std::array<const char*, 6> kRawMembers = {"opID",        "name", "description",
                                                         "data_length", "data", "error"};
  if (has_layout) {
    only_members(op, at, kLayoutMembers);
  } else {
    only_members(op, at, kRawMembers);
  }
  out.put(id, 2);
  LateField<std::uint16_t> data_length(op, at, "data_length", out);
  const std::size_t start = out.size();
  const json* fields = find_member(op, "fields");
  const json* data = find_member(op, "data");
  if (fields != nullptr) {
    if (data != nullptr) append_hex(*data, member_at(at, "data"), nullptr);  // checked, not used
    write_fields(op, at, id, *fields, out);
  } else if (data != nullptr) {
    append_hex(*data, member_at(at, "data"), &out.bytes());
    if (find_member(op, "trailing_data") != nullptr) {
      fail(member_at(at, "trailing_data"), "only read after fields");
    }
  } else {
    fail(member_at(at, "data"), "missing: an operation needs fields or data");
  }
  data_length.settle(out, out.size() - start, "the length written");
}

// Room for the header and the data of every operation, so that a large
// message is not copied as it grows.
std::size_t expected_size(const json& operations) {
  std::size_t size = 32;
  for (const json& op : operations) {
    size += 4;
    if (!op.is_object()) continue;
    const auto data = op.find("data");
    if (data != op.end() && data->is_string())
      size += data->get_ref<const std::string&>().size() / 2;
  }
  return size;
}

Bytes encode_document(const json& doc) {
  object_value(doc, "");
  static const std::array<const char*, 15> kMembers = {"hex",           "base64",
                                                       "decoded_size",  "reserved",
                                                       "message_size",  "protocol_version",
                                                       "AS_index",      "message_number",
                                                       "DPI_PID_index", "SCTE35_protocol_version",
                                                       "timestamp",     "num_ops",
                                                       "operations",    "trailing_data",
                                                       "scte35"};
  only_members(doc, "", kMembers);
  const json* operations = find_member(doc, "operations");
  if (operations == nullptr) fail("/operations", "missing");
  array_value(*operations, "/operations");

  Bytes bytes;
  bytes.reserve(expected_size(*operations));
  MessageWriter out(bytes);
  out.put(kLeadByte, 1);
  out.put(header_field<std::uint16_t>(doc, "reserved", kReservedValue), 2);
  LateField<std::uint16_t> message_size(doc, "", "message_size", out);
  out.put(header_field<std::uint8_t>(doc, "protocol_version", 0), 1);
  out.put(header_field<std::uint8_t>(doc, "AS_index", 0), 1);
  out.put(header_field<std::uint8_t>(doc, "message_number", 0), 1);
  out.put(header_field<std::uint16_t>(doc, "DPI_PID_index", 0), 2);
  out.put(header_field<std::uint8_t>(doc, "SCTE35_protocol_version", 0), 1);
  write_timestamp(doc, out);
  LateField<std::uint8_t> num_ops(doc, "", "num_ops", out);
  num_ops.settle(out, operations->size(), "the number of operations");
  for (std::size_t i = 0; i < operations->size(); ++i) {
    write_operation((*operations)[i], element_at("/operations", i), out);
  }
  // message_size counts the message itself, not bytes that follow it.
  message_size.settle(out, out.size() - 1, "the message's length");
  if (const json* trailing = find_member(doc, "trailing_data")) {
    append_hex(*trailing, "/trailing_data", &bytes);
  }
  return bytes;
}

// nlohmann says "[json.exception.parse_error.101] parse error at line 3,
// column 7: <reason>" (or "number overflow parsing '1e999'" for a number
// too large); the place and the reason are what a person needs.
std::string not_json(const json::exception& e) {
  std::string what = e.what();
  const auto tag_end = what.find("] ");
  if (what.rfind("[json.exception.", 0) == 0 && tag_end != std::string::npos) {
    what.erase(0, tag_end + 2);
  }
  const std::string_view place = "parse error at ";
  if (what.rfind(place, 0) == 0) what.erase(0, place.size());
  return "Not JSON: " + what;
}

// Hands the parser one character at a time from blocks of the source, so
// that a large document is never held as text and as values at once.
class BlockReader {
 public:
  explicit BlockReader(const TextSource& source) : mSource(source), mBuffer(kBlockSize) {}

  bool at_end() {
    if (mNext == mEnd && !mDone) {
      const std::size_t got = mSource(mBuffer.data(), mBuffer.size());
      mNext = mBuffer.data();
      mEnd = mNext + got;
      mDone = got == 0;
    }
    return mNext == mEnd;
  }
  char current() const { return *mNext; }
  void advance() { ++mNext; }

 private:
  static constexpr std::size_t kBlockSize = std::size_t{1} << 16u;
  const TextSource& mSource;
  std::vector<char> mBuffer;
  const char* mNext = nullptr;
  const char* mEnd = nullptr;
  bool mDone = false;
};

// The input iterator nlohmann reads through; it is only ever compared with
// the end iterator.
class BlockIterator {
 public:
  using iterator_category = std::input_iterator_tag;
  using value_type = char;
  using difference_type = std::ptrdiff_t;
  using pointer = const char*;
  using reference = char;

  explicit BlockIterator(BlockReader* reader = nullptr) : mReader(reader) {}
  char operator*() const { return mReader->current(); }
  BlockIterator& operator++() {
    mReader->advance();
    return *this;
  }
  bool operator!=(const BlockIterator&) const { return !mReader->at_end(); }
  bool operator==(const BlockIterator& other) const { return !(*this != other); }

 private:
  BlockReader* mReader;
};

// The report's renderings of the whole message are not read, so they are
// not kept either: for a large message they are most of the document.
bool keep(int depth, json::parse_event_t event, json& parsed) {
  return !(depth == 1 && event == json::parse_event_t::key &&
           (parsed == "hex" || parsed == "base64" || parsed == "scte35"));
}

}  // namespace

std::vector<std::uint8_t> encode_json_mark(const TextSource& source) {
  BlockReader reader(source);
  json doc;
  try {
    doc = json::parse(BlockIterator(&reader), BlockIterator(), keep);
  } catch (const json::exception& e) {  // parse_error, or out_of_range for 1e999
    throw std::runtime_error(not_json(e));
  }
  return encode_document(doc);
}

std::vector<std::uint8_t> encode_json_mark(std::string_view text) {
  return encode_json_mark([&text](char* buffer, std::size_t size) {
    const std::size_t count = std::min(size, text.size());
    text.copy(buffer, count);
    text.remove_prefix(count);
    return count;
  });
}

}  // namespace scte104
