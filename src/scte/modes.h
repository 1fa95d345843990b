// SPDX-License-Identifier: MIT
// The modes of the command line, one file each. Each takes the arguments
// after its own option (argv[at] on) and returns the exit status; an error
// that ends the run is thrown and reported by main.
#ifndef SCTE104_MODES_H
#define SCTE104_MODES_H

#include "report.h"

namespace scte104 {

// The text report of `argv[at]` (`-f FILE` or Base64), or the JSON report
// after --json [--pts TICKS] [--frame-rate RATE].
int run_report_mode(const char* progname, int argc, char** argv, int at, ReportFormat format);

// --scte35 [--pts TICKS] [--frame-rate RATE] (-f FILE | BASE64): one line
// of Base64 per SCTE 35 section, problems on standard error.
int run_scte35_mode(const char* progname, int argc, char** argv, int at);

// --json-lines [--pts TICKS] [--frame-rate RATE] (FILE | -): one line of
// compact JSON per queue mark of the input's lines, refused marks included.
int run_json_lines_mode(const char* progname, int argc, char** argv, int at);
// --pcap [--json-lines] [--port N]... [--pts TICKS] [--frame-rate RATE]
// (FILE | -): the SCTE 104 sessions of a capture file, as a timeline or as
// JSON Lines.
int run_pcap_mode(const char* progname, int argc, char** argv, int at);
// --anc [--json-lines] --port N [--port N]... [--pts TICKS] [--frame-rate
// RATE] (FILE | -): the SCTE 104 messages of the ST 2110-40 streams of a
// capture, as a timeline or as JSON Lines.
int run_anc_mode(const char* progname, int argc, char** argv, int at);
// --encode (FILE | -): the message that a JSON document in the shape of
// the JSON report describes, as one line of Base64 (lead byte included).
int run_encode_mode(const char* progname, int argc, char** argv, int at);

}  // namespace scte104

#endif  // SCTE104_MODES_H
