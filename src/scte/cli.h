// SPDX-License-Identifier: MIT
// What every mode of the command line shares: exit statuses, the usage
// lines, and whole texts written to standard output or standard error.
#ifndef SCTE104_CLI_H
#define SCTE104_CLI_H

#include <initializer_list>
#include <string_view>

namespace scte104 {

// A file that cannot be opened.
constexpr int kCannotOpenStatus = 1;
// A run that an error ended: a refused input, a bad option, a failed write.
constexpr int kFailureStatus = 2;

// Writes the pieces to standard output, or standard error, in one go. A
// failed write to standard output throws; one to standard error is dropped.
void write_all(int fd, std::initializer_list<std::string_view> pieces);

// The two usage lines, on standard error.
void show_usage(const char* progname);

// True when argv[at] is there; else shows the usage lines: a mode that
// needs an input was given none.
bool input_follows(const char* progname, int argc, int at);

// `scte104: <what>` on standard error.
void report_error(std::string_view what);

}  // namespace scte104

#endif  // SCTE104_CLI_H
