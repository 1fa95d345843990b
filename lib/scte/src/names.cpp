// SPDX-License-Identifier: MIT
// Readable names of operation kinds, splice types and field values.
#include <initializer_list>
#include <iterator>

#include "scte/operation_data.h"
#include "scte/scte_104.h"
#include "scte/single_operation.h"

namespace scte_104 {

std::string multiple_operation_type(MultipleOperationId id) {
  switch (id) {
    case INJECT_SECTION_DATA_REQUEST:
      return "Generates an SCTE 35 section directly";
    case SPLICE_REQUEST_DATA:
      return "Normally used request to send SCTE 35 message or messages";
    case SPLICE_NULL_REQUEST_DATA:
      return "Generates an SCTE 35 splice_null operation";
    case START_SCHEDULE_DOWNLOAD_REQUEST_DATA:
      return "Initiates schedule download";
    case TIME_SIGNAL_REQUEST_DATA:
      return "Generates an SCTE 35 time_signal operation";
    case TRANSMIT_SCHEDULE_REQUEST_DATA:
      return "Initiates schedule transmission";
    case COMPONENT_MODE_DPI_REQUEST_DATA:
      return "Adds component mode to a DPI request";
    case ENCRYPTED_DPI_REQUEST_DATA:
      return "Adds encryption to a DPI request";
    case INSERT_DESCRIPTOR_REQUEST_DATA:
      return "Adds a descriptor to another operation";
    case INSERT_DTMF_DESCRIPTOR_REQUEST_DATA:
      return "Adds a DTMF descriptor to another operation";
    case INSERT_AVAIL_DESCRIPTOR_REQUEST_DATA:
      return "Adds an avail_descriptor to the SCTE 35 section";
    case INSERT_SEGMENTATION_DESCRIPTOR_REQUEST_DATA:
      return "Adds a segmentation descriptor to another operation";
    case PROPRIETARY_COMMAND_REQUEST_DATA:
      return "Adds a proprietary descriptor to another operation";
    case SCHEDULE_COMPONENT_MODE_REQUEST_DATA:
      return "Adds component mode to an avail definition";
    case SCHEDULE_DEFINITION_DATA:
      return "Single avail definition";
    case INSERT_TIER_DATA:
      return "Specifies tier data";
    case INSERT_TIME_DESCRIPTOR:
      return "Specifies insertion of time descriptors";
    case INSERT_AUDIO_DESCRIPTOR:
      return "Specifies insertion of audio descriptors";
    case DELETE_CONTROLWORD_DATA:
      return "Delete ControlWord Data from database";
    case UPDATE_CONTROLWORD_DATA:
      return "Update ControlWord Data database";
  }
  return "Reserved";  // every opID without a name of its own
}

std::string splice_insert_type(SpliceInsertType type) {
  switch (type) {
    case RESERVED:
      return "Reserved";
    case SPLICE_START_NORMAL:
      return "SpliceStart_Normal";
    case SPLICE_START_IMMEDIATE:
      return "SpliceStart_Immediate";
    case SPLICE_END_NORMAL:
      return "SpliceEnd_Normal";
    case SPLICE_END_IMMEDIATE:
      return "SpliceEnd_Immediate";
    case SPLICE_CANCEL:
      return "Splice_Cancel";
  }
  return std::string();  // 6..255 have no name
}

}  // namespace scte_104

// --- the standard's names of opIDs and of field values --------------------------

