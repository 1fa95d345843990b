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

OperationView view_operation(const Operation& op) {
  const Bytes& data = op.data();
  switch (op.operation_id()) {
    case INJECT_SECTION_DATA_REQUEST:
      return read_view<InjectSectionDataRequest>(data);
    case SPLICE_REQUEST_DATA:  // the decoder's 14 bytes, whatever data_length says
      return read_view<SpliceRequest>(data, SpliceRequest{op.request_data(), std::nullopt});
    case SPLICE_NULL_REQUEST_DATA:
      return read_view<SpliceNullRequest>(data);
    case START_SCHEDULE_DOWNLOAD_REQUEST_DATA:
      return read_view<StartScheduleDownloadRequest>(data);
    case TIME_SIGNAL_REQUEST_DATA:
      return read_view<TimeSignalRequest>(data);
    case TRANSMIT_SCHEDULE_REQUEST_DATA:
      return read_view<TransmitScheduleRequest>(data);
    case COMPONENT_MODE_DPI_REQUEST_DATA:
      return read_view<ComponentModeDpiRequest>(data);
    case ENCRYPTED_DPI_REQUEST_DATA:
      return read_view<EncryptedDpiRequest>(data);
    case INSERT_DESCRIPTOR_REQUEST_DATA:
      return read_view<InsertDescriptorRequest>(data);
    case INSERT_DTMF_DESCRIPTOR_REQUEST_DATA:
      return read_view<InsertDtmfDescriptorRequest>(data);
    case INSERT_AVAIL_DESCRIPTOR_REQUEST_DATA:
      return read_view<InsertAvailDescriptorRequest>(data);
    case INSERT_SEGMENTATION_DESCRIPTOR_REQUEST_DATA:
      return read_view<InsertSegmentationDescriptorRequest>(data);
    case PROPRIETARY_COMMAND_REQUEST_DATA:
      return read_view<ProprietaryCommandRequest>(data);
    case SCHEDULE_COMPONENT_MODE_REQUEST_DATA:
      return read_view<ScheduleComponentModeRequest>(data);
    case SCHEDULE_DEFINITION_DATA:
      return read_view<ScheduleDefinition>(data);
    case INSERT_TIER_DATA:
      return read_view<InsertTierData>(data);
    case INSERT_TIME_DESCRIPTOR:
      return read_view<InsertTimeDescriptor>(data);
    case DELETE_CONTROLWORD_DATA:
      return read_view<DeleteControlWord>(data);
    case UPDATE_CONTROLWORD_DATA:
      return read_view<UpdateControlWord>(data);
    case INSERT_AUDIO_DESCRIPTOR:  // its layout is not public
      break;
  }
  return OperationView();  // raw data only
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
