// Every prefix and every single-byte change of the sample messages goes
// through the tool's own path, as both reports: either both are written
// whole, or both are refused with the same error and not one byte written.
#include <gtest/gtest.h>

#include <stdexcept>
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

// "" when the input was refused alike by both reports, "ok" when both are whole.
std::string both_reports(const Bytes& input) {
  const std::string text = outcome(input, scte104::ReportFormat::text);
  const std::string json = outcome(input, scte104::ReportFormat::json);
  if (text[0] == '!' || json[0] == '!') {
    EXPECT_EQ(text, json);
    return "";
  }
  EXPECT_EQ(text.rfind("SCTE-104 metadata:\n{\n  hex: ", 0), 0u);
  EXPECT_EQ(text.substr(text.size() - 6), "  ]\n}\n");
  EXPECT_EQ(json.rfind("{\n  \"hex\": \"", 0), 0u);
  EXPECT_EQ(json.substr(json.size() - 4), "\n  ]\n}\n" + 3);
  return "ok";
}

std::vector<Bytes> sample_inputs() {
  std::vector<Bytes> inputs;
  for (const char* hex : {samples::kHelpExample, samples::kProprietaryThenSplice,
                          samples::kUtcTimestamp, samples::kSegmentation}) {
    inputs.push_back(samples::bytes(std::string("08") + hex));
  }
  return inputs;
}

TEST(sweep, every_prefix_reports_or_fails_cleanly) {
  for (const Bytes& full : sample_inputs()) {
    for (std::size_t n = 0; n <= full.size(); ++n) {
      // No sample ends in an operation whose data may legally run short.
      EXPECT_EQ(both_reports(Bytes(full.data(), full.data() + n)), n == full.size() ? "ok" : "")
          << "cut at " << n;
    }
  }
}

TEST(sweep, every_single_byte_change_reports_or_fails_cleanly) {
  for (const Bytes& full : sample_inputs()) {
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
