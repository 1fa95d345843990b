// SPDX-License-Identifier: MIT
// scte104: inspects one SCTE 104 queue mark, given as Base64 text or as a
// file, and prints what it holds. main only dispatches: the first argument
// picks a mode, and each mode reads the rest.
#include <unistd.h>

#include <cstring>
#include <exception>
#include <new>

#include "cli.h"
#include "modes.h"

namespace {

constexpr char version[] = "0.1.0";

void show_help(const char* progname) {
  scte104::write_all(STDERR_FILENO,
                     {"Usage: ", progname,
                      " [-h] [-v] [-f] [scte-data]\n\n"
                      "Utility to parse SCTE-104 queue marks\n\n"
                      "Optional argument:\n"
                      "  -h, --help       display help information and exit\n"
                      "  -v, --version    display version number and exit\n"
                      "  -f FILENAME      parse file with CSTE-104 queue mark\n\n"
                      "Positional argument:\n"
                      "  scte-data        base64 encoded SCTE-104 queue mark\n\n"
                      "Examples:\n"
                      "  $ ",
                      progname, " -f data/scte_104.bin\n  $ ", progname,
                      " CP//AB4AAKsAAAAAAQEBAA4BQAACtAAAAeAEsAAAAA==\n"});
}

int run(int argc, char** argv) {
  const char* progname = argc > 0 && argv[0] != nullptr ? argv[0] : "scte104";
  if (argc < 2) {
    scte104::show_usage(progname);
    return 0;
  }
  // Only the first argument is an option; each mode reads what follows it.
  const char* first = argv[1];
  const auto is = [first](const char* option) { return std::strcmp(first, option) == 0; };
  if (is("-h") || is("--help")) {
    show_help(progname);
    return 0;
  }
  if (is("-v") || is("--version")) {
    scte104::write_all(STDOUT_FILENO, {progname, " v", version, "\n"});
    return 0;
  }
  if (is("--json")) {
    return scte104::run_report_mode(progname, argc, argv, 2, scte104::ReportFormat::json);
  }
  if (is("--scte35")) return scte104::run_scte35_mode(progname, argc, argv, 2);
  if (is("--json-lines")) return scte104::run_json_lines_mode(progname, argc, argv, 2);
  if (is("--pcap")) return scte104::run_pcap_mode(progname, argc, argv, 2);
  if (is("--serve")) return scte104::run_serve_mode(progname, argc, argv, 2);
  if (is("--ts")) return scte104::run_ts_mode(progname, argc, argv, 2);
  if (is("--anc")) return scte104::run_anc_mode(progname, argc, argv, 2);
  if (is("--encode")) return scte104::run_encode_mode(progname, argc, argv, 2);
  if (is("--send")) return scte104::run_send_mode(progname, argc, argv, 2);
  if (is("--from-scte35")) return scte104::run_from_scte35_mode(progname, argc, argv, 2);
  return scte104::run_report_mode(progname, argc, argv, 1, scte104::ReportFormat::text);
}

}  // namespace

// The one place where an error that ends the run is turned into a message:
// everything below has been released by the time it arrives here.
int main(int argc, char** argv) {
  try {
    return run(argc, argv);
  } catch (const std::bad_alloc&) {
    scte104::report_error("out of memory");
  } catch (const std::exception& e) {
    scte104::report_error(e.what());
  } catch (...) {
    scte104::report_error("unknown error");
  }
  return scte104::kFailureStatus;
}
