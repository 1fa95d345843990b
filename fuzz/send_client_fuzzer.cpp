// SPDX-License-Identifier: MIT
// The automation client fed an injector's bytes cut anywhere, junk
// included, with marks, writes and time passing in between: it must not
// crash, every report must be a whole line, and every mark offered must be
// reported exactly once by the end.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "automation_client.h"
#include "output.h"
#include "send_report.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  scte104::ClientSettings settings;
  settings.window = 1u + (data[0] & 7u);
  settings.complete_timeout_us = (data[0] & 8u) != 0 ? 300'000 : 0;
  settings.renumber = (data[0] & 16u) != 0;
  settings.init = (data[0] & 32u) == 0;
  settings.alive_us = 1'000'000;
  settings.response_timeout_us = 500'000;
  std::string text;
  scte104::Output out([&text](const char* t, std::size_t n) { text.append(t, n); });
  scte104::SendReport report(out, (data[0] & 64u) != 0);
  std::map<std::uint64_t, int> reported;
  scte104::AutomationClient client(settings, [&](const scte104::MarkReport& mark) {
    ++reported[mark.mark];
    report.mark(mark);
  });
  scte104::Instant now{0, 1'796'655'600'000'000};
  client.connected(now);
  std::uint64_t marks = 0;
  std::size_t at = 1;
  while (at < size && client.state() != scte104::ClientState::closed) {
    const std::uint8_t control = data[at++];
    const std::size_t length = std::min<std::size_t>(control & 31u, size - at);
    switch (control >> 5u) {
      case 0:
      case 1:
      case 2:  // bytes from the injector
        client.bytes_read(now, data + at, length);
        at += length;
        break;
      case 3:  // time passes
        now.mono_us += length * 50'000;
        now.wall_us += length * 50'000;
        client.tick(now);
        break;
      case 4:  // a mark of the input
        if (client.wants_mark()) {
          std::vector<std::uint8_t> mark = {0xFF,
                                            0xFF,
                                            0x00,
                                            0x0C,
                                            0,
                                            0,
                                            static_cast<std::uint8_t>(length),
                                            0,
                                            0,
                                            0,
                                            static_cast<std::uint8_t>(length & 3u),
                                            0};
          client.offer_mark(now, ++marks, std::move(mark));
        }
        break;
      case 5: {  // the socket takes some of what is queued
        const std::size_t taken = std::min<std::size_t>(client.pending_size(), length * 4);
        client.handed(taken);
        client.wrote(now, taken);
        break;
      }
      case 6:
        client.input_ended(now);
        break;
      default: {
        const std::size_t taken = client.pending_size();
        client.handed(taken);
        client.wrote(now, taken);
        break;
      }
    }
  }
  client.interrupt(now);
  report.summary();
  out.flush();
  if (reported.size() != marks) std::abort();
  for (const auto& entry : reported) {
    if (entry.second != 1) std::abort();
  }
  if (!text.empty() && text.back() != '\n') std::abort();
  return 0;
}
