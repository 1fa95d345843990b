// SPDX-License-Identifier: MIT
// A small epoll load generator for `scte104 --serve`, playing many
// automation systems at once over loopback:
//   serve_load PORT marks CONNECTIONS DEPTH TOTAL   marks/s and latency
//   serve_load PORT held CONNECTIONS                 idle initialised connections
//   serve_load PORT churn COUNT                      connections opened and dropped
// Each connection sends init_request, waits for init_response, then keeps
// DEPTH queue marks in flight; latency runs from a mark's send to its
// inject_response.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <iostream>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

const std::uint8_t kInit[] = {0x00, 0x01, 0x00, 0x0d, 0xff, 0xff, 0xff, 0xff, 0x00, 0x00, 0x01, 0x00, 0x00};
// The help example's queue mark (30 bytes).
const std::uint8_t kMark[] = {0xff, 0xff, 0x00, 0x1e, 0x00, 0x00, 0xab, 0x00, 0x00, 0x00,
                              0x00, 0x01, 0x01, 0x01, 0x00, 0x0e, 0x01, 0x40, 0x00, 0x02,
                              0xb4, 0x00, 0x00, 0x01, 0xe0, 0x04, 0xb0, 0x00, 0x00, 0x00};

struct Connection {
  int fd = -1;
  bool ready = false;
  std::uint64_t sent = 0;
  std::uint64_t quota = 0;
  std::vector<std::uint8_t> in;
  std::deque<Clock::time_point> in_flight;
};

int open_connection(std::uint16_t port) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    std::perror("connect");
    std::exit(1);
  }
  int one = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  return fd;
}

void send_all(int fd, const std::uint8_t* bytes, std::size_t size) {
  while (size > 0) {
    const ssize_t put = send(fd, bytes, size, MSG_NOSIGNAL);
    if (put <= 0) {
      std::perror("send");
      std::exit(1);
    }
    bytes += put;
    size -= static_cast<std::size_t>(put);
  }
}

double percentile(std::vector<double>& values, double p) {
  if (values.empty()) return 0;
  const auto at = static_cast<std::size_t>(p * static_cast<double>(values.size() - 1));
  std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(at), values.end());
  return values[at];
}

// Opens `count` connections and initialises each.
std::vector<Connection> open_initialised(std::uint16_t port, std::size_t count, int epoll_fd) {
  std::vector<Connection> connections(count);
  for (std::size_t i = 0; i < count; ++i) {
    connections[i].fd = open_connection(port);
    send_all(connections[i].fd, kInit, sizeof kInit);
    epoll_event event{};
    event.events = EPOLLIN;
    event.data.u64 = i;
    epoll_ctl(epoll_fd, EPOLL_CTL_ADD, connections[i].fd, &event);
  }
  return connections;
}

// Reads what the connection holds; each inject_response answers the
// oldest mark in flight. Returns the number of marks answered.
std::size_t take_answers(Connection& c, std::vector<double>& latencies) {
  std::uint8_t buffer[65536];
  const ssize_t got = read(c.fd, buffer, sizeof buffer);
  if (got <= 0) {
    std::fprintf(stderr, "connection closed by the injector\n");
    std::exit(1);
  }
  c.in.insert(c.in.end(), buffer, buffer + got);
  std::size_t answered = 0;
  std::size_t at = 0;
  const Clock::time_point now = Clock::now();
  while (c.in.size() - at >= 4) {
    const std::size_t size = static_cast<std::size_t>(c.in[at + 2] << 8 | c.in[at + 3]);
    if (size < 13 || c.in.size() - at < size) break;
    const unsigned op_id = static_cast<unsigned>(c.in[at] << 8 | c.in[at + 1]);
    if (op_id == 2) c.ready = true;
    if (op_id == 7 && !c.in_flight.empty()) {
      latencies.push_back(std::chrono::duration<double, std::micro>(now - c.in_flight.front()).count());
      c.in_flight.pop_front();
      ++answered;
    }
    at += size;
  }
  c.in.erase(c.in.begin(), c.in.begin() + static_cast<std::ptrdiff_t>(at));
  return answered;
}

void send_mark(Connection& c) {
  c.in_flight.push_back(Clock::now());
  ++c.sent;
  send_all(c.fd, kMark, sizeof kMark);
}

