// SPDX-License-Identifier: MIT
// Whole capture files, from memory, through the session report: whatever
// the bytes, the report ends with its summary line and nothing crashes.
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>

#include "session_report.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;  // fmemopen needs a buffer
  std::FILE* file = fmemopen(const_cast<std::uint8_t*>(data), size, "rb");
  if (file == nullptr) return 0;
  std::string text;
  scte104::Output out([&text](const char* bytes, std::size_t count) { text.append(bytes, count); });
  scte104::SessionReportOptions options;
  options.json_lines = (data[size - 1] & 1u) != 0;
  options.ports = {5167, 80};
  try {
    capture::CaptureFile capture(file, "input");
    scte104::report_sessions(capture, options, out);
  } catch (const std::runtime_error&) {
    return 0;  // not a capture, or a link type we do not read
  }
  out.flush();
  const std::size_t last = text.rfind('\n', text.size() - 2);
  const std::string summary = text.substr(last == std::string::npos ? 0 : last + 1);
  if (summary.rfind(options.json_lines ? "{\"summary\": " : "summary: ", 0) != 0) std::abort();
  return 0;
}
