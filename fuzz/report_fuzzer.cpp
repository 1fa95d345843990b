// Arbitrary input bytes (lead byte and message) down the tool's own path:
// decode and the whole report, written to a discarded stream.
#include <cstdlib>
#include <stdexcept>
#include <vector>

#include "output.h"
#include "report.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::size_t written = 0;
  scte104::Output out([&written](const char*, std::size_t n) { written += n; });
  try {
    scte104::inspect(std::vector<std::uint8_t>(data, data + size), out);
  } catch (const std::runtime_error&) {
    out.flush();
    if (written != 0) std::abort();  // a refused input leaves no report behind
    return 0;
  }
  out.flush();
  if (written == 0) std::abort();
  return 0;
}
