// SPDX-License-Identifier: MIT
// --send HOST[:PORT] [options] (FILE | -): plays the automation system of
// an SCTE 104 session against an injector. The automation client decides
// what to send and when; this file moves its bytes, reads the input's
// lines, keeps the clocks and writes the reports.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/epoll.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <functional>
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
#include "net/loop.h"
#include "net/socket.h"
#include "option_reader.h"
#include "output.h"
#include "send_report.h"
#include "tcp_connect.h"
#include "transcript.h"

namespace scte104 {
namespace {

// rw-rw-rw- less the umask, as a shell redirection would create the log.
constexpr mode_t kLogFileMode = S_IRUSR | S_IWUSR | S_IRGRP | S_IWGRP | S_IROTH | S_IWOTH;

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

Instant now() { return Instant{monotonic_us(), wall_us()}; }

net::TimePoint time_point(std::int64_t mono_us) {
  return net::TimePoint(std::chrono::microseconds(mono_us));
}

// Calls back when its descriptor has events.
class Watch final : public net::Handler {
 public:
  explicit Watch(std::function<void(std::uint32_t)> f) : mF(std::move(f)) {}
  void on_events(std::uint32_t events) override { mF(events); }

 private:
  std::function<void(std::uint32_t)> mF;
};

// The run once connected. The automation client decides; this class moves
// its bytes through the event loop: the socket's reads and writes, the
// input's lines when the client wants the next mark, its deadline as a
// timer, a signal; at the end of every turn it reads the input up to the
// next mark the client can take, hands what is queued to the socket and
// writes the lines out.
class SendSession {
 public:
  SendSession(const SendOptions& options, TcpConnection& connection, InputFile& input, Output& out,
              Output* log, int signal_fd)
      : mStream(connection.fd),
        mInput(input),
        mOut(out),
        mLog(log),
        mSignalFd(signal_fd),
        mReport(out, options.json_lines),
        mClient(options.client, [this](const MarkReport& mark) { mReport.mark(mark); }),
        mLines([this](char* into, std::size_t size) { return read_input(into, size); }),
        mLive(input.is_live()) {
    connection.fd = -1;  // the stream owns it now
    if (log != nullptr) {
      mTranscript = std::make_unique<Transcript>(*log, connection.local, connection.remote);
    }
  }

