// Readable names of operation kinds and splice types.
#include "scte/scte_104.h"

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
