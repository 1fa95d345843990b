// SPDX-License-Identifier: MIT
#include "json_lines.h"

#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "json_writer.h"
#include "report.h"
#include "utility/strings.h"

namespace scte104 {
namespace {

// The mark of one line, decoded as the command line decodes its argument;
// `text` is scratch space kept from line to line.
std::unique_ptr<scte_104::MultipleOperationMessage> decode_line(std::string_view line,
                                                                std::string& text) {
  text.assign(line);
  const std::string input = ext::base64::decode(text);
  return decode_mark(std::vector<std::uint8_t>(input.begin(), input.end()));
}

}  // namespace

bool write_json_lines(LineReader& lines, Output& out, const scte_104::Scte35Settings& scte35) {
  bool all_reported = true;
  std::string text;
  std::string_view line;
  for (std::uint64_t number = 1; lines.next(line); ++number) {
    line = line_content(line);
    if (line.empty()) continue;
    JsonWriter json(out, JsonStyle::compact);
    json.begin_object();
    json.key("line");
    json.number(number);
    // Only the decoding is guarded: a failed write of the output ends the run.
    std::unique_ptr<scte_104::MultipleOperationMessage> message;
    try {
      message = decode_line(line, text);
    } catch (const std::runtime_error& refused) {
      json.key("error");
      json.escaped_string(refused.what());
      all_reported = false;
    }
    if (message) write_json_report_members(*message, scte35, json);
    json.end_object();
    out.text("\n");
  }
  return all_reported;
}

}  // namespace scte104
