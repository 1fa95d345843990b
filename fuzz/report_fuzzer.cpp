// SPDX-License-Identifier: MIT
// Arbitrary input bytes (lead byte and message) down the tool's own path,
// as both reports: either both are written, the JSON one valid JSON that
// agrees with the message, or both are refused with the same error and not
// a byte written.
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>
#include <vector>

#include "output.h"
#include "report.h"

namespace {

// The report, or the error's text behind a "!" when the input was refused.
std::string outcome(const std::uint8_t* data, std::size_t size, scte104::ReportFormat format) {
  std::string written;
  scte104::Output out([&written](const char* text, std::size_t n) { written.append(text, n); });
  try {
    scte104::inspect(std::vector<std::uint8_t>(data, data + size), out, format);
  } catch (const std::runtime_error& e) {
    out.flush();
    if (!written.empty()) std::abort();  // a refused input leaves no report behind
    return std::string("!") + e.what();
  }
  out.flush();
  if (written.empty()) std::abort();
  return written;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text = outcome(data, size, scte104::ReportFormat::text);
  const std::string json = outcome(data, size, scte104::ReportFormat::json);
  if ((text[0] == '!' || json[0] == '!') && text != json) std::abort();
  if (json[0] == '!') return 0;
  // parse() throws on text that is not JSON, and an uncaught exception is a finding.
  const nlohmann::json report = nlohmann::json::parse(json);
  if (report.at("decoded_size") != size - 1 || report.at("hex").get<std::string>().size() != 2 * (size - 1)) {
    std::abort();
  }
  for (const auto& op : report.at("operations")) {
    if (op.contains("error") && (op.contains("fields") || op.contains("trailing_data"))) std::abort();
  }
  return 0;
}
