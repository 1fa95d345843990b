// SPDX-License-Identifier: MIT
// The JSON Lines report: queue marks as Base64 text, one a line, each
// reported as one line of compact JSON that starts with its line number.
#ifndef SCTE104_JSON_LINES_H
#define SCTE104_JSON_LINES_H

#include "line_reader.h"
#include "output.h"
#include "scte/scte35.h"

namespace scte104 {

// Writes one JSON line per mark that `lines` holds: {"line": N, ...} with
// the members of the JSON report, or {"line": N, "error": "..."} with the
// reason a mark was refused. Blanks, tabs and carriage returns around a
// line are dropped; empty lines and lines starting with "#" are skipped.
// Returns true when every mark was reported, false when any was refused.
bool write_json_lines(LineReader& lines, Output& out, const scte_104::Scte35Settings& scte35);

}  // namespace scte104

#endif  // SCTE104_JSON_LINES_H
