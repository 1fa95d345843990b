// SPDX-License-Identifier: MIT
// The wire layout of multiple_operation_message(), read and written in the
// same order: each piece has its reader and its writer side by side.
#include <algorithm>
#include <stdexcept>

#include "byte_reader.h"
#include "byte_writer.h"
#include "layouts.h"
#include "scte/scte_104.h"

namespace scte_104 {
namespace {

constexpr std::uint16_t kReservedValue = 0xFFFF;
constexpr std::uint8_t kLastTimeType = 3;
constexpr std::uint8_t kLeadByte = 0x08;
// Room for a message with one splice request, UTC timestamp and lead byte
// (37 bytes) in the first allocation; longer messages grow as needed.
constexpr std::size_t kTypicalMessageSize = 45;

// --- timestamp body: its layout follows time_type ---------------------------

void read_timestamp_body(ByteReader& in, Timestamp& t) {
  switch (t.mTimeType) {
    case 1:  // UTC
      t.mUTCSeconds = in.read<std::uint32_t>("UTC_seconds");
      t.mUTCMicroseconds = in.read<std::uint16_t>("UTC_microseconds");
      break;
    case 2:  // time code
      t.mHours = in.read<std::uint8_t>("hours");
      t.mMinutes = in.read<std::uint8_t>("minutes");
      t.mSeconds = in.read<std::uint8_t>("seconds");
      t.mFrames = in.read<std::uint8_t>("frames");
      break;
    case 3:  // general purpose interface
      t.mGPINumber = in.read<std::uint8_t>("GPI_number");
      t.mGPIEdge = in.read<std::uint8_t>("GPI_edge");
      break;
    default:  // 0: no time given, no body
      break;
  }
}

void write_timestamp_body(ByteWriter& out, const Timestamp& t) {
  switch (t.mTimeType) {
    case 1:
      out.write(t.mUTCSeconds);
      out.write(t.mUTCMicroseconds);
      break;
    case 2:
      out.write(t.mHours);
      out.write(t.mMinutes);
      out.write(t.mSeconds);
      out.write(t.mFrames);
      break;
    case 3:
      out.write(t.mGPINumber);
      out.write(t.mGPIEdge);
      break;
    default:  // 0, and any out-of-range type the caller set: no body
      break;
  }
}

// --- splice_request_data(): always 14 bytes, whatever data_length says -------

SpliceRequestData read_splice_request(ByteReader& in) {
  SpliceRequestData r;
  r.mSpliceInsertType = in.read<SpliceInsertType>("splice_insert_type");
  r.mSpliceEventId = in.read<std::uint32_t>("splice_event_id");
  r.mUniqueProgramId = in.read<std::uint16_t>("unique_program_id");
  r.mPreRollTime = in.read<std::uint16_t>("pre_roll_time");
  r.mBreakDuration = in.read<std::uint16_t>("break_duration");
  r.mAvailNum = in.read<std::uint8_t>("avail_num");
  r.mAvailsExpected = in.read<std::uint8_t>("avails_expected");
  r.mAutoReturnFlag = in.read<std::uint8_t>("auto_return_flag");
  return r;
}


// --- one operation: opID, data_length, data ---------------------------------

Operation read_operation(ByteReader& in) {
  const auto id = in.read<MultipleOperationId>("opID");
  const auto data_length = in.read<std::uint16_t>("data_length");
  // The data as far as the buffer holds it: a data_length that runs past
  // the end is kept as read, with the bytes that are there.
  std::vector<std::uint8_t> data = in.peek_bytes(data_length);
  if (id == SPLICE_REQUEST_DATA) {
    return Operation(id, data_length, std::move(data), read_splice_request(in));
  }
  in.skip(data_length);
  return Operation(id, data_length, std::move(data));
}

void write_operation(ByteWriter& out, const Operation& op) {
  out.write(op.operation_id());
  out.write(op.data_length());
  // A splice request is written from its decoded fields, so that changes
  // made through request_data() reach the bytes.
  if (op.operation_id() == SPLICE_REQUEST_DATA) {
    write_splice_request(out, op.request_data());
  } else {
    out.write_bytes(op.data());
  }
}

}  // namespace

// Also writes the 14 bytes of a splice request's typed view.
void write_splice_request(ByteWriter& out, const SpliceRequestData& r) {
  out.write(r.mSpliceInsertType);
  out.write(r.mSpliceEventId);
  out.write(r.mUniqueProgramId);
  out.write(r.mPreRollTime);
  out.write(r.mBreakDuration);
  out.write(r.mAvailNum);
  out.write(r.mAvailsExpected);
  out.write(r.mAutoReturnFlag);
}

// --- the whole message --------------------------------------------------------

void MultipleOperationMessage::decode() {
  ByteReader in(mBuffer, mPosition);
  mReserved = in.read<std::uint16_t>("reserved");
  if (mReserved != kReservedValue) {
    throw std::runtime_error("Reserved value must be equal to 0xFFFF");
  }
  mMessageSize = in.read<std::uint16_t>("message_size");
  mProtocolVersion = in.read<std::uint8_t>("protocol_version");
  mASIndex = in.read<std::uint8_t>("AS_index");
  mMessageNumber = in.read<std::uint8_t>("message_number");
  mDpiPidIndex = in.read<std::uint16_t>("DPI_PID_index");
  mScte35ProtocolVersion = in.read<std::uint8_t>("SCTE35_protocol_version");
  mTimestamp.mTimeType = in.read<std::uint8_t>("time_type");
  if (mTimestamp.mTimeType > kLastTimeType) {
    throw std::runtime_error("Unknown Timestamp time_type value");
  }
  read_timestamp_body(in, mTimestamp);
  mNumOps = in.read<std::uint8_t>("num_ops");
  for (unsigned i = 0; i < mNumOps; ++i) mOperations.push_back(read_operation(in));
  // Bytes after the last operation are not part of the message and are
  // left unread; message_size is informational and not compared.
}

void MultipleOperationMessage::encode(bool with_lead_byte) {
  std::vector<std::uint8_t> bytes;
  bytes.reserve(kTypicalMessageSize);
  ByteWriter out(bytes);
  if (with_lead_byte) out.write(kLeadByte);
  out.write(mReserved);
  out.write(mMessageSize);
  out.write(mProtocolVersion);
  out.write(mASIndex);
  out.write(mMessageNumber);
  out.write(mDpiPidIndex);
  out.write(mScte35ProtocolVersion);
  out.write(mTimestamp.mTimeType);
  write_timestamp_body(out, mTimestamp);
  out.write(mNumOps);
  const std::size_t count = std::min<std::size_t>(mNumOps, mOperations.size());
  for (std::size_t i = 0; i < count; ++i) write_operation(out, mOperations[i]);
  mBuffer = std::move(bytes);  // the old buffer goes only once the new one is whole
}

}  // namespace scte_104
