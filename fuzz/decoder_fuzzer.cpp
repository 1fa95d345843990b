// SPDX-License-Identifier: MIT
// Arbitrary bytes as a message: decode, read every field, render, encode.
// A message that decodes cleanly and is well formed must encode back to
// exactly its own bytes.
#include <cstdlib>
#include <stdexcept>
#include <vector>

#include "scte/scte_104.h"

namespace {

// No trailing bytes, every splice request exactly 14 bytes long, and every
// other operation's data wholly present: then nothing is lost on the way.
bool well_formed(const scte_104::MultipleOperationMessage& m) {
  if (m.position() != m.data().size()) return false;
  for (const auto& op : m.operations()) {
    const std::size_t expected =
        op.operation_id() == scte_104::SPLICE_REQUEST_DATA ? 14 : op.data().size();
    if (op.data_length() != expected) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  scte_104::MultipleOperationMessage m(data, size);
  bool decoded = true;
  try {
    m.decode();
  } catch (const std::runtime_error&) {
    decoded = false;
  }
  // Every accessor is safe whatever decode() left behind.
  volatile std::size_t sink = m.position() + m.reserved() + m.message_size() +
                              m.protocol_version() + m.as_index() + m.message_number() +
                              m.dpi_pid_index() + m.scte35_protocol_version() +
                              m.timestamp().mTimeType + m.num_ops();
  for (const auto& op : m.operations()) {
    sink = sink + op.data().size() + op.data_length() + op.request_data().pre_roll_time() +
           scte_104::multiple_operation_type(op.operation_id()).size() +
           scte_104::splice_insert_type(op.request_data().splice_insert_type()).size();
  }
  if (m.to_hex().size() != 2 * size) std::abort();
  if (m.to_base64().size() != 4 * ((size + 2) / 3)) std::abort();

  const bool round_trip = decoded && well_formed(m);
  m.encode(false);
  if (round_trip && m.data() != std::vector<std::uint8_t>(data, data + size)) std::abort();
  return 0;
}
