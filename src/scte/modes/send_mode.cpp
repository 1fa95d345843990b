// SPDX-License-Identifier: MIT
// --send HOST[:PORT] [options] (FILE | -): plays the automation system of
// an SCTE 104 session against an injector. The automation client decides
// what to send and when; this file moves its bytes, reads the input's
// lines, keeps the clocks and writes the reports.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "automation_client.h"
#include "cli.h"
#include "host_port.h"
#include "input_file.h"
#include "line_reader.h"
#include "mark_line.h"
#include "modes.h"
#include "option_reader.h"
#include "output.h"
#include "send_report.h"
#include "tcp_connect.h"
#include "transcript.h"

namespace scte104 {
namespace {

// The injector's port in the standard.
constexpr std::uint16_t kInjectorPort = 5167;
// After a signal: how long queued bytes may take to leave.
constexpr std::int64_t kDrainUs = 1'000'000;
constexpr std::size_t kReadSize = 65536;

struct SendOptions {
  HostPort peer;
  bool json_lines = false;
  const char* log = nullptr;
  ClientSettings client;
  std::int64_t connect_timeout_ms = 5000;
  const char* input = nullptr;
};

std::int64_t duration_us(std::string_view option, std::string_view value, bool zero_allowed) {
  const std::uint64_t ms = parse_duration_option(option, value);
  if (ms == 0 && !zero_allowed) {
    bad_option_value(option, value, "a duration above 0 such as 250ms or 5s, at most 86400s");
  }
  return static_cast<std::int64_t>(ms) * 1000;
}

SendOptions read_send_options(int argc, char** argv, int at) {
  SendOptions options;
  if (at >= argc || argv[at] == nullptr) throw MissingOptionValue("--send needs a value");
  options.peer = parse_host_port("--send", argv[at], kInjectorPort);
  ClientSettings& c = options.client;
  const OptionTable table = {
      {"--json-lines", false, false, [&](std::string_view) { options.json_lines = true; }},
      {"--log", true, false, [&](std::string_view v) { options.log = v.data(); }},
      {"--interval", true, false,
       [&](std::string_view v) { c.interval_us = duration_us("--interval", v, true); }},
      {"--window", true, false,
       [&](std::string_view v) {
         c.window = static_cast<unsigned>(
             parse_decimal_option("--window", v, 1, 255, "a number from 1 to 255"));
       }},
      {"--renumber", false, false, [&](std::string_view) { c.renumber = true; }},
      {"--no-init", false, false, [&](std::string_view) { c.init = false; }},
      {"--alive", true, false,
       [&](std::string_view v) { c.alive_us = duration_us("--alive", v, true); }},
      {"--alive-time", true, false,
       [&](std::string_view v) {
         if (v != "on" && v != "off") bad_option_value("--alive-time", v, "on or off");
         c.alive_time = v == "on";
       }},
      {"--response-timeout", true, false,
       [&](std::string_view v) {
         c.response_timeout_us = duration_us("--response-timeout", v, false);
       }},
      {"--complete-timeout", true, false,
       [&](std::string_view v) {
         c.complete_timeout_us = duration_us("--complete-timeout", v, true);
       }},
      {"--connect-timeout", true, false,
       [&](std::string_view v) {
         options.connect_timeout_ms = duration_us("--connect-timeout", v, false) / 1000;
       }},
      {"--as-index", true, false,
       [&](std::string_view v) {
         c.as_index = static_cast<std::uint8_t>(
             parse_decimal_option("--as-index", v, 0, 255, "a number from 0 to 255"));
       }},
      {"--dpi-pid-index", true, false,
       [&](std::string_view v) {
         c.dpi_pid_index = static_cast<std::uint16_t>(
             parse_decimal_option("--dpi-pid-index", v, 0, 65535, "a number from 0 to 65535"));
       }},
      {"--leap-seconds", true, false,
       [&](std::string_view v) {
         c.leap_seconds = static_cast<std::uint8_t>(
             parse_decimal_option("--leap-seconds", v, 0, 255, "a number from 0 to 255"));
       }},
  };
  const std::vector<const char*> inputs = read_options_and_inputs(argc, argv, at + 1, table);
  if (inputs.empty()) throw OptionError("--send needs an input: FILE, or - for standard input");
  if (inputs.size() > 1) {
    throw OptionError(std::string("--send reads one input, not also \"") + inputs[1] + "\"");
  }
  options.input = inputs[0];
  return options;
}

// SIGINT and SIGTERM arrive through a descriptor the loop polls; SIGPIPE is
// ignored, so a write to a closed socket is an error like any other.
class Signals {
 public:
  Signals() {
    signal(SIGPIPE, SIG_IGN);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigprocmask(SIG_BLOCK, &set, nullptr);
    mFd = signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
  }
  Signals(const Signals&) = delete;
  Signals& operator=(const Signals&) = delete;
  ~Signals() {
    if (mFd >= 0) ::close(mFd);
  }
  int fd() const { return mFd; }
  // The signal that came, 0 for none.
  int take() {
    signalfd_siginfo info{};
    if (read(mFd, &info, sizeof info) != static_cast<ssize_t>(sizeof info)) return 0;
    return static_cast<int>(info.ssi_signo);
  }

