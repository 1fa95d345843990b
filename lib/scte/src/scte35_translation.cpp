// SPDX-License-Identifier: MIT
// How an injector turns a queue mark into SCTE 35 sections. Command
// operations (inject_section_data, splice, splice_null, time_signal) each
// start a section; supplemental operations add descriptors, components or
// a tier to the section before them; control operations change the
// injector's state only. Anything else is listed as a problem and adds
// nothing.
#include <algorithm>
#include <array>
#include <string>
#include <utility>

#include "bit_writer.h"
#include "scte/scte35.h"
#include "scte35_mapping.h"

namespace scte_104 {

bool parse_frame_rate(const std::string& text, FrameRate& rate) {
  struct Named {
    const char* text;
    FrameRate rate;
  };
  static constexpr std::array<Named, 8> kRates{{{"24000/1001", {24000, 1001}},
                                                {"24", {24, 1}},
                                                {"25", {25, 1}},
                                                {"30000/1001", {30000, 1001}},
                                                {"30", {30, 1}},
                                                {"50", {50, 1}},
                                                {"60000/1001", {60000, 1001}},
                                                {"60", {60, 1}}}};
  for (const Named& named : kRates) {
    if (text == named.text) {
      rate = named.rate;
      return true;
    }
  }
  return false;
}

namespace scte35 {
namespace {

constexpr std::size_t kMaxComponents = 255;
constexpr std::uint16_t kTierMask = 0xFFF;

}  // namespace

namespace mapping {

void component_mode(SpliceInsert& insert, std::uint8_t splice_insert_type,
                    const std::vector<DpiComponent>& components, const Scte35Settings& settings) {
  // In component mode only the splice type says whether it is immediate.
  const bool immediate =
      splice_insert_type == SPLICE_START_IMMEDIATE || splice_insert_type == SPLICE_END_IMMEDIATE;
  insert.program_splice_flag = 0;
  insert.splice_immediate_flag = immediate ? 1 : 0;
  insert.splice_time.reset();
  insert.components.reserve(insert.components.size() + components.size());
  for (const DpiComponent& component : components) {
    SpliceComponent& added = insert.components.emplace_back();
    added.component_tag = component.component_tag;
    if (!immediate) added.splice_time = splice_time(component.component_preroll, settings);
  }
}

AvailDescriptor avail_descriptor(std::uint32_t provider_avail_id) {
  AvailDescriptor descriptor;
  descriptor.provider_avail_id = provider_avail_id;
  return descriptor;
}

DtmfDescriptor dtmf_descriptor(const InsertDtmfDescriptorRequest& request) {
  DtmfDescriptor descriptor;
  descriptor.preroll = request.pre_roll;
  descriptor.DTMF_char = request.DTMF_char;
  return descriptor;
}

TimeDescriptor time_descriptor(const InsertTimeDescriptor& request) {
  TimeDescriptor descriptor;
  descriptor.TAI_seconds = request.TAI_seconds;
  descriptor.TAI_ns = request.TAI_ns;
  descriptor.UTC_offset = request.UTC_offset;
  return descriptor;
}

std::uint16_t tier(const InsertTierData& request) {
  return static_cast<std::uint16_t>(request.tier_data & kTierMask);
}

}  // namespace mapping

namespace {

// A section still open to supplemental operations.
struct OpenSection {
  SpliceInfoSection section;
  std::size_t command_operation = 0;
  // The splice_insert_type of a splice request, 0 for other commands.
  std::uint8_t splice_insert_type = 0;
  bool component_mode = false;
};

std::string standard_name(MultipleOperationId id) {
  const char* name = operation_name(id);
  return name != nullptr ? name : "this operation";
}

class Translator {
 public:
  Translator(const MultipleOperationMessage& message, const Scte35Settings& settings)
      : mMessage(message), mSettings(settings) {}

  Translation run() {
    const auto& operations = mMessage.operations();
    const std::size_t count = std::min<std::size_t>(mMessage.num_ops(), operations.size());
    for (std::size_t i = 0; i < count; ++i) translate(i, operations[i]);
    close_section();
    for (OpenSection& open : mClosed) write(open);
    std::stable_sort(mResult.problems.begin(), mResult.problems.end(),
                     [](const Problem& a, const Problem& b) { return a.operation < b.operation; });
    return std::move(mResult);
  }

