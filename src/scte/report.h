// SPDX-License-Identifier: MIT
// The inspection report, in two forms: the text report (a metadata block
// with hex, Base64 and size, then a structure block with every decoded
// field) and the JSON report for scripts.
#ifndef SCTE104_REPORT_H
#define SCTE104_REPORT_H

#include <cstdint>
#include <vector>

#include "output.h"
#include "scte/scte_104.h"

namespace scte104 {

enum class ReportFormat { text, json };

// Inspects one queue mark: `input` is the lead byte followed by the
// message. Builds and decodes the message before writing anything, so an
// input that is refused (empty, or rejected by the decoder) throws and
// leaves `out` untouched. The message takes over the input's buffer, so a
// large message is held once, not twice.
void inspect(std::vector<std::uint8_t> input, Output& out,
             ReportFormat format = ReportFormat::text);

// Writes both blocks of the text report for a decoded message.
void write_report(const scte_104::MultipleOperationMessage& message, Output& out);

// Writes the JSON report for a decoded message.
void write_json_report(const scte_104::MultipleOperationMessage& message, Output& out);

}  // namespace scte104

#endif  // SCTE104_REPORT_H
