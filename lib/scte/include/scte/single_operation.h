// SPDX-License-Identifier: MIT
// single_operation_message(): the requests and responses that set up and
// keep alive an SCTE 104 connection (init, alive, inject responses,
// provisioning), as opposed to the multiple_operation_message() that carries
// a queue mark. A 13-byte header, then data() laid out per opID.
//
// Records list their fields in wire order through for_each_field(f), as the
// records of <scte/operation_data.h> do.
#ifndef SCTE104_SINGLE_OPERATION_H
#define SCTE104_SINGLE_OPERATION_H

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "scte/export.h"

namespace scte_104 {

// opIDs of the Basic operations that have a name.
enum SingleOperationId : std::uint16_t {
  GENERAL_RESPONSE_DATA = 0x0000,
  INIT_REQUEST_DATA = 0x0001,
  INIT_RESPONSE_DATA = 0x0002,
  ALIVE_REQUEST_DATA = 0x0003,
  ALIVE_RESPONSE_DATA = 0x0004,
  INJECT_RESPONSE_DATA = 0x0007,
  INJECT_COMPLETE_RESPONSE_DATA = 0x0008,
  CONFIG_REQUEST_DATA = 0x0009,
  CONFIG_RESPONSE_DATA = 0x000A,
  PROVISIONING_REQUEST_DATA = 0x000B,
  PROVISIONING_RESPONSE_DATA = 0x000C,
  FAULT_REQUEST_DATA = 0x000F,
  FAULT_RESPONSE_DATA = 0x0010,
  AS_ALIVE_REQUEST_DATA = 0x0011,
  AS_ALIVE_RESPONSE_DATA = 0x0012,
};

// The first two bytes of a multiple_operation_message(); any other value
// there is the opID of a single_operation_message().
constexpr std::uint16_t kMultipleOperationMarker = 0xFFFF;
// Smallest messageSize of each kind: the fixed header.
constexpr std::uint16_t kMinMultipleOperationSize = 12;
constexpr std::uint16_t kMinSingleOperationSize = 13;
// result of a request, which has none.
constexpr std::uint16_t kNoResult = 0xFFFF;
constexpr std::uint16_t kSuccessfulResponse = 100;
constexpr std::uint16_t kProxyResponse = 128;

// The standard's name of a Basic opID ("init_request_data"); nullptr for
// every other value.
SCTE_104_API const char* single_operation_name(std::uint16_t op_id);

// Our short name of a result code from 100 to 128 ("Successful response");
// nullptr for every other value.
SCTE_104_API const char* result_name(std::uint16_t result);

// The role of an opID in a single_operation_message().
enum class SingleOperationRole { request, response, user_defined, wrong_container, unknown };
SCTE_104_API SingleOperationRole single_operation_role(std::uint16_t op_id);

// An IPv4 address, written as a dotted quad.
struct Ipv4Address {
  std::uint32_t value = 0;
};

// A fixed 32-byte name field: the bytes up to its first NUL.
struct ServiceName {
  std::string text;
};

// Component tags counted by the byte before them.
struct ComponentTags {
  std::vector<std::uint8_t> tags;
};

// data() of a Basic operation that has no fields.
struct NoData {
  template <typename F>
  void for_each_field(F&&) const {}
};

// 0x0003 alive_request_data, 0x0004 alive_response_data: time() is
// optional; both members or neither.
struct AliveTime {
  std::optional<std::uint32_t> seconds;
  std::optional<std::uint32_t> microseconds;

  template <typename F>
  void for_each_field(F&& f) const {
    f("seconds", seconds);
    f("microseconds", microseconds);
  }
};

// 0x0007 inject_response_data.
struct InjectResponse {
  std::uint8_t message_number = 0;  // of the queue mark acknowledged

  template <typename F>
  void for_each_field(F&& f) const {
    f("message_number", message_number);
  }
};

// 0x0008 inject_complete_response_data.
struct InjectCompleteResponse {
  std::uint8_t message_number = 0;
  std::uint8_t cue_message_count = 0;  // SCTE 35 sections sent for it

  template <typename F>
  void for_each_field(F&& f) const {
    f("message_number", message_number);
    f("cue_message_count", cue_message_count);
  }
};

// 0x0009 config_request_data.
struct ConfigRequest {
  Ipv4Address AS_IP_address;
  std::uint16_t AS_socket_number = 0;
  std::uint8_t activeflag = 0;
  std::uint8_t protocol_version = 0;
  std::uint8_t last_AS_index = 0;
  std::uint16_t last_injectorcount = 0;
  std::uint8_t permanent_connection_requested = 0;