 private:
  void translate(std::size_t index, const Operation& op) {
    const MultipleOperationId id = op.operation_id();
    switch (id) {
      case INJECT_SECTION_DATA_REQUEST:
      case SPLICE_REQUEST_DATA:
      case SPLICE_NULL_REQUEST_DATA:
      case TIME_SIGNAL_REQUEST_DATA:
        close_section();
        start_section(index, op);
        return;
      case START_SCHEDULE_DOWNLOAD_REQUEST_DATA:
      case TRANSMIT_SCHEDULE_REQUEST_DATA:
        close_section();
        problem(index, standard_name(id) + " is not translated: a schedule is built over several messages");
        return;
      case PROPRIETARY_COMMAND_REQUEST_DATA:
        close_section();
        problem(index, standard_name(id) + " is not translated: its SCTE 35 image is the injector maker's");
        return;
      case COMPONENT_MODE_DPI_REQUEST_DATA:
      case INSERT_DESCRIPTOR_REQUEST_DATA:
      case INSERT_DTMF_DESCRIPTOR_REQUEST_DATA:
      case INSERT_AVAIL_DESCRIPTOR_REQUEST_DATA:
      case INSERT_SEGMENTATION_DESCRIPTOR_REQUEST_DATA:
      case INSERT_TIER_DATA:
      case INSERT_TIME_DESCRIPTOR:
        supplement(index, op);
        return;
      case ENCRYPTED_DPI_REQUEST_DATA:
        problem(index, standard_name(id) +
                           " is not translated: the control word stays in the injector and the "
                           "section is written in the clear");
        return;
      case SCHEDULE_COMPONENT_MODE_REQUEST_DATA:
      case SCHEDULE_DEFINITION_DATA:
        problem(index, standard_name(id) + " is not translated: a schedule is built over several messages");
        return;
      case INSERT_AUDIO_DESCRIPTOR:
        problem(index, standard_name(id) + " is not translated: its layout is not public");
        return;
      case DELETE_CONTROLWORD_DATA:
      case UPDATE_CONTROLWORD_DATA:
        return;  // injector state only
    }
    problem(index, "opID " + hex_id(id) + " is not an operation we translate");
  }

  // --- commands ---------------------------------------------------------------

  void start_section(std::size_t index, const Operation& op) {
    const OperationView view = view_operation(op);
    if (view.failed()) {
      problem(index, view.error);
      return;
    }
    OpenSection open;
    open.command_operation = index;
    open.section.protocol_version = mMessage.scte35_protocol_version();
    if (const auto* inject = std::get_if<InjectSectionDataRequest>(&view.fields)) {
      open.section.protocol_version = inject->SCTE35_protocol_version;
      open.section.splice_command =
          InjectedCommand{inject->SCTE35_command_type, inject->SCTE35_command_contents};
    } else if (const auto* splice = std::get_if<SpliceRequest>(&view.fields)) {
      const std::uint8_t type = splice->request.splice_insert_type();
      if (type == RESERVED || type > SPLICE_CANCEL) {
        problem(index, "splice_insert_type " + std::to_string(type) +
                           " is not a splice the injector takes");
        return;
      }
      open.splice_insert_type = type;
      // emplace, not assignment: GCC 12 at -O2 takes the assignment for one
      // into a SpliceInsert that is not there and warns (maybe-uninitialized).
      open.section.splice_command.emplace<SpliceInsert>(
          mapping::splice_insert(splice->request, mSettings));
    } else if (const auto* time_signal = std::get_if<TimeSignalRequest>(&view.fields)) {
      open.section.splice_command = mapping::time_signal(*time_signal, mSettings);
    } else {
      open.section.splice_command = SpliceNull{};
    }
    mOpen = std::move(open);
  }

  // --- supplemental operations -------------------------------------------------

  void supplement(std::size_t index, const Operation& op) {
    if (!mOpen) {
      problem(index, standard_name(op.operation_id()) + " applies to no command");
      return;
    }
    const OperationView view = view_operation(op);
    if (view.failed()) {
      problem(index, view.error);
      return;
    }
    std::visit([this, index](const auto& fields) { add(index, fields); }, view.fields);
  }

