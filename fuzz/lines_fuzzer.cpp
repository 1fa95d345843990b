// SPDX-License-Identifier: MIT
// Arbitrary bytes as a file of queue marks, handed to the line reader in
// pieces of a size the first byte picks: every output line is one whole
// JSON object that starts with its line number, one per line that holds a
// mark, and an error line is there exactly when the run says "refused".
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "json_lines.h"

namespace {

// The numbers of the lines that are neither blank nor comments.
std::vector<std::uint64_t> mark_lines(std::string_view text) {
  std::vector<std::uint64_t> numbers;
  std::uint64_t number = 0;
  while (!text.empty()) {
    const std::size_t end = std::min(text.find('\n'), text.size());
    const std::string_view line = text.substr(0, end);
    const std::size_t first = line.find_first_not_of(" \t\r");
    ++number;
    if (first != std::string_view::npos && line[first] != '#') numbers.push_back(number);
    text.remove_prefix(std::min(end + 1, text.size()));
  }
  return numbers;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::size_t piece = data[0] + std::size_t{1};
  std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
  const std::vector<std::uint64_t> expected = mark_lines(input);
  scte104::LineReader lines(
      [&input, piece](char* into, std::size_t room) {
        const std::size_t n = std::min({room, piece, input.size()});
        input.copy(into, n);
        input.remove_prefix(n);
        return n;
      },
      piece);
  std::string written;
  scte104::Output out([&written](const char* text, std::size_t n) { written.append(text, n); });
  const bool all_reported = scte104::write_json_lines(lines, out, {});
  out.flush();

  std::vector<std::uint64_t> numbers;
  bool any_error = false;
  for (std::size_t at = 0; at < written.size();) {
    const std::size_t end = written.find('\n', at);
    if (end == std::string::npos) std::abort();  // a line left unfinished
    // parse() throws on text that is not JSON: an uncaught exception is a finding.
    const auto report = nlohmann::ordered_json::parse(written.substr(at, end - at));
    if (report.begin().key() != "line") std::abort();
    numbers.push_back(report.at("line").get<std::uint64_t>());
    any_error |= report.contains("error");
    at = end + 1;
  }
  if (numbers != expected || all_reported == any_error) std::abort();
  return 0;
}
