// SPDX-License-Identifier: MIT
// One SCTE 104 multiple_operation_message(): its byte buffer, the fields
// decoded from it, and the way back from fields to bytes.
#ifndef SCTE104_SCTE_104_H
#define SCTE104_SCTE_104_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "scte/export.h"

// A record's for_each_field(f), const and not, both walking its one static
// list_fields(record, f).
#define SCTE_104_FIELD_LIST                  \
  template <typename F>                      \
  void for_each_field(F&& f) const {         \
    list_fields(*this, f);                   \
  }                                          \
  template <typename F>                      \
  void for_each_field(F&& f) {               \
    list_fields(*this, f);                   \
  }

namespace scte_104 {

// opID of an operation. Any 16-bit value may be held, named or not.
enum MultipleOperationId : std::uint16_t {
  INJECT_SECTION_DATA_REQUEST = 0x0100,
  SPLICE_REQUEST_DATA = 0x0101,
  SPLICE_NULL_REQUEST_DATA = 0x0102,
  START_SCHEDULE_DOWNLOAD_REQUEST_DATA = 0x0103,
  TIME_SIGNAL_REQUEST_DATA = 0x0104,
  TRANSMIT_SCHEDULE_REQUEST_DATA = 0x0105,
  COMPONENT_MODE_DPI_REQUEST_DATA = 0x0106,
  ENCRYPTED_DPI_REQUEST_DATA = 0x0107,
  INSERT_DESCRIPTOR_REQUEST_DATA = 0x0108,
  INSERT_DTMF_DESCRIPTOR_REQUEST_DATA = 0x0109,
  INSERT_AVAIL_DESCRIPTOR_REQUEST_DATA = 0x010A,
  INSERT_SEGMENTATION_DESCRIPTOR_REQUEST_DATA = 0x010B,
  PROPRIETARY_COMMAND_REQUEST_DATA = 0x010C,
  SCHEDULE_COMPONENT_MODE_REQUEST_DATA = 0x010D,
  SCHEDULE_DEFINITION_DATA = 0x010E,
  INSERT_TIER_DATA = 0x010F,
  INSERT_TIME_DESCRIPTOR = 0x0110,
  INSERT_AUDIO_DESCRIPTOR = 0x0111,
  DELETE_CONTROLWORD_DATA = 0x0300,
  UPDATE_CONTROLWORD_DATA = 0x0301,
};

// What an operation does, in words; "Reserved" for an opID without a name.
SCTE_104_API std::string multiple_operation_type(MultipleOperationId id);

// splice_insert_type of a splice request. Any 8-bit value may be held.
enum SpliceInsertType : std::uint8_t {
  RESERVED = 0,
  SPLICE_START_NORMAL = 1,
  SPLICE_START_IMMEDIATE = 2,
  SPLICE_END_NORMAL = 3,
  SPLICE_END_IMMEDIATE = 4,
  SPLICE_CANCEL = 5,
};

// The name of a splice type; the empty string for 6..255.
SCTE_104_API std::string splice_insert_type(SpliceInsertType type);

// The message's timestamp. mTimeType picks the layout: 0 none, 1 UTC
// seconds and microseconds, 2 time code, 3 GPI. Only the members of that
// layout carry meaning.
struct Timestamp {
  std::uint8_t mTimeType = 0;
  std::uint32_t mUTCSeconds = 0;
  std::uint16_t mUTCMicroseconds = 0;
  std::uint8_t mHours = 0;
  std::uint8_t mMinutes = 0;
  std::uint8_t mSeconds = 0;
  std::uint8_t mFrames = 0;
  std::uint8_t mGPINumber = 0;
  std::uint8_t mGPIEdge = 0;

  // The fields of the layout that mTimeType picks, in wire order, as
  // f(name, value): by reference when the timestamp is not const, so that a
  // reader can fill them. None for type 0 or a type above 3.
  SCTE_104_FIELD_LIST
  template <typename Self, typename F>
  static void list_fields(Self& t, F& f) {
    switch (t.mTimeType) {
      case 1:
        f("UTC_seconds", t.mUTCSeconds);
        f("UTC_microseconds", t.mUTCMicroseconds);
        break;
      case 2:
        f("hours", t.mHours);
        f("minutes", t.mMinutes);
        f("seconds", t.mSeconds);
        f("frames", t.mFrames);
        break;
      case 3:
        f("GPI_number", t.mGPINumber);
        f("GPI_edge", t.mGPIEdge);
        break;
      default:
        break;
    }
  }
};

// The 14 bytes of one splice_request_data(), as read; nothing is checked.
class SpliceRequestData {
 public:
  SpliceInsertType mSpliceInsertType = RESERVED;
  std::uint32_t mSpliceEventId = 0;
  std::uint16_t mUniqueProgramId = 0;
  std::uint16_t mPreRollTime = 0;
  std::uint16_t mBreakDuration = 0;
  std::uint8_t mAvailNum = 0;
  std::uint8_t mAvailsExpected = 0;
  std::uint8_t mAutoReturnFlag = 0;

