// --json-lines: a whole log of queue marks in one run, one JSON line per
// mark, following a live pipe as it grows.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "cli.h"
#include "json_lines.h"
#include "modes.h"
#include "options.h"

namespace scte104 {
namespace {

// The input's descriptor, closed at the end of the run unless it is
// standard input.
class InputFile {
 public:
  explicit InputFile(const char* name) {
    if (std::strcmp(name, "-") == 0) return;
    mName = name;
    mFd = ::open(name, O_RDONLY | O_CLOEXEC);
    if (mFd < 0) mError = errno;
  }
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;
  ~InputFile() {
    if (mFd > STDIN_FILENO) ::close(mFd);
  }

  bool is_open() const { return mFd >= 0; }
  // Why the file could not be opened.
  const char* error() const { return std::strerror(mError); }
  int fd() const { return mFd; }
  const char* name() const { return mName; }
  // A pipe or a terminal may hold back its next line for as long as it
  // likes; a regular file never does.
  bool is_live() const {
    struct stat status {};
    return fstat(mFd, &status) != 0 || !S_ISREG(status.st_mode);
  }

 private:
  const char* mName = "standard input";
  int mFd = STDIN_FILENO;
  int mError = 0;
};

}  // namespace

int run_json_lines_mode(const char* progname, int argc, char** argv, int at) {
  scte_104::Scte35Settings scte35;
  at = read_scte35_options(argc, argv, at, scte35);
  if (at >= argc) {
    show_usage(progname);
    return kFailureStatus;
  }
  // Arguments after the input are ignored, as in the other modes.
  const InputFile input(argv[at]);
  if (!input.is_open()) {
    report_error(std::string("Cannot open ") + argv[at] + ": " + input.error());
    return kCannotOpenStatus;
  }
  Output out(descriptor_sink(STDOUT_FILENO, "standard output"));
  const bool live = input.is_live();
  LineReader lines([&out, live, read = descriptor_source(input.fd(), input.name())](
                       char* into, std::size_t size) {
    // Each mark's line leaves before the next one is waited for; a file's
    // lines leave in large writes.
    if (live) out.flush();
    try {
      return read(into, size);
    } catch (...) {
      out.flush();  // the lines reported so far are whole: keep them
      throw;
    }
  });
  const bool all_reported = write_json_lines(lines, out, scte35);
  out.flush();
  return all_reported ? 0 : kFailureStatus;
}

}  // namespace scte104
