// SPDX-License-Identifier: MIT
#include "net/socket.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace net {
namespace {

void set_option(int fd, int level, int name, int value) {
  setsockopt(fd, level, name, &value, sizeof value);
}

Stream::Result failure(int error) {
  Stream::Result result;
  result.error = error;
  result.status = error == ECONNRESET || error == EPIPE ? Stream::Status::reset
                                                        : Stream::Status::error;
  return result;
}

}  // namespace

int listen_on(const Address& address, int backlog, std::string& error) {
  const int fd = socket(address.family(), SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    error = std::strerror(errno);
    return -1;
  }
  set_option(fd, SOL_SOCKET, SO_REUSEADDR, 1);
  if (address.family() == AF_INET6) set_option(fd, IPPROTO_IPV6, IPV6_V6ONLY, 1);
  if (bind(fd, address.get(), address.length) != 0 || ::listen(fd, backlog) != 0) {
    error = std::strerror(errno);
    ::close(fd);
    return -1;
  }
  return fd;
}

Address local_address(int fd) {
  Address address;
  address.length = sizeof address.storage;
  getsockname(fd, address.get(), &address.length);
  return address;
}

Address peer_address(int fd) {
  Address address;
  address.length = sizeof address.storage;
  getpeername(fd, address.get(), &address.length);
  return address;
}

Acceptor::Acceptor() { mSpare = open("/dev/null", O_RDONLY | O_CLOEXEC); }

Acceptor::~Acceptor() {
  if (mSpare >= 0) ::close(mSpare);
}

Acceptor::Result Acceptor::accept(int listen_fd, int& fd, Address& peer) {
  peer.length = sizeof peer.storage;
  fd = accept4(listen_fd, peer.get(), &peer.length, SOCK_NONBLOCK | SOCK_CLOEXEC);
  if (fd >= 0) {
    set_option(fd, IPPROTO_TCP, TCP_NODELAY, 1);
    return Result::accepted;
  }
  if ((errno != EMFILE && errno != ENFILE) || mSpare < 0) return Result::none;
  // Out of descriptors: give the spare one up to take the connection off
  // the queue and close it, or the listener stays readable for ever.
  ::close(mSpare);
  const int taken = ::accept(listen_fd, nullptr, nullptr);
  if (taken >= 0) ::close(taken);
  mSpare = open("/dev/null", O_RDONLY | O_CLOEXEC);
  return taken >= 0 ? Result::dropped : Result::none;
}

int connect_to(const Address& address, std::string& error) {
  const int fd = socket(address.family(), SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    error = std::strerror(errno);
    return -1;
  }
  set_option(fd, IPPROTO_TCP, TCP_NODELAY, 1);
  if (connect(fd, address.get(), address.length) != 0 && errno != EINPROGRESS) {
    error = std::strerror(errno);
    ::close(fd);
    return -1;
  }
  return fd;
}

int connect_result(int fd) {
  int error = 0;
  socklen_t length = sizeof error;
  if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) return errno;
  return error;
}

Stream::~Stream() {
  if (mFd >= 0) ::close(mFd);
}

Stream::Result Stream::read(std::uint8_t* buffer, std::size_t capacity) {
  for (;;) {
    const ssize_t got = ::read(mFd, buffer, capacity);
    if (got > 0) return Result{Status::done, static_cast<std::size_t>(got), 0};
    if (got == 0) return Result{Status::end, 0, 0};
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) return Result{Status::again, 0, 0};
    return failure(errno);
  }
}

Stream::Result Stream::send(const std::uint8_t* bytes, std::size_t size,
                            const std::uint8_t*& taken) {
  if (queued() > 0) {
    mQueue.insert(mQueue.end(), bytes, bytes + size);
    return write_queue(taken);
  }
  taken = bytes;
  for (;;) {
    const ssize_t put = ::send(mFd, bytes, size, MSG_NOSIGNAL);
    if (put >= 0) {
      const auto count = static_cast<std::size_t>(put);
      if (count < size) {
        mQueue.assign(bytes + count, bytes + size);
        mHead = 0;
      }
      return Result{count > 0 ? Status::done : Status::again, count, 0};
    }
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) {
      mQueue.assign(bytes, bytes + size);
      mHead = 0;
      return Result{Status::again, 0, 0};
    }
    return failure(errno);
  }
}

Stream::Result Stream::flush(const std::uint8_t*& taken) {
  if (queued() == 0) return Result{Status::done, 0, 0};
  return write_queue(taken);
}

Stream::Result Stream::write_queue(const std::uint8_t*& taken) {
  for (;;) {
    const ssize_t put = ::send(mFd, mQueue.data() + mHead, queued(), MSG_NOSIGNAL);
    if (put >= 0) {
      const auto count = static_cast<std::size_t>(put);
      // The bytes taken are handed out after the queue lets them go.
      mTaken.assign(mQueue.data() + mHead, mQueue.data() + mHead + count);
      taken = mTaken.data();
      mHead += count;
      if (mHead == mQueue.size()) {
        // Empty again: give the memory back, so idle connections stay small.
        std::vector<std::uint8_t>().swap(mQueue);
        mHead = 0;
      } else if (mHead > 65536 && mHead * 2 > mQueue.size()) {
        mQueue.erase(mQueue.begin(), mQueue.begin() + static_cast<std::ptrdiff_t>(mHead));
        mHead = 0;
      }
      if (mTaken.capacity() > 65536 && count <= 65536) std::vector<std::uint8_t>().swap(mTaken);
      return Result{count > 0 ? Status::done : Status::again, count, 0};
    }
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) return Result{Status::again, 0, 0};
    return failure(errno);
  }
}

void Stream::shutdown_write() { ::shutdown(mFd, SHUT_WR); }

void Stream::abort() {
  if (mFd < 0) return;
  linger option{};
  option.l_onoff = 1;
  option.l_linger = 0;
  setsockopt(mFd, SOL_SOCKET, SO_LINGER, &option, sizeof option);
  close();
}

void Stream::close() {
  if (mFd < 0) return;
  ::close(mFd);
  mFd = -1;
  std::vector<std::uint8_t>().swap(mQueue);
  mHead = 0;
}

int signal_descriptor(std::initializer_list<int> signals) {
  sigset_t set;
  sigemptyset(&set);
  for (const int signal_number : signals) sigaddset(&set, signal_number);
  if (sigprocmask(SIG_BLOCK, &set, nullptr) != 0) {
    throw std::runtime_error(std::string("sigprocmask: ") + std::strerror(errno));
  }
  const int fd = signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
  if (fd < 0) throw std::runtime_error(std::string("signalfd: ") + std::strerror(errno));
  return fd;
}

int read_signal(int fd) {
  signalfd_siginfo info{};
  if (::read(fd, &info, sizeof info) != static_cast<ssize_t>(sizeof info)) return 0;
  return static_cast<int>(info.ssi_signo);
}

void raise_descriptor_limit() {
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == limit.rlim_max) return;
  limit.rlim_cur = limit.rlim_max;
  setrlimit(RLIMIT_NOFILE, &limit);
}

}  // namespace net