 private:
  int mFd = -1;
};

Instant now() { return Instant{monotonic_us(), wall_us()}; }

// The run once connected: one turn of the loop reads the input up to the
// next mark the client can take, writes what is queued, waits for the
// socket, the input, a signal or the next deadline, and hands on what came.
class SendSession {
 public:
  SendSession(const SendOptions& options, TcpConnection& connection, InputFile& input,
              Output& out, Output* log, Signals& signals)
      : mConnection(connection),
        mInput(input),
        mOut(out),
        mSignals(signals),
        mReport(out, options.json_lines),
        mClient(options.client, [this](const MarkReport& mark) { mReport.mark(mark); }),
        mLines([this](char* into, std::size_t size) { return read_input(into, size); }),
        mLive(input.is_live()) {
    if (log != nullptr) {
      mTranscript = std::make_unique<Transcript>(*log, connection.local, connection.remote);
    }
    mLog = log;
  }

  // The exit status, the fatal line written.
  int run() {
    const Instant start = now();
    if (mTranscript) mTranscript->open(start.wall_us);
    mClient.connected(start);
    while (mClient.state() != ClientState::closed) turn();
    finish();
    return status();
  }

 private:
  std::size_t read_input(char* into, std::size_t size) {
    if (mLive && !mInputReadable) return LineReader::kNothingYet;
    mInputReadable = false;
    return mSource(into, size);
  }

  void read_marks() {
    std::string_view line;
    std::vector<std::uint8_t> mark;
    std::string error;
    while (mClient.wants_mark()) {
      const LineReader::Next next = mLines.try_next(line);
      if (next == LineReader::Next::nothing_yet) return;
      if (next == LineReader::Next::end) {
        mClient.input_ended(now());
        return;
      }
      ++mLineNumber;
      switch (read_mark_line(line, mark, error)) {
        case MarkLineKind::skip:
          break;
        case MarkLineKind::error:
          mReport.error_line(mLineNumber, error);
          break;
        case MarkLineKind::mark:
          mClient.offer_mark(now(), mLineNumber, std::move(mark));
          mark.clear();
          break;
      }
    }
  }

  // One write of everything queued; true when it all left.
  bool write_pending() {
    while (mClient.pending_size() > 0) {
      const ssize_t wrote = send(mConnection.fd, mClient.pending_data(), mClient.pending_size(),
                                 MSG_NOSIGNAL);
      if (wrote < 0) {
        if (errno == EINTR) continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) return false;
        peer_failed(errno);
        return false;
      }
      const Instant after = now();
      if (mTranscript) {
        mTranscript->bytes(after.wall_us, true, mClient.pending_data(),
                           static_cast<std::size_t>(wrote));
      }
      mClient.wrote(after, static_cast<std::size_t>(wrote));
    }
    return true;
  }

  void peer_failed(int error) {
    const Instant at = now();
    if (mTranscript) mTranscript->peer_end(at.wall_us);
    const bool reset = error == ECONNRESET || error == EPIPE;
    mClient.peer_ended(at, reset ? PeerEnd::rst : PeerEnd::error,
                       reset ? std::string("reset by the injector") : std::strerror(error));
  }

  void read_socket() {
    std::uint8_t buffer[kReadSize];
    const ssize_t got = recv(mConnection.fd, buffer, sizeof buffer, 0);
    if (got < 0) {
      if (errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK) peer_failed(errno);
      return;
    }
    const Instant at = now();
    if (got == 0) {
      if (mTranscript) mTranscript->peer_end(at.wall_us);
      mClient.peer_ended(at, PeerEnd::fin, "closed by the injector");
      mPeerDone = true;
      return;
    }
    if (mTranscript) mTranscript->bytes(at.wall_us, false, buffer, static_cast<std::size_t>(got));
    mClient.bytes_read(at, buffer, static_cast<std::size_t>(got));
    if (mTranscript && mClient.live_problem()) {
      mTranscript->problem(at.wall_us, *mClient.live_problem());
    }
  }

