// SPDX-License-Identifier: MIT
// An opID (two bytes) and arbitrary data, as the one operation of a message:
// its typed view never reads outside the data, and a view that succeeds
// writes back exactly the data it was read from.
#include <cstdlib>
#include <stdexcept>
#include <vector>

#include "scte/operation_data.h"
#include "scte/scte_104.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2 || size - 2 > 0xFFFF) return 0;
  const std::size_t length = size - 2;
  // reserved .. time_type 0, num_ops 1, then opID, data_length and the data.
  std::vector<std::uint8_t> bytes = {0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, data[0], data[1],
                                     static_cast<std::uint8_t>(length >> 8u),
                                     static_cast<std::uint8_t>(length & 0xFFu)};
  bytes.insert(bytes.end(), data + 2, data + size);
  scte_104::MultipleOperationMessage message(std::move(bytes));
  try {
    message.decode();
  } catch (const std::runtime_error&) {
    return 0;  // a splice request needs its 14 bytes in the message
  }
  const scte_104::Operation& op = message.operations().at(0);
  const scte_104::OperationView view = scte_104::view_operation(op);
  const bool has_fields = !std::holds_alternative<std::monostate>(view.fields);
  if (view.failed()) {
    if (has_fields || !view.trailing_data.empty()) std::abort();
  } else if (has_fields && scte_104::write_operation_data(view) != op.data()) {
    std::abort();
  }
  return 0;
}
