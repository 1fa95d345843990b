// SPDX-License-Identifier: MIT
// --from-scte35 [--json] [--retime] [--ignore-crc] [--pts TICKS]
// [--frame-rate RATE] (-f FILE | BASE64): the queue mark that one SCTE 35
// section came from, as the Base64 line --encode prints, or as its JSON
// report.
#include <unistd.h>

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "cli.h"
#include "input.h"
#include "modes.h"
#include "scte35_options.h"

namespace scte104 {
namespace {

struct FromScte35Options {
  scte_104::scte35::MarkSettings mark;
  bool json = false;
  const char* file = nullptr;  // -f FILE
  const char* base64 = nullptr;
};

// Reads the options and the one input, in any order. False when the usage
// lines were shown instead (an option without its value, or no input).
bool read_from_scte35_options(const char* progname, int argc, char** argv, int at,
                              FromScte35Options& options) {
  OptionTable table = scte35_options(options.mark.scte35);
  for (Option& option : table) {
    if (option.name != "--pts") continue;
    option.apply = [&options, apply = option.apply](std::string_view value) {
      apply(value);
      options.mark.reference_given = true;
    };
  }
  table.push_back({"--json", false, true, [&options](std::string_view) { options.json = true; }});
  table.push_back(
      {"--retime", false, true, [&options](std::string_view) { options.mark.retime = true; }});
  table.push_back({"--ignore-crc", false, true,
                   [&options](std::string_view) { options.mark.ignore_crc = true; }});
  // The value comes straight from argv, so it ends in a null character.
  table.push_back(
      {"-f", true, false, [&options](std::string_view file) { options.file = file.data(); }});
  std::vector<const char*> inputs;
  try {
    inputs = read_options_and_inputs(argc, argv, at, table);
  } catch (const MissingOptionValue&) {
    show_usage(progname);
    return false;
  }
  if (options.file != nullptr) {
    if (!inputs.empty()) {
      throw std::runtime_error(std::string("--from-scte35 reads one section, not also \"") +
                               inputs.front() + "\"");
    }
    return true;
  }
  if (inputs.empty()) {
    show_usage(progname);
    return false;
  }
  if (inputs.size() > 1) {
    throw std::runtime_error(std::string("--from-scte35 reads one section, not also \"") +
                             inputs[1] + "\"");
  }
  options.base64 = inputs.front();
  return true;
}

}  // namespace

int run_from_scte35_mode(const char* progname, int argc, char** argv, int at) {
  FromScte35Options options;
  if (!read_from_scte35_options(progname, argc, argv, at, options)) return kFailureStatus;
  std::optional<std::vector<std::uint8_t>> input =
      options.file != nullptr ? read_mark("-f", options.file) : read_mark(options.base64, nullptr);
  if (!input) return kCannotOpenStatus;
  scte_104::scte35::MarkOfSection mark =
      scte_104::scte35::mark_of_section(input->data(), input->size(), options.mark);
  if (mark.refused()) throw std::runtime_error(std::string(mark.field) + " " + mark.reason);
  for (std::size_t i = 0; i < mark.warning_count; ++i) {
    report_error(std::string(mark.warnings[i]) + " is not carried exactly under --retime");
  }
  mark.message.insert(mark.message.begin(), 0x08);  // the lead byte
  Output out(descriptor_sink(STDOUT_FILENO, "standard output"));
  if (options.json) {
    const auto message = decode_mark(std::move(mark.message));
    write_json_report(*message, out, options.mark.scte35);
  } else {
    out.base64(mark.message.data(), mark.message.size());
    out.text("\n");
  }
  out.flush();
  return 0;
}

}  // namespace scte104
