// SPDX-License-Identifier: MIT
// Data of the schedule operations: start_schedule_download_request_data,
// transmit_schedule_request_data, schedule_component_mode_request_data and
// schedule_definition_data. The list of provider avails is shared with
// insert_avail_descriptor_request_data.
#include "layouts.h"

namespace scte_104 {

// --- 0x0103 start_schedule_download / 0x010A insert_avail_descriptor ------------

void read_layout(ByteReader& in, ProviderAvails& r) {
  r.num_provider_avails = in.read<std::uint8_t>("num_provider_avails");
  // Bounds first, so that a count the data cannot hold allocates nothing.
  in.require(std::size_t{4} * r.num_provider_avails, "provider_avail_id");
  for (unsigned i = 0; i < r.num_provider_avails; ++i) {
    r.provider_avail_id.push_back(in.read<std::uint32_t>("provider_avail_id"));
  }
}

void write_layout(ByteWriter& out, const ProviderAvails& r) {
  out.write(r.num_provider_avails);
  for (const std::uint32_t id : r.provider_avail_id) out.write(id);
}

// --- 0x0105 transmit_schedule_request_data ----------------------------------------

void read_layout(ByteReader& in, TransmitScheduleRequest& r) {
  r.cancel = in.read<std::uint8_t>("cancel");
}

void write_layout(ByteWriter& out, const TransmitScheduleRequest& r) { out.write(r.cancel); }

// --- 0x010D schedule_component_mode_request_data: no count, whole entries ---------

constexpr std::size_t kScheduledComponentSize = 5;

void read_layout(ByteReader& in, ScheduleComponentModeRequest& r) {
  while (in.remaining() >= kScheduledComponentSize) {
    ScheduledComponent c;
    c.component_tag = in.read<std::uint8_t>("component_tag");
    c.time = in.read<std::uint32_t>("time");
    r.components.push_back(c);
  }
}

void write_layout(ByteWriter& out, const ScheduleComponentModeRequest& r) {
  for (const ScheduledComponent& c : r.components) {
    out.write(c.component_tag);
    out.write(c.time);
  }
}

// --- 0x010E schedule_definition_data ------------------------------------------------

void read_layout(ByteReader& in, ScheduleDefinition& r) {
  r.splice_schedule_command = in.read<std::uint8_t>("splice_schedule_command");
  r.splice_event_id = in.read<std::uint32_t>("splice_event_id");
  r.time = in.read<std::uint32_t>("time");
  r.unique_program_id = in.read<std::uint16_t>("unique_program_id");
  r.auto_return = in.read<std::uint8_t>("auto_return");
  r.break_duration = in.read<std::uint16_t>("break_duration");
  r.avail_num = in.read<std::uint8_t>("avail_num");
  r.avails_expected = in.read<std::uint8_t>("avails_expected");
}

void write_layout(ByteWriter& out, const ScheduleDefinition& r) {
  out.write(r.splice_schedule_command);
  out.write(r.splice_event_id);
  out.write(r.time);
  out.write(r.unique_program_id);
  out.write(r.auto_return);
  out.write(r.break_duration);
  out.write(r.avail_num);
  out.write(r.avails_expected);
}

}  // namespace scte_104
