// SPDX-License-Identifier: MIT
// scte104: inspects one SCTE 104 queue mark, given as Base64 text or as a
// file, and prints what it holds.
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <exception>
#include <fstream>
#include <initializer_list>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "output.h"
#include "report.h"
#include "utility/strings.h"

namespace {

constexpr char version[] = "0.1.0";

// The exit status of a run that an error ended (a refused input, a message
// the decoder rejects, exhausted memory); 1 is kept for a file that cannot
// be opened.
constexpr int kFailureStatus = 2;

// Writes the pieces to standard output, or standard error, in one go.
void write_all(int fd, std::initializer_list<std::string_view> pieces) {
  scte104::Output out(
      fd == STDOUT_FILENO
          ? scte104::descriptor_sink(fd, "standard output")
          : scte104::descriptor_sink(fd, "standard error", scte104::OnWriteFailure::ignore));
  for (const std::string_view piece : pieces) out.text(piece);
  out.flush();
}

void show_usage(const char* progname) {
  write_all(STDERR_FILENO, {"Usage: ", progname,
                            " [-h] [-v] [-f] [scte-data]\n"
                            "Use -h/--help for more information\n"});
}

void show_help(const char* progname) {
  write_all(STDERR_FILENO, {"Usage: ", progname,
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

// A large input is touched page by page as it is read; asking for huge
// pages first saves thousands of page faults. Only a hint: any failure is
// harmless and ignored.
void prefer_huge_pages(void* start, std::size_t size) {
  constexpr std::size_t kHugePage = std::size_t{2} << 20u;
  const std::size_t offset = reinterpret_cast<std::uintptr_t>(start) % kHugePage;
  const std::size_t skip = offset == 0 ? 0 : kHugePage - offset;
  if (size < skip + kHugePage) return;
  const std::size_t length = (size - skip) / kHugePage * kHugePage;
  madvise(static_cast<char*>(start) + skip, length, MADV_HUGEPAGE);
}

// The whole file, read in one go; nothing when it cannot be opened.
std::optional<std::vector<std::uint8_t>> read_file(const char* name) {
  if (name == nullptr) return std::nullopt;
  const auto no_size = [name] {
    return std::runtime_error(std::string("Cannot determine the size of ") + name +
                              ": not a regular file");
  };
  // Opening a named pipe would wait for a writer, possibly for ever.
  struct stat status {};
  if (stat(name, &status) == 0 && S_ISFIFO(status.st_mode)) throw no_size();
  std::ifstream stream(name, std::ios::in | std::ios::binary);
  if (stream.fail()) return std::nullopt;
  stream.seekg(0, std::ios::end);
  const std::streamoff size = stream.tellg();
  if (size < 0) throw no_size();
  stream.seekg(0, std::ios::beg);
  // A directory opens and even reports a size, but yields no byte.
  if (size > 0 && stream.peek() == std::ifstream::traits_type::eof()) {
    throw std::runtime_error(std::string("Cannot read ") + name);
  }
  std::vector<std::uint8_t> data;
  data.reserve(static_cast<std::size_t>(size));
  prefer_huge_pages(data.data(), data.capacity());
  data.resize(static_cast<std::size_t>(size));              // zero-filled
  stream.read(reinterpret_cast<char*>(data.data()), size);  // a short read leaves zeros
  return data;
}

std::vector<std::uint8_t> read_base64(const char* text) {
  const std::string input = ext::base64::decode(text);
  return std::vector<std::uint8_t>(input.begin(), input.end());
}

int run(int argc, char** argv) {
  const char* progname = argc > 0 && argv[0] != nullptr ? argv[0] : "scte104";
  if (argc < 2) {
    show_usage(progname);
    return 0;
  }
  // Only the first argument is an option; later ones are never looked at,
  // except the file name right after -f. --json puts the input one place on.
  int at = 1;
  scte104::ReportFormat format = scte104::ReportFormat::text;
  if (std::strcmp(argv[1], "--json") == 0) {
    if (argc < 3) {
      show_usage(progname);
      return kFailureStatus;
    }
    format = scte104::ReportFormat::json;
    at = 2;
  } else if (std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "--help") == 0) {
    show_help(progname);
    return 0;
  } else if (std::strcmp(argv[1], "-v") == 0 || std::strcmp(argv[1], "--version") == 0) {
    write_all(STDOUT_FILENO, {progname, " v", version, "\n"});
    return 0;
  }
  const char* source = argv[at];
  std::vector<std::uint8_t> input;
  if (std::strcmp(source, "-f") == 0) {
    // argv[argc] is a null pointer, which stands for "-f" without a name.
    std::optional<std::vector<std::uint8_t>> file = read_file(argv[at + 1]);
    if (!file) {
      write_all(STDERR_FILENO, {"Data is not initialized\n"});
      return 1;
    }
    input = std::move(*file);
  } else {
    input = read_base64(source);  // anything else is Base64, even "-x"
  }
  scte104::Output out(scte104::descriptor_sink(STDOUT_FILENO, "standard output"));
  scte104::inspect(std::move(input), out, format);
  out.flush();
  return 0;
}

void report_error(const char* what) { write_all(STDERR_FILENO, {"scte104: ", what, "\n"}); }

}  // namespace

// The one place where an error that ends the run is turned into a message:
// everything below has been released by the time it arrives here.
int main(int argc, char** argv) {
  try {
    return run(argc, argv);
  } catch (const std::bad_alloc&) {
    report_error("out of memory");
  } catch (const std::exception& e) {
    report_error(e.what());
  } catch (...) {
    report_error("unknown error");
  }
  return kFailureStatus;
}
