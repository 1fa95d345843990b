// SPDX-License-Identifier: MIT
#include "json_writer.h"

namespace scte104 {
namespace {

constexpr std::string_view kIndent = "                                ";  // 16 levels

std::uint32_t bit(std::size_t depth) { return std::uint32_t{1} << depth; }

}  // namespace

void JsonWriter::open(char bracket) {
  mOut.text(std::string_view(&bracket, 1));
  ++mDepth;
  mHasItems &= ~bit(mDepth);
}

void JsonWriter::close(char bracket) {
  const bool had_items = (mHasItems & bit(mDepth)) != 0;
  --mDepth;
  if (had_items && mStyle == JsonStyle::indented) {
    mOut.text("\n");
    mOut.text(kIndent.substr(0, 2 * mDepth));
  }
  mOut.text(std::string_view(&bracket, 1));
}

void JsonWriter::next() {
  const bool has_items = (mHasItems & bit(mDepth)) != 0;
  mHasItems |= bit(mDepth);
  if (mStyle == JsonStyle::compact) {
    if (has_items) mOut.text(", ");
    return;
  }
  mOut.text(has_items ? ",\n" : "\n");
  mOut.text(kIndent.substr(0, 2 * mDepth));
}

void JsonWriter::key(std::string_view name, std::string_view suffix) {
  next();
  mOut.text("\"");
  mOut.text(name);
  mOut.text(suffix);
  mOut.text("\": ");
}

void JsonWriter::string(std::string_view text) {
  mOut.text("\"");
  mOut.text(text);
  mOut.text("\"");
}

void JsonWriter::base64_string(const std::uint8_t* bytes, std::size_t count) {
  mOut.text("\"");
  mOut.base64(bytes, count);
  mOut.text("\"");
}

void JsonWriter::hex_string(const std::uint8_t* bytes, std::size_t count) {
  mOut.text("\"");
  mOut.hex_bytes(bytes, count);
  mOut.text("\"");
}

void JsonWriter::escaped_string(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  mOut.text("\"");
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7F && c != '"' && c != '\\') {
      mOut.text(std::string_view(&c, 1));
    } else {
      const char escape[] = {'\\', 'u', '0', '0', kDigits[byte >> 4u], kDigits[byte & 0x0Fu]};
      mOut.text(std::string_view(escape, sizeof escape));
    }
  }
  mOut.text("\"");
}

}  // namespace scte104
