// SPDX-License-Identifier: MIT
#include "mark_line.h"

#include <stdexcept>

#include "json_reader.h"
#include "line_reader.h"
#include "utility/strings.h"

namespace scte104 {
namespace {

// Empty when the bytes keep the framing whole, else why they would not.
std::string framing_error(const std::vector<std::uint8_t>& mark) {
  const std::size_t size = mark.size();
  if (size < 12) {
    return std::to_string(size) + " bytes are no multiple_operation_message (12 at least)";
  }
  if (mark[0] != 0xFF || mark[1] != 0xFF) {
    const unsigned first = unsigned{mark[0]} << 8u | mark[1];
    return "the bytes start with " + std::to_string(first) +
           ", not 65535 (0xFFFF): no multiple_operation_message";
  }
  const std::size_t message_size = std::size_t{mark[2]} << 8u | mark[3];
  if (message_size != size) {
    return "messageSize " + std::to_string(message_size) + " but " + std::to_string(size) +
           " bytes";
  }
  return {};
}

}  // namespace

MarkLineKind read_mark_line(std::string_view line, std::vector<std::uint8_t>& mark,
                            std::string& error) {
  line = line_content(line);
  if (line.empty()) return MarkLineKind::skip;
  mark.clear();
  if (line.front() == '{') {
    try {
      mark = encode_json_mark(line);
    } catch (const std::runtime_error& refused) {
      error = refused.what();
      return MarkLineKind::error;
    }
  } else {
    const std::string bytes = ext::base64::decode(std::string(line));
    mark.assign(bytes.begin(), bytes.end());
  }
  if (!mark.empty()) mark.erase(mark.begin());  // the lead byte, whatever it is
  error = framing_error(mark);
  return error.empty() ? MarkLineKind::mark : MarkLineKind::error;
}

}  // namespace scte104