  void add(std::size_t index, const ComponentModeDpiRequest& request) {
    auto* insert = std::get_if<SpliceInsert>(&mOpen->section.splice_command);
    if (insert == nullptr || insert->splice_event_cancel_indicator != 0) {
      problem(index, "component mode applies only to a splice_insert of types 1 to 4");
    } else if (mOpen->component_mode) {
      problem(index, "the splice_insert is already in component mode");
    } else if (request.components.empty()) {
      problem(index, "component_mode_DPI_request_data holds no component");
    } else if (request.components.size() > kMaxComponents) {
      problem(index, "component_mode_DPI_request_data holds " +
                         std::to_string(request.components.size()) +
                         " components; component_count has 8 bits");
    } else {
      mapping::component_mode(*insert, mOpen->splice_insert_type, request.components, mSettings);
      mOpen->component_mode = true;
    }
  }

  void add(std::size_t /*index*/, const InsertDescriptorRequest& request) {
    for (const Bytes& image : request.descriptors) {
      CopiedDescriptor copied;
      copied.splice_descriptor_tag = image[0];
      copied.descriptor_length = image[1];
      copied.data.assign(image.begin() + 2, image.end());
      mOpen->section.descriptors.emplace_back(std::move(copied));
    }
  }

  void add(std::size_t index, const InsertDtmfDescriptorRequest& request) {
    constexpr std::uint8_t kMaxDtmfCount = 7;
    if (request.dtmf_length > kMaxDtmfCount) {
      problem(index, "dtmf_length " + std::to_string(request.dtmf_length) +
                         " does not fit the 3 bits of dtmf_count");
      return;
    }
    add_descriptor(index, mapping::dtmf_descriptor(request));
  }

  void add(std::size_t index, const InsertAvailDescriptorRequest& request) {
    for (const std::uint32_t id : request.provider_avail_id) {
      add_descriptor(index, mapping::avail_descriptor(id));
    }
  }

  void add(std::size_t index, const InsertSegmentationDescriptorRequest& request) {
    SegmentationDescriptor d;
    mapping::segmentation_descriptor(request, mSettings, d);
    add_descriptor(index, std::move(d));
  }

  void add(std::size_t /*index*/, const InsertTierData& request) {
    mOpen->section.tier = mapping::tier(request);
  }

  void add(std::size_t index, const InsertTimeDescriptor& request) {
    add_descriptor(index, mapping::time_descriptor(request));
  }

  // Every other record belongs to an operation that never gets here.
  template <typename Fields>
  void add(std::size_t /*index*/, const Fields& /*fields*/) {}

  template <typename Descriptor>
  void add_descriptor(std::size_t index, Descriptor descriptor) {
    if (!mapping::set_descriptor_length(descriptor)) {
      problem(index, "the descriptor would hold " + std::to_string(wire_size(descriptor) - 2) +
                         " bytes; descriptor_length has 8 bits");
      return;
    }
    mOpen->section.descriptors.emplace_back(std::move(descriptor));
  }

  // --- sections ----------------------------------------------------------------

  void close_section() {
    if (mOpen) mClosed.push_back(std::move(*mOpen));
    mOpen.reset();
  }

  void write(OpenSection& open) {
    Bytes bytes = write_section(open.section);
    const std::size_t section_length = bytes.size() - 3;
    if (section_length > kMaxSectionLength) {
      problem(open.command_operation, "the section would be " + std::to_string(bytes.size()) +
                                          " bytes long; section_length may not pass 4093");
      return;
    }
    mResult.sections.push_back(Section{std::move(open.section), std::move(bytes)});
  }

  // --- values --------------------------------------------------------------------

  static std::string hex_id(MultipleOperationId id) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text = "0x";
    for (unsigned shift = 16; shift != 0;) {
      shift -= 4;
      text += kDigits[(static_cast<unsigned>(id) >> shift) & 0xFu];
    }
    return text;
  }

  void problem(std::size_t index, std::string text) {
    mResult.problems.push_back(Problem{index, std::move(text)});
  }

  const MultipleOperationMessage& mMessage;
  const Scte35Settings& mSettings;
  std::optional<OpenSection> mOpen;
  std::vector<OpenSection> mClosed;
  Translation mResult;
};

}  // namespace

Translation translate(const MultipleOperationMessage& message, const Scte35Settings& settings) {
  return Translator(message, settings).run();
}

}  // namespace scte35
}  // namespace scte_104
