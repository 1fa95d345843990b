// SPDX-License-Identifier: MIT
#include "input_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>

#include "cli.h"

namespace scte104 {

ByteSource descriptor_source(int fd, const char* name) {
  return [fd, name](char* into, std::size_t size) -> std::size_t {
    for (;;) {
      const ssize_t got = ::read(fd, into, size);
      if (got >= 0) return static_cast<std::size_t>(got);
      if (errno != EINTR) {
        throw std::runtime_error(std::string("Cannot read ") + name + ": " + std::strerror(errno));
      }
    }
  };
}

InputFile::InputFile(const char* name) : mFd(STDIN_FILENO) {
  if (std::strcmp(name, "-") == 0) return;
  mName = name;
  mFd = ::open(name, O_RDONLY | O_CLOEXEC);
  if (mFd < 0) report_error(std::string("Cannot open ") + name + ": " + std::strerror(errno));
}

InputFile::~InputFile() {
  if (mFd > STDIN_FILENO) ::close(mFd);
}

bool InputFile::is_live() const {
  struct stat status {};
  return fstat(mFd, &status) != 0 || !S_ISREG(status.st_mode);
}

}  // namespace scte104
