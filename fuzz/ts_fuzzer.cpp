// SPDX-License-Identifier: MIT
// Arbitrary bytes as a transport stream, handed over in pieces of a size
// the first byte picks (its low bit also reads PIDs 489 and 500 as with
// --pid): the run ends normally or says "not a transport stream" with
// nothing written; every line is one whole JSON object, and the summary
// counts the lines above it.
#include <cstdint>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

#include "ts/demuxer.h"
#include "ts_report.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::size_t piece = data[0] * std::size_t{8} + 1;
  scte104::TsReportOptions options;
  options.json_lines = true;
  if ((data[0] & 1u) != 0) options.pids = {489, 500};
  std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
  std::string written;
  scte104::Output out([&written](const char* text, std::size_t n) { written.append(text, n); });
  try {
    scte104::report_transport_stream(
        [&input, piece](char* into, std::size_t room) {
          const std::size_t n = std::min({room, piece, input.size()});
          input.copy(into, n);
          input.remove_prefix(n);
          return n;
        },
        options, out);
  } catch (const ts::NotTransportStream&) {
    out.flush();
    if (!written.empty()) std::abort();
    return 0;
  }
  out.flush();
  std::uint64_t problems = 0, messages = 0, sections = 0, lines = 0;
  nlohmann::json last;
  std::string_view text(written);
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    if (end == std::string_view::npos) std::abort();  // a line without its line feed
    last = nlohmann::json::parse(text.substr(0, end));  // throws, and so fails, if not JSON
    ++lines;
    if (last.contains("problem")) ++problems;
    if (last.contains("message") || last.contains("error")) ++messages;
    if (last.value("kind", "") == "splice_info_section") ++sections;
    text.remove_prefix(end + 1);
  }
  const nlohmann::json& summary = last.at("summary");
  if (summary.at("problems") != problems || summary.at("messages") != messages ||
      summary.at("sections") != sections) {
    std::abort();
  }
  return 0;
}
