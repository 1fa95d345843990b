// SPDX-License-Identifier: MIT
// JSON written straight into an Output: objects and arrays open and close,
// members and elements are separated as they come. Indented: two blanks a
// level, one member or element a line. Compact: all on one line, items
// separated by ", " and keys by ": ", for one JSON document per line.
#ifndef SCTE104_JSON_WRITER_H
#define SCTE104_JSON_WRITER_H

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "output.h"

namespace scte104 {

enum class JsonStyle { indented, compact };

class JsonWriter {
 public:
  explicit JsonWriter(Output& out, JsonStyle style = JsonStyle::indented)
      : mOut(out), mStyle(style) {}

  void begin_object() { open('{'); }
  void end_object() { close('}'); }
  void begin_array() { open('['); }
  void end_array() { close(']'); }
  // Starts a member of the open object: its key, "name" then "suffix".
  void key(std::string_view name, std::string_view suffix = {});
  // Starts an element of the open array.
  void element() { next(); }

  void number(std::uint64_t value) { mOut.decimal(value); }
  void null() { mOut.text("null"); }
  // A text that needs no escaping: our own names and descriptions.
  void string(std::string_view text);
  // Bytes as padded Base64 text.
  void base64_string(const std::uint8_t* bytes, std::size_t count);
  // Bytes as lowercase hexadecimal digits.
  void hex_string(const std::uint8_t* bytes, std::size_t count);
  // One character per byte; quotes, backslashes, control characters and
  // bytes from 0x7F up as \u00XX, so the text stays ASCII.
  void escaped_string(std::string_view bytes);

 private:
  void open(char bracket);
  void close(char bracket);
  void next();  // separator, line break and indentation of the next item

  Output& mOut;
  JsonStyle mStyle;
  std::size_t mDepth = 0;
  std::uint32_t mHasItems = 0;  // bit d: the container at depth d has an item
};

}  // namespace scte104

#endif  // SCTE104_JSON_WRITER_H
