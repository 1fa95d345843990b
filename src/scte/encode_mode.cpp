// --encode (FILE | -): a queue mark described in JSON, in the shape of the
// JSON report, printed as the Base64 line the tool itself takes.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>

#include "cli.h"
#include "json_reader.h"
#include "modes.h"
#include "output.h"

namespace scte104 {
namespace {

// The next bytes of `fd`, whatever it is (a file, a pipe, a terminal).
TextSource descriptor_source(int fd, std::string name) {
  return [fd, name = std::move(name)](char* buffer, std::size_t size) {
    for (;;) {
      const ssize_t got = read(fd, buffer, size);
      if (got >= 0) return static_cast<std::size_t>(got);
      if (errno != EINTR) {
        throw std::runtime_error("Cannot read " + name + ": " + std::strerror(errno));
      }
    }
  };
}

// Closes the file when the run ends, by error or not.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : mFd(fd) {}
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  ~FileDescriptor() {
    if (mFd >= 0) close(mFd);
  }
  int get() const { return mFd; }

 private:
  int mFd;
};

}  // namespace

int run_encode_mode(const char* progname, int argc, char** argv, int at) {
  if (at >= argc) {
    show_usage(progname);
    return kFailureStatus;
  }
  const bool standard_input = std::strcmp(argv[at], "-") == 0;
  const FileDescriptor file(standard_input ? -1 : open(argv[at], O_RDONLY | O_CLOEXEC));
  if (!standard_input && file.get() < 0) {
    report_error(std::string("Cannot open ") + argv[at] + ": " + std::strerror(errno));
    return kCannotOpenStatus;
  }
  const std::vector<std::uint8_t> mark =
      encode_json_mark(standard_input ? descriptor_source(STDIN_FILENO, "standard input")
                                      : descriptor_source(file.get(), argv[at]));
  Output out(descriptor_sink(STDOUT_FILENO, "standard output"));
  out.base64(mark.data(), mark.size());
  out.text("\n");
  out.flush();
  return 0;
}

}  // namespace scte104