  void turn() {
    read_marks();
    const bool all_written = write_pending();
    if (mClient.state() == ClientState::closed) return;
    if (all_written && mClient.wants_fin() && !mFinSent) {
      shutdown(mConnection.fd, SHUT_WR);
      mFinSent = true;
    }
    flush_outputs();
    int timeout = -1;
    if (const auto deadline = mClient.next_deadline()) {
      const std::int64_t left = *deadline - monotonic_us();
      timeout = left <= 0 ? 0 : static_cast<int>((left + 999) / 1000);
    }
    pollfd fds[3] = {{mConnection.fd, static_cast<short>(mPeerDone ? 0 : POLLIN), 0},
                     {mSignals.fd(), POLLIN, 0},
                     {-1, POLLIN, 0}};
    if (!all_written) fds[0].events = static_cast<short>(fds[0].events | POLLOUT);
    if (mLive && mClient.wants_mark()) fds[2].fd = mInput.fd();
    if (poll(fds, 3, timeout) < 0 && errno != EINTR) {
      throw std::runtime_error(std::string("poll: ") + std::strerror(errno));
    }
    if ((fds[1].revents & POLLIN) != 0) {
      mSignal = mSignals.take();
      if (mSignal != 0) {
        mClient.interrupt(now());
        return;
      }
    }
    if ((fds[2].revents & (POLLIN | POLLHUP | POLLERR)) != 0) mInputReadable = true;
    if ((fds[0].revents & (POLLIN | POLLHUP | POLLERR)) != 0 && !mPeerDone) read_socket();
    if (mClient.state() == ClientState::closed) return;
    const Instant at = now();
    if (mTranscript) mTranscript->tick(at.wall_us);
    mClient.tick(at);
    if (mTranscript && mClient.live_problem()) {
      mTranscript->problem(at.wall_us, *mClient.live_problem());
    }
  }

  // After a signal, what is queued gets a second to leave; a second
  // signal cuts it short.
  void drain() {
    const std::int64_t until = monotonic_us() + kDrainUs;
    while (mClient.pending_size() > 0) {
      if (write_pending()) break;
      const std::int64_t left = until - monotonic_us();
      if (left <= 0) break;
      pollfd fds[2] = {{mConnection.fd, POLLOUT, 0}, {mSignals.fd(), POLLIN, 0}};
      poll(fds, 2, static_cast<int>((left + 999) / 1000));
      if ((fds[1].revents & POLLIN) != 0 && mSignals.take() != 0) break;
    }
  }

  void finish() {
    if (mClient.end() == ClientEnd::interrupted) drain();
    const Instant at = now();
    ::close(mConnection.fd);
    mConnection.fd = -1;
    if (mTranscript) {
      mTranscript->close(at.wall_us, mClient.close_info(),
                         mClient.end() == ClientEnd::interrupted);
    }
    if (mClient.end() != ClientEnd::init_failed) mReport.summary();
    flush_outputs();
  }

  void flush_outputs() {
    mOut.flush();
    if (mLog != nullptr) mLog->flush();
  }

  int status() const {
    switch (mClient.end()) {
      case ClientEnd::interrupted:
        return 128 + mSignal;
      case ClientEnd::init_failed:
      case ClientEnd::lost:
      case ClientEnd::dropped:
        report_error(mClient.fatal_text());
        return 1;
      case ClientEnd::input_done:
        break;
    }
    return mReport.all_accepted() ? 0 : 3;
  }

  TcpConnection& mConnection;
  InputFile& mInput;
  Output& mOut;
  Output* mLog = nullptr;
  Signals& mSignals;
  SendReport mReport;
  AutomationClient mClient;
  ByteSource mSource = mInput.source();
  LineReader mLines;
  std::unique_ptr<Transcript> mTranscript;
  bool mLive;
  bool mInputReadable = false;
  bool mFinSent = false;
  bool mPeerDone = false;
  int mSignal = 0;
  std::uint64_t mLineNumber = 0;
};

}  // namespace

int run_send_mode(const char* /*progname*/, int argc, char** argv, int at) {
  const SendOptions options = read_send_options(argc, argv, at);
  Signals signals;
  InputFile input(options.input);
  if (!input.is_open()) return kCannotOpenStatus;
  std::unique_ptr<Output> log;
  int log_fd = -1;
  if (options.log != nullptr) {
    log_fd = open(options.log, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (log_fd < 0) {
      report_error(std::string("Cannot open ") + options.log + ": " + std::strerror(errno));
      return kCannotOpenStatus;
    }
    log = std::make_unique<Output>(descriptor_sink(log_fd, options.log));
  }
  Output out(descriptor_sink(STDOUT_FILENO, "standard output"));
  TcpConnection connection = tcp_connect(options.peer, options.connect_timeout_ms, signals.fd());
  int status = 0;
  if (connection.interrupted) {
    // Nothing was sent: the summary of no marks.
    SendReport report(out, options.json_lines);
    report.summary();
    out.flush();
    status = 128 + signals.take();
  } else if (connection.fd < 0) {
    report_error("cannot connect to " + to_string(options.peer) + ": " + connection.error);
    status = 1;
  } else {
    SendSession session(options, connection, input, out, log.get(), signals);
    status = session.run();
  }
  if (log_fd >= 0) ::close(log_fd);
  return status;
}

}  // namespace scte104
