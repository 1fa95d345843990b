// SPDX-License-Identifier: MIT
// Non-blocking TCP sockets: listeners, accepted and outgoing connections
// (TCP_NODELAY on each, or every small answer waits for the peer's delayed
// ACK), a connection's out-queue, signals as a descriptor, and the
// descriptor limit.
#ifndef SCTE104_NET_SOCKET_H
#define SCTE104_NET_SOCKET_H

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "net/address.h"

namespace net {

// A bound, listening, non-blocking socket (SO_REUSEADDR; IPV6_V6ONLY for
// IPv6); -1 with `error` set ("Address already in use") when it cannot be.
int listen_on(const Address& address, int backlog, std::string& error);

// The address a socket is bound to (the real port after port 0), or its
// peer's.
Address local_address(int fd);
Address peer_address(int fd);

// Accepts connections without blocking, TCP_NODELAY set. When the process
// is out of descriptors it accepts with a spare one kept for this and
// closes the connection at once, so a full table does not spin the loop.
class Acceptor {
 public:
  Acceptor();
  ~Acceptor();
  Acceptor(const Acceptor&) = delete;
  Acceptor& operator=(const Acceptor&) = delete;

  enum class Result { accepted, none, dropped };
  // accepted: `fd` and `peer` are set; none: nothing waits (or an error
  // that concerns that connection only); dropped: out of descriptors, one
  // connection closed.
  Result accept(int listen_fd, int& fd, Address& peer);

 private:
  int mSpare = -1;
};

// Starts a non-blocking connect, TCP_NODELAY set: the descriptor, to watch
// for EPOLLOUT, then ask connect_result(); -1 with `error` set when it
// failed at once.
int connect_to(const Address& address, std::string& error);
// 0 once an outgoing connect has completed, else its errno.
int connect_result(int fd);

// A connected socket and the bytes the kernel has not taken yet. It owns
// the descriptor.
class Stream {
 public:
  explicit Stream(int fd) : mFd(fd) {}
  ~Stream();
  Stream(const Stream&) = delete;
  Stream& operator=(const Stream&) = delete;

  int fd() const { return mFd; }

  enum class Status { done, again, end, reset, error };
  struct Result {
    Status status = Status::done;
    std::size_t size = 0;  // bytes read, or taken by the kernel
    int error = 0;         // errno for reset and error
  };
  // Reads at most `capacity` bytes: done with size > 0, again, end (FIN),
  // reset (ECONNRESET) or error.
  Result read(std::uint8_t* buffer, std::size_t capacity);

  // Writes `bytes` after what is queued: what the kernel does not take is
  // queued. `taken` points at the bytes the kernel took (size of the
  // result), valid until the next call.
  Result send(const std::uint8_t* bytes, std::size_t size, const std::uint8_t*& taken);
  // Writes from the queue (on EPOLLOUT); same result.
  Result flush(const std::uint8_t*& taken);
  std::size_t queued() const { return mQueue.size() - mHead; }

  // No more writes: FIN after what is queued.
  void shutdown_write();
  // Closes at once with a reset (SO_LINGER 0), dropping the queue.
  void abort();
  // Closes (FIN); what is queued is dropped.
  void close();

 private:
  Result write_queue(const std::uint8_t*& taken);
  int mFd;
  std::vector<std::uint8_t> mQueue;
  std::size_t mHead = 0;
  std::vector<std::uint8_t> mTaken;  // bytes taken from the queue by the last flush
};

// A descriptor that reads `signals` (blocked for normal delivery), and the
// next signal number read from it (0: none).
int signal_descriptor(std::initializer_list<int> signals);
int read_signal(int fd);

// Raises the soft limit of open descriptors to the hard one.
void raise_descriptor_limit();

}  // namespace net

#endif  // SCTE104_NET_SOCKET_H
