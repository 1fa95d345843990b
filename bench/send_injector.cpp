// SPDX-License-Identifier: MIT
// A minimal blocking SCTE 104 injector for measuring --send: listens on
// 127.0.0.1 (port 0: any), prints its port, takes one connection and
// answers every message at once, one write per read: init_response and
// alive_response 100, an inject_response 100 for every queue mark.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

void answer(std::vector<std::uint8_t>& out, unsigned op_id, const std::uint8_t* message,
            int data_byte) {
  const std::uint8_t size = data_byte >= 0 ? 14 : 13;
  const std::uint8_t bytes[14] = {0,
                                  static_cast<std::uint8_t>(op_id),
                                  0,
                                  size,
                                  0,
                                  100,
                                  0xff,
                                  0xff,
                                  0,
                                  0,
                                  message[0] == 0xff ? std::uint8_t{0} : message[10],
                                  0,
                                  0,
                                  static_cast<std::uint8_t>(data_byte)};
  out.insert(out.end(), bytes, bytes + size);
}

}  // namespace

int main() {
  const int listener = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(listener, 1) != 0 ||
      getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    std::perror("listen");
    return 1;
  }
  std::printf("%u\n", ntohs(address.sin_port));
  std::fflush(stdout);
  const int fd = accept(listener, nullptr, nullptr);
  const int on = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  std::vector<std::uint8_t> held;
  std::vector<std::uint8_t> out;
  std::uint8_t buffer[65536];
  for (;;) {
    const ssize_t got = read(fd, buffer, sizeof buffer);
    if (got <= 0) break;
    held.insert(held.end(), buffer, buffer + got);
    std::size_t at = 0;
    out.clear();
    while (held.size() - at >= 4) {
      const std::size_t size = std::size_t{held[at + 2]} << 8u | held[at + 3];
      if (size < 12 || held.size() - at < size) break;
      const std::uint8_t* m = held.data() + at;
      if (m[0] == 0xff && m[1] == 0xff) {
        answer(out, 7, m, m[6]);
      } else if (m[1] == 1) {
        answer(out, 2, m, -1);
      } else if (m[1] == 3) {
        answer(out, 4, m, -1);
      }
      at += size;
    }
    held.erase(held.begin(), held.begin() + static_cast<std::ptrdiff_t>(at));
    if (!out.empty() && write(fd, out.data(), out.size()) < 0) break;
  }
  close(fd);
  return 0;
}
