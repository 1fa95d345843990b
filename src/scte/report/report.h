// SPDX-License-Identifier: MIT
// The inspection report, in two forms: the text report (a metadata block
// with hex, Base64 and size, then a structure block with every decoded
// field) and the JSON report for scripts.
#ifndef SCTE104_REPORT_H
#define SCTE104_REPORT_H

#include <cstdint>
#include <memory>
#include <vector>

#include "json_writer.h"
#include "output.h"
#include "scte/scte35.h"
#include "scte/scte_104.h"

namespace scte104 {

enum class ReportFormat { text, json };

// Decodes one queue mark: `input` is the lead byte followed by the
// message, which takes over the input's buffer. Throws std::runtime_error
// with the reason when the input is empty or the decoder rejects it.
std::unique_ptr<scte_104::MultipleOperationMessage> decode_mark(std::vector<std::uint8_t> input);

// Inspects one queue mark: `input` is the lead byte followed by the
// message. Builds and decodes the message before writing anything, so an
// input that is refused (empty, or rejected by the decoder) throws and
// leaves `out` untouched. The message takes over the input's buffer, so a
// large message is held once, not twice.
void inspect(std::vector<std::uint8_t> input, Output& out,
             ReportFormat format = ReportFormat::text,
             const scte_104::Scte35Settings& scte35 = {});

// Writes both blocks of the text report for a decoded message.
void write_report(const scte_104::MultipleOperationMessage& message, Output& out);

// Writes the JSON report for a decoded message, indented, with a final
// line feed.
void write_json_report(const scte_104::MultipleOperationMessage& message, Output& out,
                       const scte_104::Scte35Settings& scte35 = {});

// Writes the JSON report's members into the object that `json` has open,
// so that other writers can nest the report or add members before it.
void write_json_report_members(const scte_104::MultipleOperationMessage& message,
                               const scte_104::Scte35Settings& scte35, JsonWriter& json);

}  // namespace scte104

#endif  // SCTE104_REPORT_H
