// SPDX-License-Identifier: MIT
// The automation client on a fake clock: each case is a script of events
// (connect, bytes read, writes, time passing, marks, the input's end, the
// peer's end, a signal) and what must come out: the writes, decoded, the
// mark reports in the order they settle, and the state with its next
// deadline, or once closed who closed and why.
#include "automation_client.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "samples.h"

namespace {

using scte104::AutomationClient;
using scte104::ClientSettings;
using scte104::Instant;
using scte104::MarkReport;
using scte104::MarkStatus;

constexpr std::int64_t kWallBase = 1'796'655'600'000'000;  // 2026-12-07T15:00:00Z

using samples::hex;

std::string number_hex(unsigned value, int digits) {
  char text[8];
  std::snprintf(text, sizeof text, "%0*x", digits, value);
  return text;
}

// A 12-byte queue mark with that message_number and time_type.
std::string mark_hex(unsigned number, unsigned time_type) {
  return "ffff000c0000" + number_hex(number, 2) + "000000" + number_hex(time_type, 2) + "00";
}

// A response from the injector: opID, result, data.
std::string response_hex(unsigned op_id, unsigned result, const std::string& data) {
  return number_hex(op_id, 4) + number_hex(13 + static_cast<unsigned>(data.size() / 2), 4) +
         number_hex(result, 4) + "ffff000001" + "0000" + data;
}

// The bytes written, one message at a time: "init1", "alive2" (with time()
// "alive2t"), "m21" for a mark, raw hex for anything else.
std::string decode_writes(const std::vector<std::uint8_t>& bytes) {
  std::string text;
  std::size_t at = 0;
  while (at + 4 <= bytes.size()) {
    const std::size_t size = std::size_t{bytes[at + 2]} << 8u | bytes[at + 3];
    if (size < 12 || at + size > bytes.size()) break;
    const std::uint8_t* m = bytes.data() + at;
    const std::string header = hex(m, 9);
    if (!text.empty()) text += ' ';
    if (m[0] == 0xff && m[1] == 0xff) {
      text += "m" + number_hex(m[6], 2);
    } else if (header == "0001000dffffffff00" && size == 13) {
      text +=
          "init" + std::to_string(m[10]) + (hex(m + 9, 1) + hex(m + 11, 2) == "000000" ? "" : "?");
    } else if ((header == "0003000dffffffff00" && size == 13) ||
               (header == "00030015ffffffff00" && size == 21)) {
      text += "alive" + std::to_string(m[10]) + (size == 21 ? "t" : "");
    } else {
      text += hex(m, size);
    }
    at += size;
  }
  if (at < bytes.size())
    text += (text.empty() ? "" : " ") + hex(bytes.data() + at, bytes.size() - at);
  return text;
}

std::string describe(const MarkReport& r) {
  static const char* const names[] = {"accepted", "refused", "no_response", "not_sent",
                                      "interrupted"};
  std::ostringstream out;
  out << r.mark << "/" << r.line << " #" << number_hex(r.message_number, 2) << " "
      << names[static_cast<int>(r.status)];
  if (r.time_us) out << " @" << (*r.time_us - kWallBase) / 1000;
  if (r.result) out << " " << *r.result << " " << *r.latency_us;
  if (r.complete) {
    out << " c" << r.complete->result << "/" << unsigned{r.complete->cue_message_count} << " "
        << r.complete->latency_us;
  }
  return out.str();
}

ClientSettings settings_of(const std::string& text) {
  ClientSettings settings;
  std::istringstream words(text);
  std::string word;
  while (words >> word) {
    const std::size_t eq = word.find('=');
    const std::string key = word.substr(0, eq);
    const std::int64_t value = eq == std::string::npos ? 0 : std::stoll(word.substr(eq + 1));
    if (key == "window") settings.window = static_cast<unsigned>(value);
    if (key == "interval") settings.interval_us = value * 1000;
    if (key == "complete") settings.complete_timeout_us = value * 1000;
    if (key == "alive") settings.alive_us = value * 1000;
    if (key == "response") settings.response_timeout_us = value * 1000;
    if (key == "renumber") settings.renumber = true;
    if (key == "notime") settings.alive_time = false;
    if (key == "noinit") settings.init = false;
  }
  return settings;
}

struct ClientCase {
  const char* name;
  const char* settings;
  const char* script;
  const char* writes;   // " | " between writes
  const char* reports;  // "; " between reports
  const char* outcome;  // state, then the next deadline in ms or the fatal text
};

// Script words: c connect; w write all pending (wN: N bytes); +N N ms pass;
// mXX / uXX / gXX a mark numbered XX timed immediately / by UTC / by GPI;
// e the input ends; i (iRRR) init_response 100 (RRR); rXX (rXX:RRR)
// inject_response; kXX (kXX:RRR) inject_complete_response, 1 cue message;
// v alive_response; bHEX raw bytes read; f the peer's FIN; x a reset; s a signal;
// aN N marks sent and answered at once, neither writes nor reports kept.
const ClientCase kCases[] = {
    {"handshake_then_end", "", "c w i e w +1 f", "init1", "",
     "closed input_done (automation fin end)"},
    {"no_init_marks_at_once", "noinit", "c m21 w r21 e", "m21", "1/1 #21 accepted @0 100 0",
     "ending next 1000"},
    {"init_refused", "", "c w i110", "init1", "",
     "closed init_failed (automation fin init_refused): init refused: 110 Injector in use"},
    {"init_unanswered", "response=200", "c w +199 +1", "init1", "",
     "closed init_failed (automation fin init_refused): init refused: no init_response in 200ms"},
    {"init_closed", "", "c w f", "init1", "",
     "closed init_failed (injector fin -): init refused: connection closed"},
    {"stop_and_wait", "", "c w i m21 m22 w +2 r21 w +3 r22 e", "init1 | m21 | m22",
     "1/1 #21 accepted @0 100 2000; 2/2 #22 accepted @2 100 3000", "ending next 1005"},
    {"window_full_then_freed", "window=2", "c w i m01 m02 m03 w r02 w r01 r03",
     "init1 | m01 m02 | m03",
     "2/2 #02 accepted @0 100 0; 1/1 #01 accepted @0 100 0; 3/3 #03 accepted @0 100 0",
     "ready next 60000"},
    {"number_in_flight_holds_mark", "window=4", "c w i m05 m05 w r05 w", "init1 | m05 | m05",
     "1/1 #05 accepted @0 100 0", "ready next 5000"},
    {"refused_and_late_answer_ignored", "response=100",
     "c w i m07 w +100 w v m08 w r07:122 r08:122", "init1 | m07 | alive2t | m08",
     "1/1 #07 no_response @0; 2/2 #08 refused @100 122 0", "ready next 60100"},
    {"late_answer_goes_to_next_with_number", "response=100", "c w i m07 w +100 w v m07 w r07",
     "init1 | m07 | alive2t | m07", "1/1 #07 no_response @0; 2/2 #07 accepted @100 100 0",
     "ready next 60100"},
    {"interval_spaces_writes", "window=8 interval=50", "c w i m01 m02 w +10 w +40 w r01 r02",
     "init1 | m01 | m02", "1/1 #01 accepted @0 100 50000; 2/2 #02 accepted @50 100 0",
     "ready next 60050"},
    {"nothing_due", "alive=0", "c w i", "init1", "", "ready"},
    {"interval_is_the_next_deadline", "window=8 interval=50", "c w i m01 m02 w +10", "init1 | m01",
     "", "ready next 50"},
    {"renumber_wraps_at_256", "renumber window=2", "c w i a255 m99 m99 w r00 r01",
     "init1 | m00 m01", "256/256 #00 accepted @0 100 0; 257/257 #01 accepted @0 100 0",
     "ready next 60000"},
    {"alive_after_silence", "alive=1000", "c w i +999 +1 w +5 v", "init1 | alive2t", "",
     "ready next 2005"},
    {"alive_without_time", "alive=1000 notime", "c w i +1000 w", "init1 | alive2", "",
     "probing next 6000"},
    {"alive_before_first_utc_mark", "", "c w i u21 w v w r21 u22 w", "init1 | alive2t | m21 | m22",
     "1/1 #21 accepted @0 100 0", "ready next 5000"},
    {"no_alive_before_gpi_mark", "", "c w i g21 w", "init1 | m21", "", "ready next 5000"},
    {"alive_unanswered_drops", "response=100", "c w i m21 w +100 w +100", "init1 | m21 | alive2t",
     "1/1 #21 no_response @0",
     "closed dropped (automation fin no_alive_response): no alive_response in 100ms: connection "
     "dropped"},
    {"completion_awaited", "complete=300 window=1", "c w i +5 m21 m22 w +1 r21 w +2 k21 +4 r22",
     "init1 | m21 | m22", "1/1 #21 accepted @5 100 1000 c100/1 3000", "ready next 312"},
    {"completion_refused", "complete=300", "c w i m21 w r21 k21:120", "init1 | m21",
     "1/1 #21 refused @0 100 0 c120/1 0", "ready next 60000"},
    {"completion_missing", "complete=300", "c w i m21 w +1 r21 +300", "init1 | m21",
     "1/1 #21 no_response @0 100 1000", "ready next 60001"},
    {"lost_with_marks_in_flight_and_held", "window=1", "c w i m21 w m22 x", "init1 | m21",
     "1/1 #21 no_response @0; 2/2 #22 not_sent",
     "closed lost (injector rst -): connection lost: reset"},
    {"signal_interrupts", "window=2", "c w i m21 m22 w r22 m23 m24 s", "init1 | m21 m22",
     "2/2 #22 accepted @0 100 0; 1/1 #21 interrupted @0; 3/3 #23 interrupted; 4/4 #24 not_sent",
     "closed interrupted (automation fin shutdown)"},
    {"answer_split_byte_by_byte", "",
     "c w i m21 w b00 b07 b00 b0e b00 b64 bff bff b00 b00 b00 b00 b00 +7 b21", "init1 | m21",
     "1/1 #21 accepted @0 100 7000", "ready next 60007"},
    {"stalled_answer", "", "c w i m21 w +1 b0007000e +5000", "init1 | m21",
     "1/1 #21 no_response @0",
     "closed lost (automation fin stalled): connection lost: stalled (a message not whole 5s after "
     "its first byte)"},
    {"framing_lost_settles_flights", "", "c w i m21 w b00070002", "init1 | m21",
     "1/1 #21 no_response @0",
     "closed lost (automation fin framing_lost): connection lost: framing_lost (messageSize 2)"},
    {"probing_with_a_mark_in_flight", "alive=1000 notime", "c w i m21 w +1000 w",
     "init1 | m21 | alive2", "", "probing next 5000"},
    {"probing_until_alive_response", "alive=1000 notime", "c w i m21 w +1000 w r21",
     "init1 | m21 | alive2", "1/1 #21 accepted @0 100 1000000", "probing next 6000"},
    {"oversized_answer", "", "c w i b00072001", "init1", "",
     "closed lost (automation fin oversized): connection lost: oversized (messageSize 8193)"},
    {"partial_write_starts_latency_late", "", "c w i m21 w5 +3 w +1 r21",
     "init1 | ffff000c00 | 00210000000000", "1/1 #21 accepted @3 100 1000", "ready next 60004"},
};

std::string run(const ClientCase& c, std::string& writes) {
  std::vector<std::string> reports;
  AutomationClient client(settings_of(c.settings),
                          [&reports](const MarkReport& r) { reports.push_back(describe(r)); });
  std::int64_t ms = 0;
  std::uint64_t line = 0;
  const auto now = [&ms] { return Instant{ms * 1000, kWallBase + ms * 1000}; };
  const auto read = [&](const std::string& hex) {
    const std::vector<std::uint8_t> bytes = samples::bytes(hex);
    client.bytes_read(now(), bytes.data(), bytes.size());
  };
  std::istringstream words(c.script);
  std::string w;
  while (words >> w) {
    const char kind = w[0];
    const std::string arg = w.substr(1);
    const std::size_t colon = arg.find(':');
    const unsigned number =
        arg.empty() ? 0 : static_cast<unsigned>(std::stoul(arg.substr(0, 2), nullptr, 16));
    const unsigned result =
        colon == std::string::npos ? 100 : static_cast<unsigned>(std::stoul(arg.substr(colon + 1)));
    if (kind == 'c') client.connected(now());
    if (kind == 'w') {
      std::size_t size = client.pending_size();
      if (!arg.empty()) size = std::min<std::size_t>(size, std::stoul(arg));
      if (size == 0) continue;
      const std::vector<std::uint8_t> bytes(client.pending_data(), client.pending_data() + size);
      if (!writes.empty()) writes += " | ";
      writes += decode_writes(bytes);
      client.handed(size);
      client.wrote(now(), size);
    }
    if (kind == '+') {
      ms += std::stoll(arg);
      client.tick(now());
    }
    if (kind == 'm' || kind == 'u' || kind == 'g') {
      const unsigned time_type = kind == 'm' ? 0 : kind == 'u' ? 1 : 3;
      EXPECT_TRUE(client.wants_mark()) << c.name << ": " << w;
      client.offer_mark(now(), ++line, samples::bytes(mark_hex(number, time_type)));
    }
    if (kind == 'e') client.input_ended(now());
    if (kind == 'i')
      read(response_hex(2, arg.empty() ? 100 : static_cast<unsigned>(std::stoul(arg)), ""));
    if (kind == 'r') read(response_hex(7, result, number_hex(number, 2)));
    if (kind == 'k') read(response_hex(8, result, number_hex(number, 2) + "01"));
    if (kind == 'v') read(response_hex(4, 100, ""));
    if (kind == 'b') read(arg);
    if (kind == 'f') client.peer_ended(now(), scte104::PeerEnd::fin, "closed by the injector");
    if (kind == 'x') client.peer_ended(now(), scte104::PeerEnd::rst, "reset");
    if (kind == 's') client.interrupt(now());
    for (int i = kind == 'a' ? std::stoi(arg) : 0; i > 0; --i) {
      client.offer_mark(now(), ++line, samples::bytes(mark_hex(0x99, 0)));
      const unsigned sent = client.pending_data()[6];
      const std::size_t size = client.pending_size();
      client.handed(size);
      client.wrote(now(), size);
      read(response_hex(7, 100, number_hex(sent, 2)));
      if (i == 1) reports.clear();
    }
  }
  std::string outcome;
  static const char* const states[] = {"connecting", "await_init", "ready",
                                       "probing",    "ending",     "closed"};
  static const char* const ends[] = {"input_done", "init_failed", "lost", "dropped", "interrupted"};
  outcome = states[static_cast<int>(client.state())];
  if (client.state() == scte104::ClientState::closed) {
    outcome += std::string(" ") + ends[static_cast<int>(client.end())];
    const scte104::CloseInfo close = client.close_info();
    static const char* const hows[] = {"fin", "rst", "error"};
    outcome += std::string(" (") + (close.by_injector ? "injector " : "automation ") +
               hows[static_cast<int>(close.how)] + " " + (close.reason ? close.reason : "-") + ")";
    if (!client.fatal_text().empty()) outcome += ": " + client.fatal_text();
  } else if (const auto next = client.next_deadline()) {
    outcome += " next " + std::to_string(*next / 1000);
  }
  std::string joined;
  for (const std::string& r : reports) joined += (joined.empty() ? "" : "; ") + r;
  return joined + "\n" + outcome;
}

TEST(automation_client, event_table) {
  for (const ClientCase& c : kCases) {
    std::string writes;
    const std::string got = run(c, writes);
    EXPECT_EQ(writes, c.writes) << c.name;
    EXPECT_EQ(got, std::string(c.reports) + "\n" + c.outcome) << c.name;
  }
}

// The requests byte for byte: AS_index and DPI_PID_index from the options,
// time() counted from 1980-01-06 plus the leap seconds.
TEST(automation_client, request_bytes) {
  ClientSettings settings;
  settings.as_index = 0x12;
  settings.dpi_pid_index = 0x3456;
  settings.alive_us = 1'000'000;
  AutomationClient client(settings, [](const MarkReport&) {});
  // 2026-12-07T15:00:00.250000Z: 1,796,655,600 s of Unix time.
  Instant now{0, kWallBase + 250'000};
  client.connected(now);
  EXPECT_EQ(hex(client.pending_data(), client.pending_size()), "0001000dffffffff0012013456");
  client.handed(client.pending_size());
  client.wrote(now, 13);
  const std::vector<std::uint8_t> ok = samples::bytes(response_hex(2, 128, ""));
  client.bytes_read(now, ok.data(), ok.size());
  now.mono_us += 1'000'000;
  client.tick(now);
  // 1,796,655,600 - 315,964,800 + 18 = 1,480,684,418 = 0x58418c82.
  EXPECT_EQ(hex(client.pending_data(), client.pending_size()),
            "00030015ffffffff001202345658418c820003d090");
}

}  // namespace