  SpliceInsertType splice_insert_type() const { return mSpliceInsertType; }
  std::uint32_t splice_event_id() const { return mSpliceEventId; }
  std::uint16_t unique_program_id() const { return mUniqueProgramId; }
  std::uint16_t pre_roll_time() const { return mPreRollTime; }
  std::uint16_t break_duration() const { return mBreakDuration; }
  std::uint8_t avail_num() const { return mAvailNum; }
  std::uint8_t avails_expected() const { return mAvailsExpected; }
  std::uint8_t auto_return_flag() const { return mAutoReturnFlag; }
};

// One operation of the message: opID, data_length as read, the data bytes
// that the buffer held for it, and the decoded splice request (all zero
// unless the opID is SPLICE_REQUEST_DATA).
class SCTE_104_API Operation {
 public:
  Operation() = default;
  Operation(MultipleOperationId id, std::uint16_t data_length, std::vector<std::uint8_t> data,
            const SpliceRequestData& request_data = SpliceRequestData());

  SpliceRequestData& request_data() { return mRequestData; }
  const SpliceRequestData& request_data() const { return mRequestData; }
  MultipleOperationId operation_id() const { return mOpId; }
  std::uint16_t data_length() const { return mDataLength; }
  // At most data_length bytes: fewer when the buffer ended sooner.
  std::vector<std::uint8_t>& data() { return mData; }
  const std::vector<std::uint8_t>& data() const { return mData; }
  void set_data_length(std::uint16_t length) { mDataLength = length; }
  void set_operation_id(MultipleOperationId id) { mOpId = id; }

 private:
  MultipleOperationId mOpId = MultipleOperationId{};
  std::uint16_t mDataLength = 0;
  std::vector<std::uint8_t> mData;
  SpliceRequestData mRequestData;
};

// One multiple_operation_message(), starting at its reserved field (the
// lead byte that precedes it on the wire is not part of it). Construct it
// over the bytes, call decode() once, then read the accessors.
class SCTE_104_API MultipleOperationMessage {
 public:
  MultipleOperationMessage() = default;
  // Copies `size` bytes from `data`; a null `data` gives an empty buffer.
  MultipleOperationMessage(const std::uint8_t* data, std::size_t size);
  explicit MultipleOperationMessage(const std::vector<std::uint8_t>& data);
  // Takes over the bytes without copying them.
  explicit MultipleOperationMessage(std::vector<std::uint8_t>&& data);
  MultipleOperationMessage(const MultipleOperationMessage&) = delete;
  MultipleOperationMessage& operator=(const MultipleOperationMessage&) = delete;

  // Decodes the buffer from the read position on, appending to
  // operations(). Throws std::runtime_error when reserved is not 0xFFFF
  // ("Reserved value must be equal to 0xFFFF"), when the time type is above
  // 3 ("Unknown Timestamp time_type value"), and when the buffer ends before
  // a field: the text then names the field, its offset and the buffer's size.
  // Every field read before the error stays stored; an operation is appended
  // only once all of its fields were read, so a splice request cut short is
  // not. A data_length that runs past the end is no error: the operation
  // keeps the bytes that are there and the read position moves past the end.
  void decode();

  // Rebuilds the buffer from the fields as held (nothing is recomputed),
  // after the lead byte 0x08 when asked. Writes the first num_ops()
  // operations, or only those held when num_ops() says more. The read
  // position and the decoded fields keep their values; if building the new
  // buffer fails, the old one stays.
  void encode(bool with_lead_byte);

  const std::vector<std::uint8_t>& data() const { return mBuffer; }
  std::size_t position() const { return mPosition; }
  std::string to_base64() const;
  // Two lowercase hexadecimal digits per byte, no separators.
  std::string to_hex() const;

  std::uint16_t reserved() const { return mReserved; }
  std::uint16_t message_size() const { return mMessageSize; }
  std::uint8_t protocol_version() const { return mProtocolVersion; }
  std::uint8_t as_index() const { return mASIndex; }
  std::uint8_t message_number() const { return mMessageNumber; }
  std::uint16_t dpi_pid_index() const { return mDpiPidIndex; }
  std::uint8_t scte35_protocol_version() const { return mScte35ProtocolVersion; }
  const Timestamp& timestamp() const { return mTimestamp; }
  std::uint8_t num_ops() const { return mNumOps; }
  std::vector<Operation>& operations() { return mOperations; }
  const std::vector<Operation>& operations() const { return mOperations; }

  // Sets pre_roll_time / break_duration of the splice request at `index` of
  // operations() and re-encodes with the lead byte. An operation that is not
  // a splice request is left alone and the buffer is not rebuilt. An index
  // outside operations() throws std::out_of_range and changes nothing.
  void set_preroll_time(int index, std::uint16_t value);
  void set_break_duration(int index, std::uint16_t value);

 private:
  std::vector<std::uint8_t> mBuffer;
  std::size_t mPosition = 0;
  [[maybe_unused]] bool mDecoded = false;  // kept for callers; nothing reads it yet
  std::uint16_t mReserved = 0;
  std::uint16_t mMessageSize = 0;
  std::uint8_t mProtocolVersion = 0;
  std::uint8_t mASIndex = 0;
  std::uint8_t mMessageNumber = 0;
  std::uint16_t mDpiPidIndex = 0;
  std::uint8_t mScte35ProtocolVersion = 0;
  Timestamp mTimestamp;
  std::uint8_t mNumOps = 0;
  std::vector<Operation> mOperations;

  SpliceRequestData* splice_request_at(int index);
};

}  // namespace scte_104

#endif  // SCTE104_SCTE_104_H
