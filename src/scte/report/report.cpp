// SPDX-License-Identifier: MIT
#include "report.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <stdexcept>

namespace scte104 {
namespace {

using scte_104::MultipleOperationMessage;
using scte_104::Operation;

// hex and base64 render the message's buffer as to_hex() and to_base64()
// do, written straight out instead of built as strings first: for a large
// message those strings would be twice and 1.3 times its size.
void write_metadata(const MultipleOperationMessage& message, Output& out) {
  const std::vector<std::uint8_t>& bytes = message.data();
  out.text("SCTE-104 metadata:\n{\n  hex: ");
  out.hex_bytes(bytes.data(), bytes.size());
  out.text("\n  base64: ");
  out.base64(bytes.data(), bytes.size());
  out.text("\n  decodedSize: ");
  out.decimal(bytes.size());
  out.text("\n}\n\n");
}

// The last line of each layout carries neither comma nor line feed: the
// caller closes it. Values are hexadecimal although they carry no "0x".
void write_timestamp(const scte_104::Timestamp& t, Output& out) {
  switch (t.mTimeType) {
    case 1:
      out.text("    timeType: \"UTC\",\n    Seconds     : ");
      out.hex(t.mUTCSeconds);
      out.text(",\n    Microseconds: ");
      out.hex(t.mUTCMicroseconds);
      break;
    case 2:
      out.text("    timeType: \"Time\",\n    Hours  : ");
      out.hex(t.mHours);
      out.text(",\n    Minutes: ");
      out.hex(t.mMinutes);
      out.text(",\n    Seconds: ");
      out.hex(t.mSeconds);
      out.text(",\n    Frames : ");
      out.hex(t.mFrames);
      break;
    case 3:
      out.text("    timeType: \"General Purpose Interface [GPI]\",\n    GPINumber: ");
      out.hex(t.mGPINumber);
      out.text(",\n    GPIEdge  : ");
      out.hex(t.mGPIEdge);
      break;
    default:
      out.text("    timeType: \"Immediate\"");
      break;
  }
}

void write_splice_request(const scte_104::SpliceRequestData& r, Output& out) {
  out.text("        SpliceInsertType: \"");
  out.text(scte_104::splice_insert_type(r.splice_insert_type()));
  out.text("\",\n        SpliceEventId: 0x");
  out.hex(r.splice_event_id());
  out.text(",\n        UniqueProgramID: 0x");
  out.hex(r.unique_program_id());
  out.text(",\n        PreRollTime: 0x");
  out.hex(r.pre_roll_time());
  out.text(",\n        BreakDuration: 0x");
  out.hex(r.break_duration());
  out.text(",\n        AvailNum: 0x");
  out.hex(r.avail_num());
  out.text(",\n        AvailsExpected: 0x");
  out.hex(r.avails_expected());
  out.text(",\n        AutoReturnFlag: 0x");
  out.hex(r.auto_return_flag());
  out.text(",\n");
}

// proprietary_command_request_data(): proprietary_id (4 bytes), then
// proprietary_command (1 byte), then the proprietary data up to
// data_length. A byte that the data does not hold, because data_length or
// the buffer is too short, reads as zero in the id and the command, and
// ends the data lists; the "data length" line still shows what was claimed.
void write_proprietary_command(const Operation& op, Output& out) {
  const std::vector<std::uint8_t>& d = op.data();
  const auto at = [&d](std::size_t k) -> std::uint32_t { return k < d.size() ? d[k] : 0u; };
  constexpr std::size_t kDataStart = 5;
  const std::size_t data_end = std::min<std::size_t>(op.data_length(), d.size());

  out.text("        proprietary_id: 0x");
  out.hex(at(0) << 24u | at(1) << 16u | at(2) << 8u | at(3));
  out.text(",\n        proprietary_command: 0x");
  out.hex(at(4));
  out.text(",\n        proprietary_data:");
  if (data_end > kDataStart) out.hex_byte_list(d.data() + kDataStart, data_end - kDataStart);
  // The same bytes again as raw text, up to the first zero byte.
  out.text("\n        proprietary_data: ");
  if (data_end > kDataStart) {
    const char* first = reinterpret_cast<const char*>(d.data()) + kDataStart;
    const std::size_t size = data_end - kDataStart;
    const void* zero = std::memchr(first, 0, size);
    out.text(first, zero ? static_cast<std::size_t>(static_cast<const char*>(zero) - first) : size);
  }
  out.text(",\n");
}

void write_operation(const Operation& op, bool last, Output& out) {
  out.text("    {\n      obj: {\n");
  if (op.operation_id() == scte_104::SPLICE_REQUEST_DATA) {
    write_splice_request(op.request_data(), out);
  } else if (op.operation_id() == scte_104::PROPRIETARY_COMMAND_REQUEST_DATA) {
    write_proprietary_command(op, out);
  }
  out.text("        operationType: \"");
  out.text(scte_104::multiple_operation_type(op.operation_id()));
  out.text("\",\n      },\n      data length: 0x");
  out.hex(op.data_length());
  out.text("\n      opID: 0x");
  out.hex(op.operation_id());
  out.text(last ? "\n    }\n" : "\n    },\n");
}

// Not JSON, though it looks like it: keys are unquoted, numbers are
// hexadecimal, and the commas stand exactly where the format has them.
void write_structure(const MultipleOperationMessage& message, Output& out) {
  out.text("Parsed multiple_operation_message() data structure:\n{\n");
  out.text("  reserved: 0xffff,\n  messageSize: 0x");
  out.hex(message.message_size());
  out.text(",\n  protocolVersion: 0x");
  out.hex(message.protocol_version());
  out.text(",\n  asIndex: 0x");
  out.hex(message.as_index());
  out.text(",\n  messageNumber: 0x");
  out.hex(message.message_number());
  out.text(",\n  dpiPidIndex: 0x");
  out.hex(message.dpi_pid_index());
  out.text(",\n  scte35ProtocolVersion: 0x");
  out.hex(message.scte35_protocol_version());
  out.text(",\n  Timestamp: {\n");
  write_timestamp(message.timestamp(), out);
  out.text("\n  },\n  numOps: 0x");
  out.hex(message.num_ops());
  out.text(",\n  DataPayloads: [\n");
  // After one successful decode() the list holds exactly num_ops entries.
  const auto& operations = message.operations();
  const std::size_t count = std::min<std::size_t>(message.num_ops(), operations.size());
  for (std::size_t i = 0; i < count; ++i) write_operation(operations[i], i + 1 == count, out);
  out.text("  ]\n}\n");
}

}  // namespace

std::unique_ptr<MultipleOperationMessage> decode_mark(std::vector<std::uint8_t> input) {
  if (input.empty()) {
    throw std::runtime_error("Input is empty: expected a lead byte and a message");
  }
  // Byte 0 is the lead byte; the message is everything after it. The
  // message takes the input's own buffer over rather than a copy of it.
  input.erase(input.begin());
  auto message = std::make_unique<MultipleOperationMessage>(std::move(input));
  message->decode();
  return message;
}

void inspect(std::vector<std::uint8_t> input, Output& out, ReportFormat format,
             const scte_104::Scte35Settings& scte35) {
  const auto message = decode_mark(std::move(input));
  if (format == ReportFormat::json) {
    write_json_report(*message, out, scte35);
  } else {
    write_report(*message, out);
  }
}

void write_report(const MultipleOperationMessage& message, Output& out) {
  write_metadata(message, out);
  write_structure(message, out);
}

}  // namespace scte104
