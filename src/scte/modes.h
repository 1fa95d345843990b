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

// --from-scte35 [--json] [--retime] [--ignore-crc] [--pts TICKS]
// [--frame-rate RATE] (-f FILE | BASE64): the queue mark that one SCTE 35
// section came from, as one Base64 line or its JSON report.
int run_from_scte35_mode(const char* progname, int argc, char** argv, int at);

// --json-lines [--pts TICKS] [--frame-rate RATE] (FILE | -): one line of
// compact JSON per queue mark of the input's lines, refused marks included.
int run_json_lines_mode(const char* progname, int argc, char** argv, int at);
// --pcap [--json-lines] [--port N]... [--pts TICKS] [--frame-rate RATE]
// (FILE | -): the SCTE 104 sessions of a capture file, as a timeline or as
// JSON Lines.
int run_pcap_mode(const char* progname, int argc, char** argv, int at);
// --serve [--json-lines] [--listen ADDR:PORT]... [options]: an SCTE 104
// injector on TCP, answering and logging every session until SIGINT or
// SIGTERM.
int run_serve_mode(const char* progname, int argc, char** argv, int at);

// --ts [--json-lines] [--pid N]... [--frame-rate RATE] (FILE | -): the
// queue marks, SCTE 35 sections and their pairings of a transport stream.
int run_ts_mode(const char* progname, int argc, char** argv, int at);

// --anc [--json-lines] --port N [--port N]... [--pts TICKS] [--frame-rate
// RATE] (FILE | -): the SCTE 104 messages of the ST 2110-40 streams of a
// capture, as a timeline or as JSON Lines.
int run_anc_mode(const char* progname, int argc, char** argv, int at);

// --encode (FILE | -): the message that a JSON document in the shape of
// the JSON report describes, as one line of Base64 (lead byte included).
int run_encode_mode(const char* progname, int argc, char** argv, int at);
// --send HOST[:PORT] [options] (FILE | -): plays the automation system
// against an injector, one line per queue mark of the input with the
// injector's answer, then a summary.
int run_send_mode(const char* progname, int argc, char** argv, int at);

}  // namespace scte104

#endif  // SCTE104_MODES_H