namespace scte_104 {

const char* operation_name(MultipleOperationId id) {
  switch (id) {
    case INJECT_SECTION_DATA_REQUEST:
      return "inject_section_data_request";
    case SPLICE_REQUEST_DATA:
      return "splice_request_data";
    case SPLICE_NULL_REQUEST_DATA:
      return "splice_null_request_data";
    case START_SCHEDULE_DOWNLOAD_REQUEST_DATA:
      return "start_schedule_download_request_data";
    case TIME_SIGNAL_REQUEST_DATA:
      return "time_signal_request_data";
    case TRANSMIT_SCHEDULE_REQUEST_DATA:
      return "transmit_schedule_request_data";
    case COMPONENT_MODE_DPI_REQUEST_DATA:
      return "component_mode_DPI_request_data";
    case ENCRYPTED_DPI_REQUEST_DATA:
      return "encrypted_DPI_request_data";
    case INSERT_DESCRIPTOR_REQUEST_DATA:
      return "insert_descriptor_request_data";
    case INSERT_DTMF_DESCRIPTOR_REQUEST_DATA:
      return "insert_DTMF_descriptor_request_data";
    case INSERT_AVAIL_DESCRIPTOR_REQUEST_DATA:
      return "insert_avail_descriptor_request_data";
    case INSERT_SEGMENTATION_DESCRIPTOR_REQUEST_DATA:
      return "insert_segmentation_descriptor_request_data";
    case PROPRIETARY_COMMAND_REQUEST_DATA:
      return "proprietary_command_request_data";
    case SCHEDULE_COMPONENT_MODE_REQUEST_DATA:
      return "schedule_component_mode_request_data";
    case SCHEDULE_DEFINITION_DATA:
      return "schedule_definition_data";
    case INSERT_TIER_DATA:
      return "insert_tier_data";
    case INSERT_TIME_DESCRIPTOR:
      return "insert_time_descriptor";
    case INSERT_AUDIO_DESCRIPTOR:
      return "insert_audio_descriptor";
    case DELETE_CONTROLWORD_DATA:
      return "delete_ControlWord_data";
    case UPDATE_CONTROLWORD_DATA:
      return "update_ControlWord_data";
  }
  return nullptr;
}

namespace {

constexpr const char* kReserved = "Reserved";

// Segmentation types come in runs of consecutive values.
struct NameRun {
  std::uint8_t first;
  std::initializer_list<const char*> names;
};

const char* name_in_runs(std::initializer_list<NameRun> runs, std::uint8_t value) {
  for (const NameRun& run : runs) {
    if (value >= run.first && value - run.first < static_cast<int>(run.names.size())) {
      return run.names.begin()[value - run.first];
    }
  }
  return kReserved;
}

}  // namespace

const char* segmentation_type_name(std::uint8_t segmentation_type_id) {
  return name_in_runs(
      {
          {0x00, {"Not Indicated", "Content Identification", "Private"}},
          {0x10,
           {"Program Start", "Program End", "Program Early Termination", "Program Breakaway",
            "Program Resumption", "Program Runover Planned", "Program Runover Unplanned",
            "Program Overlap Start", "Program Blackout Override", "Program Join",
            "Program Immediate Resumption"}},
          {0x20,
           {"Chapter Start", "Chapter End", "Break Start", "Break End", "Opening Credit Start",
            "Opening Credit End", "Closing Credit Start", "Closing Credit End"}},
          {0x30,
           {"Provider Advertisement Start",
            "Provider Advertisement End",
            "Distributor Advertisement Start",
            "Distributor Advertisement End",
            "Provider Placement Opportunity Start",
            "Provider Placement Opportunity End",
            "Distributor Placement Opportunity Start",
            "Distributor Placement Opportunity End",
            "Provider Overlay Placement Opportunity Start",
            "Provider Overlay Placement Opportunity End",
            "Distributor Overlay Placement Opportunity Start",
            "Distributor Overlay Placement Opportunity End",
            "Provider Promo Start",
            "Provider Promo End",
            "Distributor Promo Start",
            "Distributor Promo End",
            "Unscheduled Event Start",
            "Unscheduled Event End",
            "Alternate Content Opportunity Start",
            "Alternate Content Opportunity End",
            "Provider Ad Block Start",
            "Provider Ad Block End",
            "Distributor Ad Block Start",
            "Distributor Ad Block End"}},
          {0x50, {"Network Start", "Network End"}},
      },
      segmentation_type_id);
}

const char* segmentation_upid_type_name(std::uint8_t segmentation_upid_type) {
  return name_in_runs({{0x00,
                        {"Not Used", "User Defined", "ISCI", "Ad-ID", "UMID", "ISAN (deprecated)",
                         "ISAN", "TID", "TI", "ADI", "EIDR", "ATSC Content Identifier", "MPU",
                         "MID", "ADS Information", "URI", "UUID", "SCR"}}},
                      segmentation_upid_type);
}

const char* device_restrictions_name(std::uint8_t device_restrictions) {
  return name_in_runs({{0, {"Restrict Group 0", "Restrict Group 1", "Restrict Group 2", "None"}}},
                      device_restrictions);
}

const char* splice_schedule_command_name(std::uint8_t splice_schedule_command) {
  return name_in_runs({{1, {"splice_insert"}}, {3, {"splice_return"}}, {5, {"splice_cancel"}}},
                      splice_schedule_command);
}

const char* encryption_algorithm_name(std::uint8_t encryption_algorithm) {
  constexpr std::uint8_t kFirstUserPrivate = 32;
  if (encryption_algorithm >= kFirstUserPrivate) return "User private";
  return name_in_runs(
      {{0, {"No encryption", "DES - ECB mode", "DES - CBC mode", "Triple DES EDE3 - ECB mode"}}},
      encryption_algorithm);
}

// --- single_operation_message(): opIDs and result codes ---------------------------

const char* single_operation_name(std::uint16_t op_id) {
  switch (op_id) {
    case GENERAL_RESPONSE_DATA:
      return "general_response_data";
    case INIT_REQUEST_DATA:
      return "init_request_data";
    case INIT_RESPONSE_DATA:
      return "init_response_data";
    case ALIVE_REQUEST_DATA:
      return "alive_request_data";
    case ALIVE_RESPONSE_DATA:
      return "alive_response_data";
    case INJECT_RESPONSE_DATA:
      return "inject_response_data";
    case INJECT_COMPLETE_RESPONSE_DATA:
      return "inject_complete_response_data";
    case CONFIG_REQUEST_DATA:
      return "config_request_data";
    case CONFIG_RESPONSE_DATA:
      return "config_response_data";
    case PROVISIONING_REQUEST_DATA:
      return "provisioning_request_data";
    case PROVISIONING_RESPONSE_DATA:
      return "provisioning_response_data";
    case FAULT_REQUEST_DATA:
      return "fault_request_data";
    case FAULT_RESPONSE_DATA:
      return "fault_response_data";
    case AS_ALIVE_REQUEST_DATA:
      return "AS_alive_request_data";
    case AS_ALIVE_RESPONSE_DATA:
      return "AS_alive_response_data";
    default:
      return nullptr;
  }
}

const char* result_name(std::uint16_t result) {
  constexpr std::uint16_t kFirst = 100;
  static constexpr const char* kNames[] = {
      "Successful response",
      "Access denied",
      "CW index holds no control word",
      "DPI de-provisioned",
      "DPI not supported",
      "Duplicate service name",
      "Duplicate service name accepted",
      "Encryption not supported",
      "Illegal shared DPI_PID_index value",
      "Inconsistent DPI_PID_index value",
      "Injector in use",
      "Injector not provisioned for this AS",
      "Injector not yet provisioned for DPI",
      "Injector will be replaced",
      "Invalid message size",
      "Invalid message syntax",
      "Invalid version",
      "No fault found",
      "Service name missing",
      "Shared DPI_PID_index value not found",
      "Splice request failed",
      "Splice request rejected",
      "Splice request too late",
      "time_type not supported",
      "Unknown failure",
      "Unknown opID",
      "Unknown DPI_PID_index",
      "Version mismatch",
      "Proxy response",
  };
  if (result < kFirst || result - kFirst >= static_cast<int>(std::size(kNames))) return nullptr;
  return kNames[result - kFirst];
}

}  // namespace scte_104
