// SPDX-License-Identifier: MIT
// From a JSON description of a queue mark to its bytes: the document is
// parsed as it is read, the header and each operation are written here,
// an operation's fields go through FieldReader into the record of its
// layout, and the library's writer turns the record into bytes.
#include "json_reader.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <iterator>
#include <limits>
#include <nlohmann/json.hpp>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <variant>

#include "field_reader.h"
#include "json_values.h"
#include "scte/operation_data.h"

namespace scte104 {
namespace {

constexpr std::uint8_t kLeadByte = 0x08;
constexpr std::uint16_t kReservedValue = 0xFFFF;
constexpr std::uint8_t kLastTimeType = 3;
constexpr const char* kOnlyWhiteSpace = "only white space may follow the document";

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
  if (const json* trailing = find_member(doc, "trailing_data")) {
    append_hex(*trailing, "/trailing_data", &bytes);
  }
  // message_size counts every byte written after the lead byte, trailing
  // data too: a receiver frames the next message after all of them.
  message_size.settle(out, out.size() - 1, "the message's length");
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
  // Bytes after a whole document: nlohmann's reason quotes all it read of
  // the document's last token; the place is enough.
  const std::string_view after = "; expected end of input";
  const auto reason = what.find(": ");
  if (what.size() > after.size() &&
      what.compare(what.size() - after.size(), after.size(), after) == 0 &&
      reason != std::string::npos) {
    what.replace(reason + 2, std::string::npos, kOnlyWhiteSpace);
  }
  return "Not JSON: " + what;
}

// Hands the parser one character at a time from blocks of the source, so
// that a large document is never held as text and as values at once.
class BlockReader {
 public:
  explicit BlockReader(const ByteSource& source) : mSource(source), mBuffer(kBlockSize) {}

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
  void advance() {
    // The parser takes a NUL byte for the end of the text, so it accepts a
    // document followed by one: the first is remembered with its place.
    if (*mNext == '\n') {
      ++mLine;
      mColumn = 0;
    } else {
      ++mColumn;
      if (*mNext == '\0' && mNulLine == 0) {
        mNulLine = mLine;
        mNulColumn = mColumn;
      }
    }
    ++mNext;
  }
  // "line L, column C" of the first NUL byte read, or "" if there was none.
  std::string nul_place() const {
    if (mNulLine == 0) return "";
    return "line " + std::to_string(mNulLine) + ", column " + std::to_string(mNulColumn);
  }

 private:
  static constexpr std::size_t kBlockSize = std::size_t{1} << 16u;
  const ByteSource& mSource;
  std::vector<char> mBuffer;
  const char* mNext = nullptr;
  const char* mEnd = nullptr;
  bool mDone = false;
  std::size_t mLine = 1;
  std::size_t mColumn = 0;
  std::size_t mNulLine = 0;
  std::size_t mNulColumn = 0;
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

std::vector<std::uint8_t> encode_json_mark(const ByteSource& source) {
  BlockReader reader(source);
  json doc;
  try {
    doc = json::parse(BlockIterator(&reader), BlockIterator(), keep);
  } catch (const json::exception& e) {  // parse_error, or out_of_range for 1e999
    throw std::runtime_error(not_json(e));
  }
  // Only white space may follow the document; the parser has rejected
  // anything else but a NUL byte.
  const std::string nul = reader.nul_place();
  if (!nul.empty()) throw std::runtime_error("Not JSON: " + nul + ": " + kOnlyWhiteSpace);
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
