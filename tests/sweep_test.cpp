// SPDX-License-Identifier: MIT
// Every prefix and every single-byte change of the sample messages goes
// through the tool's own path, as both reports: either both are written
// whole, or both are refused with the same error and not one byte written.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "output.h"
#include "report.h"
#include "samples.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// The report, or "!" and the error's text.
std::string outcome(const Bytes& input, scte104::ReportFormat format) {
  std::string report;
  scte104::Output out([&report](const char* text, std::size_t size) { report.append(text, size); });
  try {
    scte104::inspect(input, out, format);
  } catch (const std::exception& e) {
    out.flush();  // anything buffered before the error would show up here
    EXPECT_EQ(report, "") << "half report before: " << e.what();
    return std::string("!") + e.what();
  }
  out.flush();
  return report;
}

// True when both reports were written whole, false when both refused alike.
bool both_reports(const Bytes& input) {
  const std::string text = outcome(input, scte104::ReportFormat::text);
  const std::string json = outcome(input, scte104::ReportFormat::json);
  if (text[0] == '!' || json[0] == '!') {
    EXPECT_EQ(text, json);
    return false;
  }
  EXPECT_EQ(text.substr(text.size() - 6), "  ]\n}\n");
  EXPECT_EQ(json.substr(json.size() - 3), "\n}\n");
  return true;
}

TEST(sweep, every_prefix_and_every_single_byte_change) {
  for (const char* hex : {samples::kHelpExample, samples::kProprietaryThenSplice, samples::kUtcTimestamp,
                          samples::kSegmentation}) {
    const Bytes full = samples::bytes(std::string("08") + hex);
    // No sample ends in an operation whose data may legally run short.
    for (std::size_t n = 0; n <= full.size(); ++n) {
      EXPECT_EQ(both_reports(Bytes(full.data(), full.data() + n)), n == full.size()) << "cut at " << n;
    }
    for (std::size_t i = 0; i < full.size(); ++i) {
      Bytes changed = full;
      for (unsigned v = 0; v <= 0xFF; ++v) {
        changed[i] = static_cast<std::uint8_t>(v);
        both_reports(changed);
      }
    }
  }
}

}  // namespace
