// SPDX-License-Identifier: MIT
// From an operation's opID to the layout its data is read with, and from a
// record back to bytes.
#include <stdexcept>

#include "layouts.h"

namespace scte_104 {
namespace {

// Reads the whole layout, or nothing: a view that fails keeps only its error.
template <typename Record>
OperationView read_view(const Bytes& data, Record record = Record()) {
  OperationView view;
  std::size_t position = 0;
  ByteReader in(data, position, "data");
  try {
    read_layout(in, record);
  } catch (const std::runtime_error& e) {
    view.error = e.what();
    return view;
  }
  view.trailing_data = in.read_rest();
  view.fields = std::move(record);
  return view;
}

}  // namespace

OperationFields layout_of(MultipleOperationId id) {
  switch (id) {
    case INJECT_SECTION_DATA_REQUEST:
      return InjectSectionDataRequest();
    case SPLICE_REQUEST_DATA:
      return SpliceRequest();
    case SPLICE_NULL_REQUEST_DATA:
      return SpliceNullRequest();
    case START_SCHEDULE_DOWNLOAD_REQUEST_DATA:
      return StartScheduleDownloadRequest();
    case TIME_SIGNAL_REQUEST_DATA:
      return TimeSignalRequest();
    case TRANSMIT_SCHEDULE_REQUEST_DATA:
      return TransmitScheduleRequest();
    case COMPONENT_MODE_DPI_REQUEST_DATA:
      return ComponentModeDpiRequest();
    case ENCRYPTED_DPI_REQUEST_DATA:
      return EncryptedDpiRequest();
    case INSERT_DESCRIPTOR_REQUEST_DATA:
      return InsertDescriptorRequest();
    case INSERT_DTMF_DESCRIPTOR_REQUEST_DATA:
      return InsertDtmfDescriptorRequest();
    case INSERT_AVAIL_DESCRIPTOR_REQUEST_DATA:
      return InsertAvailDescriptorRequest();
    case INSERT_SEGMENTATION_DESCRIPTOR_REQUEST_DATA:
      return InsertSegmentationDescriptorRequest();
    case PROPRIETARY_COMMAND_REQUEST_DATA:
      return ProprietaryCommandRequest();
    case SCHEDULE_COMPONENT_MODE_REQUEST_DATA:
      return ScheduleComponentModeRequest();
    case SCHEDULE_DEFINITION_DATA:
      return ScheduleDefinition();
    case INSERT_TIER_DATA:
      return InsertTierData();
    case INSERT_TIME_DESCRIPTOR:
      return InsertTimeDescriptor();
    case DELETE_CONTROLWORD_DATA:
      return DeleteControlWord();
    case UPDATE_CONTROLWORD_DATA:
      return UpdateControlWord();
    case INSERT_AUDIO_DESCRIPTOR:  // its layout is not public
      break;
  }
  return std::monostate();
}

OperationView view_operation(const Operation& op) {
  return std::visit(
      [&op](auto record) {
        using Record = decltype(record);
        if constexpr (std::is_same_v<Record, std::monostate>) {
          return OperationView();  // raw data only
        } else {
          if constexpr (std::is_same_v<Record, SpliceRequest>) {
            // the decoder's 14 bytes, whatever data_length says
            record.request = op.request_data();
          }
          return read_view(op.data(), std::move(record));
        }
      },
      layout_of(op.operation_id()));
}

Bytes write_fields(const OperationFields& fields) {
  Bytes bytes;
  ByteWriter out(bytes);
  std::visit(
      [&out](const auto& record) {
        if constexpr (!std::is_same_v<std::decay_t<decltype(record)>, std::monostate>) {
          write_layout(out, record);
        }
      },
      fields);
  return bytes;
}

Bytes write_operation_data(const OperationView& view) {
  Bytes bytes = write_fields(view.fields);
  bytes.insert(bytes.end(), view.trailing_data.begin(), view.trailing_data.end());
  return bytes;
}

}  // namespace scte_104
