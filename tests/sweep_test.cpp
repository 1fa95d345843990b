// Every prefix and every single-byte change of the sample messages goes
// through the same path as the tool: either a whole report, or an error
// with a text and not one byte of report.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "output.h"
#include "report.h"
#include "samples.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// "" when a report was written; otherwise the error's text.
std::string inspect_outcome(const Bytes& input, std::string& report) {
  report.clear();
  scte104::Output out([&report](const char* text, std::size_t size) { report.append(text, size); });
  try {
    scte104::inspect(input, out);
  } catch (const std::exception& e) {
    out.flush();  // anything buffered before the error would show up here
    EXPECT_EQ(report, "") << "half report before: " << e.what();
    EXPECT_STRNE(e.what(), "");
    return e.what();
  }
  out.flush();
  EXPECT_EQ(report.rfind("SCTE-104 metadata:\n{\n  hex: ", 0), 0u);
  EXPECT_EQ(report.substr(report.size() - 6), "  ]\n}\n");
  return "";
}

std::vector<Bytes> sample_inputs() {
  std::vector<Bytes> inputs;
  for (const char* hex :
       {samples::kHelpExample, samples::kProprietaryThenSplice, samples::kUtcTimestamp,
        samples::kTimeCodeTimestamp, samples::kGpiTimestamp}) {
    inputs.push_back(samples::bytes(std::string("08") + hex));
  }
  return inputs;
}

TEST(sweep, every_prefix_reports_or_fails_cleanly) {
  std::string report;
  for (const Bytes& full : sample_inputs()) {
    for (std::size_t n = 0; n <= full.size(); ++n) {
      const std::string error = inspect_outcome(Bytes(full.data(), full.data() + n), report);
      // The whole input reports; a cut one can only fail, as no sample
      // ends in a proprietary command whose data may legally run short.
      EXPECT_EQ(error.empty(), n == full.size()) << "cut at " << n << ": " << error;
    }
  }
}

TEST(sweep, every_single_byte_change_reports_or_fails_cleanly) {
  std::string report;
  for (const Bytes& full : sample_inputs()) {
    for (std::size_t i = 0; i < full.size(); ++i) {
      Bytes changed = full;
      for (unsigned v = 0; v <= 0xFF; ++v) {
        changed[i] = static_cast<std::uint8_t>(v);
        inspect_outcome(changed, report);
      }
    }
  }
}

TEST(sweep, lead_byte_is_never_looked_at) {
  std::string first, other;
  Bytes input = samples::bytes(std::string("08") + samples::kHelpExample);
  inspect_outcome(input, first);
  input[0] = 0x5A;
  inspect_outcome(input, other);
  EXPECT_EQ(first, other);
}

}  // namespace
