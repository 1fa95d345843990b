// SPDX-License-Identifier: MIT
// The way back from JSON. Any input, as a queue mark (lead byte and
// message): when the tool reports it, its JSON report encodes to the very
// same message. The same input, as a JSON document: encoded, or refused
// with an error, never a crash.
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "json_reader.h"
#include "output.h"
#include "report.h"

namespace {

// The one message the JSON report cannot hold: a splice request whose
// data_length passes 14 with another operation after it, which starts
// inside that data because the decoder takes 14 bytes.
bool splice_request_overlaps(const scte_104::MultipleOperationMessage& message) {
  const auto& ops = message.operations();
  for (std::size_t i = 0; i + 1 < ops.size(); ++i) {
    if (ops[i].operation_id() == scte_104::SPLICE_REQUEST_DATA && ops[i].data_length() > 14) {
      return true;
    }
  }
  return false;
}

void round_trip(const std::uint8_t* data, std::size_t size) {
  std::unique_ptr<scte_104::MultipleOperationMessage> message;
  try {
    message = scte104::decode_mark(std::vector<std::uint8_t>(data, data + size));
  } catch (const std::runtime_error&) {
    return;  // refused: no report to encode
  }
  if (splice_request_overlaps(*message)) return;
  std::string report;
  scte104::Output out([&report](const char* text, std::size_t n) { report.append(text, n); });
  scte104::write_json_report(*message, out);
  out.flush();
  // An error here is a report that does not read back: a finding.
  const std::vector<std::uint8_t> mark = scte104::encode_json_mark(report);
  if (mark.size() != size || mark[0] != 0x08 || !std::equal(mark.begin() + 1, mark.end(), data + 1)) {
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  round_trip(data, size);
  try {
    scte104::encode_json_mark(std::string_view(reinterpret_cast<const char*>(data), size));
  } catch (const std::runtime_error&) {
  }
  return 0;
}
