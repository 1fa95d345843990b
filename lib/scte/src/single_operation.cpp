// SPDX-License-Identifier: MIT
// The header and the data() layouts of single_operation_message(), read in
// wire order through the bounds-checked reader.
#include "scte/single_operation.h"

#include <stdexcept>

#include "byte_reader.h"

namespace scte_104 {
namespace {

constexpr std::size_t kNameFieldSize = 32;

Ipv4Address read_address(ByteReader& in, const char* field) {
  return Ipv4Address{in.read<std::uint32_t>(field)};
}

// A 32-byte name: what comes before its first NUL.
ServiceName read_name(ByteReader& in, const char* field) {
  const std::vector<std::uint8_t> bytes = in.read_bytes(kNameFieldSize, field);
  ServiceName name;
  for (std::uint8_t byte : bytes) {
    if (byte == 0) break;
    name.text.push_back(static_cast<char>(byte));
  }
  return name;
}

ComponentTags read_tags(ByteReader& in, std::uint8_t count, const char* field) {
  return ComponentTags{in.read_bytes(count, field)};
}

void read_layout(ByteReader&, NoData&) {}

// time() is optional: no data, or both of its fields.
void read_layout(ByteReader& in, AliveTime& r) {
  if (in.remaining() == 0) return;
  r.seconds = in.read<std::uint32_t>("seconds");
  r.microseconds = in.read<std::uint32_t>("microseconds");
}

void read_layout(ByteReader& in, InjectResponse& r) {
  r.message_number = in.read<std::uint8_t>("message_number");
}

void read_layout(ByteReader& in, InjectCompleteResponse& r) {
  r.message_number = in.read<std::uint8_t>("message_number");
  r.cue_message_count = in.read<std::uint8_t>("cue_message_count");
}

void read_layout(ByteReader& in, ConfigRequest& r) {
  r.AS_IP_address = read_address(in, "AS_IP_address");
  r.AS_socket_number = in.read<std::uint16_t>("AS_socket_number");
  r.activeflag = in.read<std::uint8_t>("activeflag");
  r.protocol_version = in.read<std::uint8_t>("protocol_version");
  r.last_AS_index = in.read<std::uint8_t>("last_AS_index");
  r.last_injectorcount = in.read<std::uint16_t>("last_injectorcount");
  r.permanent_connection_requested = in.read<std::uint8_t>("permanent_connection_requested");
}

void read_layout(ByteReader& in, ConfigResponse& r) {
  r.AS_index = in.read<std::uint8_t>("AS_index");
  r.permanent_connection_requested = in.read<std::uint8_t>("permanent_connection_requested");
}

void read_layout(ByteReader& in, InjectorComponentList& r) {
  r.video_component_tag = in.read<std::uint8_t>("video_component_tag");
  r.audio_component_count = in.read<std::uint8_t>("audio_component_count");
  r.audio_component_tags = read_tags(in, r.audio_component_count, "audio_component_tags");
  r.data_component_count = in.read<std::uint8_t>("data_component_count");
  r.data_component_tags = read_tags(in, r.data_component_count, "data_component_tags");
}

void read_layout(ByteReader& in, ProvisionedService& r) {
  r.injector_IP_address = read_address(in, "injector_IP_address");
  r.injector_socket_number = in.read<std::uint16_t>("injector_socket_number");
  r.service_name = read_name(in, "service_name");
  r.number_of_DPI_PIDs = in.read<std::uint8_t>("number_of_DPI_PIDs");
  for (std::uint8_t i = 0; i < r.number_of_DPI_PIDs; ++i) {
    DpiPidEntry entry;
    entry.DPI_PID_index = in.read<std::uint16_t>("DPI_PID_index");
    entry.shared_PID = in.read<std::uint8_t>("shared_PID");
    entry.cue_stream_type = in.read<std::uint8_t>("cue_stream_type");
    r.DPI_PIDs.push_back(entry);
  }
  r.component_mode = in.read<std::uint8_t>("component_mode");
  if (r.component_mode != 0) {
    InjectorComponentList list;
    read_layout(in, list);
    r.injector_component_list = std::move(list);
  }
}

void read_layout(ByteReader& in, ProvisioningRequest& r) {
  r.service_count = in.read<std::uint8_t>("service_count");
  for (std::uint8_t i = 0; i < r.service_count; ++i) {
    ProvisionedService service;
    read_layout(in, service);
    r.services.push_back(std::move(service));
  }
}

void read_layout(ByteReader& in, FaultRequest& r) {
  r.injector_IP_address = read_address(in, "injector_IP_address");
  r.injector_socket_number = in.read<std::uint16_t>("injector_socket_number");
  r.injector_service_name = read_name(in, "injector_service_name");
  r.DPI_PID_index = in.read<std::uint16_t>("DPI_PID_index");
}

// Reads the whole layout or nothing: a layout that fails keeps only its
// error, and the data stays available whole in message.data.
template <typename Record>
void read_view(SingleOperationMessage& message) {
  std::size_t position = 0;
  ByteReader in(message.data, position, "data");
  Record record;
  try {
    read_layout(in, record);
  } catch (const std::runtime_error& e) {
    message.error = e.what();
    return;
  }
  message.trailing_data = in.read_rest();
  message.fields = std::move(record);
}

void read_data(SingleOperationMessage& message) {
  switch (message.opID) {
    case GENERAL_RESPONSE_DATA:
    case INIT_REQUEST_DATA:
    case INIT_RESPONSE_DATA:
    case PROVISIONING_RESPONSE_DATA:
    case FAULT_RESPONSE_DATA:
    case AS_ALIVE_REQUEST_DATA:
    case AS_ALIVE_RESPONSE_DATA:
      return read_view<NoData>(message);
    case ALIVE_REQUEST_DATA:
    case ALIVE_RESPONSE_DATA:
      return read_view<AliveTime>(message);
    case INJECT_RESPONSE_DATA:
      return read_view<InjectResponse>(message);
    case INJECT_COMPLETE_RESPONSE_DATA:
      return read_view<InjectCompleteResponse>(message);
    case CONFIG_REQUEST_DATA:
      return read_view<ConfigRequest>(message);
    case CONFIG_RESPONSE_DATA:
      return read_view<ConfigResponse>(message);
    case PROVISIONING_REQUEST_DATA:
      return read_view<ProvisioningRequest>(message);
    case FAULT_REQUEST_DATA:
      return read_view<FaultRequest>(message);
  }
  // No layout: user defined, reserved, or an operation of the other kind.
}

}  // namespace

SingleOperationMessage decode_single_operation(const std::uint8_t* bytes, std::size_t size) {
  const std::vector<std::uint8_t> buffer(bytes, bytes + size);
  std::size_t position = 0;
  ByteReader in(buffer, position);
  SingleOperationMessage message;
  message.opID = in.read<std::uint16_t>("opID");
  message.messageSize = in.read<std::uint16_t>("messageSize");
  message.result = in.read<std::uint16_t>("result");
  message.result_extension = in.read<std::uint16_t>("result_extension");
  message.protocol_version = in.read<std::uint8_t>("protocol_version");
  message.AS_index = in.read<std::uint8_t>("AS_index");
  message.message_number = in.read<std::uint8_t>("message_number");
  message.DPI_PID_index = in.read<std::uint16_t>("DPI_PID_index");
  message.data = in.read_rest();
  read_data(message);
  return message;
}

SingleOperationRole single_operation_role(std::uint16_t op_id) {
  switch (op_id) {
    case INIT_REQUEST_DATA:
    case ALIVE_REQUEST_DATA:
    case CONFIG_REQUEST_DATA:
    case PROVISIONING_REQUEST_DATA:
    case FAULT_REQUEST_DATA:
    case AS_ALIVE_REQUEST_DATA:
      return SingleOperationRole::request;
    case GENERAL_RESPONSE_DATA:
    case INIT_RESPONSE_DATA:
    case ALIVE_RESPONSE_DATA:
    case INJECT_RESPONSE_DATA:
    case INJECT_COMPLETE_RESPONSE_DATA:
    case CONFIG_RESPONSE_DATA:
    case PROVISIONING_RESPONSE_DATA:
    case FAULT_RESPONSE_DATA:
    case AS_ALIVE_RESPONSE_DATA:
      return SingleOperationRole::response;
    default:
      break;
  }
  if (op_id >= 0x8000 && op_id <= 0xBFFF) return SingleOperationRole::user_defined;
  if ((op_id >= 0x0100 && op_id <= 0x7FFF) || (op_id >= 0xC000 && op_id <= 0xFFFE)) {
    return SingleOperationRole::wrong_container;
  }
  return SingleOperationRole::unknown;
}

}  // namespace scte_104