  template <typename F>
  void for_each_field(F&& f) const {
    f("AS_IP_address", AS_IP_address);
    f("AS_socket_number", AS_socket_number);
    f("activeflag", activeflag);
    f("protocol_version", protocol_version);
    f("last_AS_index", last_AS_index);
    f("last_injectorcount", last_injectorcount);
    f("permanent_connection_requested", permanent_connection_requested);
  }
};

// 0x000A config_response_data.
struct ConfigResponse {
  std::uint8_t AS_index = 0;
  std::uint8_t permanent_connection_requested = 0;

  template <typename F>
  void for_each_field(F&& f) const {
    f("AS_index", AS_index);
    f("permanent_connection_requested", permanent_connection_requested);
  }
};

// One DPI PID of a provisioned service.
struct DpiPidEntry {
  std::uint16_t DPI_PID_index = 0;
  std::uint8_t shared_PID = 0;
  std::uint8_t cue_stream_type = 0;

  template <typename F>
  void for_each_field(F&& f) const {
    f("DPI_PID_index", DPI_PID_index);
    f("shared_PID", shared_PID);
    f("cue_stream_type", cue_stream_type);
  }
};

// The components of a service in component mode.
struct InjectorComponentList {
  std::uint8_t video_component_tag = 0;
  std::uint8_t audio_component_count = 0;
  ComponentTags audio_component_tags;
  std::uint8_t data_component_count = 0;
  ComponentTags data_component_tags;

  template <typename F>
  void for_each_field(F&& f) const {
    f("video_component_tag", video_component_tag);
    f("audio_component_count", audio_component_count);
    f("audio_component_tags", audio_component_tags);
    f("data_component_count", data_component_count);
    f("data_component_tags", data_component_tags);
  }
};

// One service of a provisioning_request_data.
struct ProvisionedService {
  Ipv4Address injector_IP_address;
  std::uint16_t injector_socket_number = 0;
  ServiceName service_name;
  std::uint8_t number_of_DPI_PIDs = 0;
  std::vector<DpiPidEntry> DPI_PIDs;
  std::uint8_t component_mode = 0;
  // Only when component_mode is not 0.
  std::optional<InjectorComponentList> injector_component_list;

  template <typename F>
  void for_each_field(F&& f) const {
    f("injector_IP_address", injector_IP_address);
    f("injector_socket_number", injector_socket_number);
    f("service_name", service_name);
    f("number_of_DPI_PIDs", number_of_DPI_PIDs);
    f("DPI_PIDs", DPI_PIDs);
    f("component_mode", component_mode);
    f("injector_component_list", injector_component_list);
  }
};

// 0x000B provisioning_request_data.
struct ProvisioningRequest {
  std::uint8_t service_count = 0;
  std::vector<ProvisionedService> services;

  template <typename F>
  void for_each_field(F&& f) const {
    f("service_count", service_count);
    f("services", services);
  }
};

// 0x000F fault_request_data.
struct FaultRequest {
  Ipv4Address injector_IP_address;
  std::uint16_t injector_socket_number = 0;
  ServiceName injector_service_name;
  std::uint16_t DPI_PID_index = 0;

  template <typename F>
  void for_each_field(F&& f) const {
    f("injector_IP_address", injector_IP_address);
    f("injector_socket_number", injector_socket_number);
    f("injector_service_name", injector_service_name);
    f("DPI_PID_index", DPI_PID_index);
  }
};

// The fields of data(); std::monostate for an opID without a layout or
// data that did not hold its layout.
using SingleOperationFields =
    std::variant<std::monostate, NoData, AliveTime, InjectResponse, InjectCompleteResponse,
                 ConfigRequest, ConfigResponse, ProvisioningRequest, FaultRequest>;

// A decoded single_operation_message().
struct SingleOperationMessage {
  std::uint16_t opID = 0;
  std::uint16_t messageSize = 0;
  std::uint16_t result = 0;
  std::uint16_t result_extension = 0;
  std::uint8_t protocol_version = 0;
  std::uint8_t AS_index = 0;
  std::uint8_t message_number = 0;
  std::uint16_t DPI_PID_index = 0;
  std::vector<std::uint8_t> data;  // everything after the header
  // data() through the opID's layout, like an operation's view: fields, or
  // the error naming the field that data() does not hold whole, and the
  // bytes after the layout.
  SingleOperationFields fields;
  std::string error;
  std::vector<std::uint8_t> trailing_data;

  bool failed() const { return !error.empty(); }
  // Whether the opID has a layout (a Basic operation with a name).
  bool has_layout() const { return single_operation_name(opID) != nullptr; }
};

// Decodes the `size` bytes at `bytes`, one whole message: the header, and
// data() as the bytes after it. Throws std::runtime_error when fewer than
// the 13 bytes of the header are there; never throws on data().
SCTE_104_API SingleOperationMessage decode_single_operation(const std::uint8_t* bytes,
                                                            std::size_t size);

}  // namespace scte_104

#endif  // SCTE104_SINGLE_OPERATION_H
