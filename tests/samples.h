// Sample messages shared by the tests, written as hexadecimal byte by byte
// from the field layout (no lead byte unless a name says so).
#ifndef SCTE104_TESTS_SAMPLES_H
#define SCTE104_TESTS_SAMPLES_H

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "scte/scte_104.h"

namespace samples {

// The help text's example: time type 0, one splice request.
constexpr const char* kHelpExample =
    "ffff001e0000ab00000000"  // reserved .. time_type 0
    "01"                      // num_ops
    "0101000e"                // opID 0x0101, data_length 14
    "01400002b4000001e004b0000000";

// A proprietary command (data_length 6) followed by a splice request.
constexpr const char* kProprietaryThenSplice =
    "ffff00280000010000000002"
    "010c00060000002a0741"
    "0101000e03ffffffffabcd00010002050607";

// One message of each timestamp layout, without operations.
constexpr const char* kUtcTimestamp =
    "ffff0012000000000000"
    "01"
    "000001001234"
    "00";
constexpr const char* kTimeCodeTimestamp =
    "ffff0010000000000000"
    "02"
    "01020304"
    "00";
constexpr const char* kGpiTimestamp =
    "ffff000e000000000000"
    "03"
    "0501"
    "00";

inline std::vector<std::uint8_t> bytes(const std::string& hex) {
  if (hex.size() % 2 != 0) throw std::invalid_argument("odd hex length");
  std::vector<std::uint8_t> out;
  for (std::size_t i = 0; i < hex.size(); i += 2) {
    out.push_back(static_cast<std::uint8_t>(std::stoul(hex.substr(i, 2), nullptr, 16)));
  }
  return out;
}

// A message built over `bytes` and decoded (a message cannot be moved, so
// it comes behind a pointer).
inline std::unique_ptr<scte_104::MultipleOperationMessage> decoded(
    const std::vector<std::uint8_t>& bytes) {
  auto message = std::make_unique<scte_104::MultipleOperationMessage>(bytes.data(), bytes.size());
  message->decode();
  return message;
}

}  // namespace samples

#endif  // SCTE104_TESTS_SAMPLES_H