  // The exit status, the fatal line written.
  int run() {
    const Instant start = now();
    if (mTranscript) mTranscript->open();
    mClient.connected(start);
    mTimer = mLoop.make_timer([this] { on_deadline(); });
    // The transcript's own checks (an answer 5 s late, 60 s of silence)
    // run on the wall clock.
    mLogTimer = mLoop.make_timer([this] {
      if (mTranscript) mTranscript->tick();
    });
    mLoop.add(mStream.fd(), EPOLLIN, &mSocketWatch);
    mLoop.add(mSignalFd, EPOLLIN, &mSignalWatch);
    mLoop.set_turn_end([this] { turn_end(); });
    turn_end();
    while (!mLoop.stopped()) mLoop.run_once();
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

  // What the kernel took of a send or a flush.
  void taken(const net::Stream::Result& result, const std::uint8_t* bytes) {
    if (result.status == net::Stream::Status::reset ||
        result.status == net::Stream::Status::error) {
      peer_failed(result);
      return;
    }
    if (result.size == 0) return;
    const Instant after = now();
    if (mTranscript) mTranscript->bytes(true, bytes, result.size);
    mClient.wrote(after, result.size);
  }

  void peer_failed(const net::Stream::Result& result) {
    const Instant at = now();
    if (mTranscript) mTranscript->peer_end();
    const bool reset = result.status == net::Stream::Status::reset || result.error == EPIPE;
    mClient.peer_ended(
        at, reset ? PeerEnd::rst : PeerEnd::error,
        reset ? std::string("reset by the injector") : std::string(std::strerror(result.error)));
  }

  void on_socket(std::uint32_t events) {
    if ((events & EPOLLOUT) != 0 && mStream.queued() > 0) {
      const std::uint8_t* bytes = nullptr;
      const net::Stream::Result result = mStream.flush(bytes);
      taken(result, bytes);
    }
    if ((events & (EPOLLIN | EPOLLHUP | EPOLLERR)) == 0 || mPeerDone ||
        mClient.state() == ClientState::closed) {
      return;
    }
    const net::Stream::Result got = mStream.read(mBuffer.data(), mBuffer.size());
    const Instant at = now();
    switch (got.status) {
      case net::Stream::Status::again:
        return;
      case net::Stream::Status::end:
        mPeerDone = true;
        if (mTranscript) mTranscript->peer_end();
        mClient.peer_ended(at, PeerEnd::fin, "closed by the injector");
        return;
      case net::Stream::Status::reset:
      case net::Stream::Status::error:
        mPeerDone = true;
        peer_failed(got);
        return;
      case net::Stream::Status::done:
        break;
    }
    if (mTranscript) mTranscript->bytes(false, mBuffer.data(), got.size);
    mClient.bytes_read(at, mBuffer.data(), got.size);
    note_problem();
  }

  void on_signal() {
    const int signal_number = net::read_signal(mSignalFd);
    if (signal_number == 0) return;
    if (mSignal != 0) {  // a second one: stop draining at once
      mDrainCut = true;
      return;
    }
    mSignal = signal_number;
    mClient.interrupt(now());
  }

  void on_deadline() {
    const Instant at = now();
    if (mDraining) {
      mDrainCut = true;
      return;
    }
    if (mTranscript) mTranscript->tick();
    mClient.tick(at);
    note_problem();
  }

  void note_problem() {
    if (mTranscript && mClient.live_problem()) mTranscript->problem(*mClient.live_problem());
  }

  // The end of every turn: next marks, bytes out, lines out, what to
  // watch and when to wake.
  void turn_end() {
    if (mDraining) {
      if (mStream.queued() == 0 || mDrainCut) mLoop.stop();
      flush_outputs();
      return;
    }
    if (mClient.state() != ClientState::closed) read_marks();
    if (mClient.pending_size() > 0 && !mPeerDone) {
      const std::size_t size = mClient.pending_size();
      const std::uint8_t* bytes = nullptr;
      const net::Stream::Result result = mStream.send(mClient.pending_data(), size, bytes);
      mClient.handed(size);
      taken(result, bytes);
    }
    if (mClient.wants_fin() && mStream.queued() == 0 && !mFinSent) {
      mStream.shutdown_write();
      mFinSent = true;
    }
    flush_outputs();
    if (mClient.state() == ClientState::closed) {
      if (mClient.end() == ClientEnd::interrupted && mStream.queued() > 0 && !mDrainCut) {
        // Queued bytes get a second to leave; a second signal cuts it.
        mDraining = true;
        mLoop.arm(mTimer, time_point(monotonic_us() + kDrainUs));
        mLoop.modify(mStream.fd(), EPOLLOUT, &mSocketWatch);
        return;
      }
      mLoop.stop();
      return;
    }
    std::uint32_t events = mPeerDone ? 0u : static_cast<std::uint32_t>(EPOLLIN);
    if (mStream.queued() > 0) events |= EPOLLOUT;
    if (events != mSocketEvents) {
      mLoop.modify(mStream.fd(), events, &mSocketWatch);
      mSocketEvents = events;
    }
    const bool watch_input = mLive && mClient.wants_mark() && !mInputReadable;
    if (watch_input != mWatchingInput) {
      if (watch_input) {
        mLoop.add(mInput.fd(), EPOLLIN, &mInputWatch);
      } else {
        mLoop.remove(mInput.fd(), &mInputWatch);
      }
      mWatchingInput = watch_input;
    }
    if (const auto deadline = mClient.next_deadline()) {
      mLoop.arm(mTimer, time_point(*deadline));
    } else {
      mLoop.disarm(mTimer);
    }
    if (const auto wall = mTranscript ? mTranscript->next_deadline_wall_us() : std::nullopt) {
      mLoop.arm(mLogTimer,
                time_point(monotonic_us() + std::max<std::int64_t>(0, *wall - wall_us())));
    } else {
      mLoop.disarm(mLogTimer);
    }
  }

  void finish() {
    if (mWatchingInput) mLoop.remove(mInput.fd(), &mInputWatch);
    mLoop.remove(mStream.fd(), &mSocketWatch);
    mStream.close();
    if (mTranscript) {
      mTranscript->close(mClient.close_info(), mClient.end() == ClientEnd::interrupted);
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

  net::Loop mLoop;
  net::Stream mStream;
  InputFile& mInput;
  Output& mOut;
  Output* mLog;
  int mSignalFd;
  SendReport mReport;
  AutomationClient mClient;
  ByteSource mSource = mInput.source();
  LineReader mLines;
  std::unique_ptr<Transcript> mTranscript;
  std::array<std::uint8_t, kReadSize> mBuffer{};
  net::Loop::TimerId mTimer = 0;
  net::Loop::TimerId mLogTimer = 0;
  Watch mSocketWatch{[this](std::uint32_t events) { on_socket(events); }};
  Watch mSignalWatch{[this](std::uint32_t) { on_signal(); }};
  Watch mInputWatch{[this](std::uint32_t) { mInputReadable = true; }};
  std::uint32_t mSocketEvents = EPOLLIN;
  bool mLive;
  bool mInputReadable = false;
  bool mWatchingInput = false;
  bool mFinSent = false;
  bool mPeerDone = false;
  bool mDraining = false;
  bool mDrainCut = false;
  int mSignal = 0;
  std::uint64_t mLineNumber = 0;
};

}  // namespace

int run_send_mode(const char* /*progname*/, int argc, char** argv, int at) {
  const SendOptions options = read_send_options(argc, argv, at);
  // SIGPIPE ignored: a write to a closed socket is an error like any other.
  signal(SIGPIPE, SIG_IGN);
  const int signal_fd = net::signal_descriptor({SIGINT, SIGTERM});
  InputFile input(options.input);
  if (!input.is_open()) return kCannotOpenStatus;
  std::unique_ptr<Output> log;
  int log_fd = -1;
  if (options.log != nullptr) {
    log_fd = open(options.log, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, kLogFileMode);
    if (log_fd < 0) {
      report_error(std::string("Cannot open ") + options.log + ": " + std::strerror(errno));
      return kCannotOpenStatus;
    }
    log = std::make_unique<Output>(descriptor_sink(log_fd, options.log));
  }
  Output out(descriptor_sink(STDOUT_FILENO, "standard output"));
  TcpConnection connection = tcp_connect(options.peer, options.connect_timeout_ms, signal_fd);
  int status = 0;
  if (connection.interrupted) {
    // Nothing was sent: the summary of no marks.
    SendReport report(out, options.json_lines);
    report.summary();
    out.flush();
    status = 128 + net::read_signal(signal_fd);
  } else if (connection.fd < 0) {
    report_error("cannot connect to " + to_string(options.peer) + ": " + connection.error);
    status = 1;
  } else {
    SendSession session(options, connection, input, out, log.get(), signal_fd);
    status = session.run();
  }
  if (log_fd >= 0) ::close(log_fd);
  return status;
}

}  // namespace scte104