int run_marks(std::uint16_t port, std::size_t count, std::size_t depth, std::uint64_t total) {
  const int epoll_fd = epoll_create1(0);
  std::vector<Connection> connections = open_initialised(port, count, epoll_fd);
  std::vector<double> latencies;
  latencies.reserve(total);
  std::vector<epoll_event> events(256);
  std::size_t ready = 0;
  while (ready < count) {
    const int n = epoll_wait(epoll_fd, events.data(), 256, 5000);
    for (int i = 0; i < n; ++i) {
      Connection& c = connections[events[static_cast<std::size_t>(i)].data.u64];
      take_answers(c, latencies);
      if (c.ready) ++ready;
    }
  }
  const Clock::time_point start = Clock::now();
  for (std::size_t i = 0; i < count; ++i) {
    connections[i].quota = total / count + (i < total % count ? 1 : 0);
    for (std::size_t d = 0; d < depth && connections[i].sent < connections[i].quota; ++d) {
      send_mark(connections[i]);
    }
  }
  std::uint64_t answered = 0;
  while (answered < total) {
    const int n = epoll_wait(epoll_fd, events.data(), 256, 5000);
    if (n == 0) {
      std::fprintf(stderr, "no answer for 5 s\n");
      return 1;
    }
    for (int i = 0; i < n; ++i) {
      Connection& c = connections[events[static_cast<std::size_t>(i)].data.u64];
      const std::size_t got = take_answers(c, latencies);
      answered += got;
      for (std::size_t k = 0; k < got && c.sent < c.quota; ++k) send_mark(c);
    }
  }
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  std::printf("%zu connections x %zu in flight: %llu marks in %.3f s = %.0f marks/s; latency "
              "p50 %.0f us, p99 %.0f us, p99.9 %.0f us\n",
              count, depth, static_cast<unsigned long long>(total), seconds,
              static_cast<double>(total) / seconds, percentile(latencies, 0.5),
              percentile(latencies, 0.99), percentile(latencies, 0.999));
  for (const Connection& c : connections) close(c.fd);
  return 0;
}

int run_held(std::uint16_t port, std::size_t count) {
  const int epoll_fd = epoll_create1(0);
  std::vector<Connection> connections = open_initialised(port, count, epoll_fd);
  std::vector<double> latencies;
  std::vector<epoll_event> events(256);
  std::size_t ready = 0;
  while (ready < count) {
    const int n = epoll_wait(epoll_fd, events.data(), 256, 5000);
    if (n == 0) return 1;
    for (int i = 0; i < n; ++i) {
      Connection& c = connections[events[static_cast<std::size_t>(i)].data.u64];
      take_answers(c, latencies);
      if (c.ready) ++ready;
    }
  }
  std::printf("held %zu\n", count);
  std::fflush(stdout);
  std::string line;
  std::getline(std::cin, line);  // the caller measures memory meanwhile
  // A mark on 1,000 of them, one after another.
  for (std::size_t k = 0; k < 1000; ++k) {
    Connection& c = connections[(k * 7919) % count];
    send_mark(c);
    while (take_answers(c, latencies) == 0) {
    }
  }
  std::printf("a mark on a held connection: p50 %.0f us, p99 %.0f us\n", percentile(latencies, 0.5),
              percentile(latencies, 0.99));
  for (const Connection& c : connections) close(c.fd);
  return 0;
}

int run_churn(std::uint16_t port, std::size_t count) {
  const Clock::time_point start = Clock::now();
  for (std::size_t i = 0; i < count; ++i) {
    const int fd = open_connection(port);
    if (i % 2 == 0) {
      send_all(fd, kMark, 10);  // half mid-message
    } else {
      send_all(fd, kInit, sizeof kInit);
    }
    if (i % 4 == 1) {
      linger option{1, 0};  // a quarter by reset
      setsockopt(fd, SOL_SOCKET, SO_LINGER, &option, sizeof option);
    }
    close(fd);
  }
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  std::printf("churn: %zu connections opened and dropped in %.3f s = %.0f a second\n", count,
              seconds, static_cast<double>(count) / seconds);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: serve_load PORT (marks N DEPTH TOTAL | held N | churn N)\n");
    return 2;
  }
  const auto port = static_cast<std::uint16_t>(std::atoi(argv[1]));
  const std::string mode = argv[2];
  const auto n = static_cast<std::size_t>(std::atol(argv[3]));
  if (mode == "marks" && argc >= 6) {
    return run_marks(port, n, static_cast<std::size_t>(std::atol(argv[4])),
                     static_cast<std::uint64_t>(std::atoll(argv[5])));
  }
  if (mode == "held") return run_held(port, n);
  if (mode == "churn") return run_churn(port, n);
  return 2;
}
