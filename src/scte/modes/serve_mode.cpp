// SPDX-License-Identifier: MIT
// --serve: an SCTE 104 injector on real TCP sockets, for testing automation
// systems. It answers init, alive and every queue mark as an injector does
// (or as the fault rules say), and logs each session live in the lines
// --pcap writes, with the open and close of each connection.
#include <signal.h>
#include <sys/epoll.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "cli.h"
#include "injector_policy.h"
#include "live_log.h"
#include "modes.h"
#include "net/address.h"
#include "net/loop.h"
#include "net/socket.h"
#include "option_reader.h"
#include "scte35_options.h"

namespace scte104 {
namespace {

using scte_104::SessionDirection;

constexpr std::int64_t kNsPerMs = 1'000'000;
constexpr std::size_t kReadSize = 1u << 16;         // per read, per connection, per turn
constexpr std::size_t kMaxQueuedBytes = 65536;      // answers the kernel has not taken
constexpr std::size_t kMaxScheduledAnswers = 1024;  // answers not yet due
constexpr std::int64_t kFinGraceNs = 5'000'000'000;      // answers after the peer's FIN
constexpr std::int64_t kShutdownGraceNs = 1'000'000'000;  // queued bytes at a signal
constexpr int kListenBacklog = 4096;
constexpr int kAcceptsPerTurn = 64;

struct ServeOptions {
  bool json_lines = false;
  std::vector<std::string> listen;
  InjectorSettings injector;
  std::string rules_file;
  std::uint64_t max_connections = 4096;
  std::uint16_t max_message = 8192;
  std::int64_t message_timeout_ns = 5'000'000'000;
  std::int64_t idle_timeout_ns = 180'000'000'000;  // 0: never
};

std::int64_t ms_to_ns(std::uint64_t ms) { return static_cast<std::int64_t>(ms) * kNsPerMs; }

ServeOptions read_serve_options(int argc, char** argv, int at) {
  ServeOptions options;
  OptionTable table = scte35_options(options.injector.scte35);
  const auto add = [&table](std::string_view name, bool value, bool repeatable,
                            std::function<void(std::string_view)> apply) {
    table.push_back({name, value, repeatable, std::move(apply)});
  };
  add("--json-lines", false, true, [&](std::string_view) { options.json_lines = true; });
  add("--listen", true, true, [&](std::string_view v) { options.listen.emplace_back(v); });
  add("--result", true, false, [&](std::string_view v) {
    options.injector.result = static_cast<std::uint16_t>(
        parse_decimal_option("--result", v, 0, 65535, "a result code from 0 to 65535"));
  });
  add("--delay", true, false, [&](std::string_view v) {
    options.injector.delay_ns = ms_to_ns(parse_duration_option("--delay", v));
  });
  add("--complete", true, false, [&](std::string_view v) {
    options.injector.complete_ns = ms_to_ns(parse_duration_option("--complete", v));
  });
  add("--rules", true, false, [&](std::string_view v) { options.rules_file = std::string(v); });
  add("--exclusive", false, true, [&](std::string_view) { options.injector.exclusive = true; });
  add("--max-connections", true, false, [&](std::string_view v) {
    options.max_connections =
        parse_decimal_option("--max-connections", v, 1, 1'000'000, "a number from 1 to 1000000");
  });
  add("--max-message", true, false, [&](std::string_view v) {
    options.max_message = static_cast<std::uint16_t>(
        parse_decimal_option("--max-message", v, 13, 65535, "a size from 13 to 65535"));
  });
  add("--message-timeout", true, false, [&](std::string_view v) {
    const std::uint64_t ms = parse_duration_option("--message-timeout", v);
    if (ms == 0) bad_option_value("--message-timeout", v, "a duration that is not 0");
    options.message_timeout_ns = ms_to_ns(ms);
  });
  add("--idle-timeout", true, false, [&](std::string_view v) {
    options.idle_timeout_ns = ms_to_ns(parse_duration_option("--idle-timeout", v));
  });
  add("--leap-seconds", true, false, [&](std::string_view v) {
    options.injector.leap_seconds = static_cast<std::uint8_t>(
        parse_decimal_option("--leap-seconds", v, 0, 255, "a number from 0 to 255"));
  });
  const std::vector<const char*> inputs = read_options_and_inputs(argc, argv, at, table);
  if (!inputs.empty()) {
    throw OptionError(std::string("--serve takes no input, not \"") + inputs.front() + "\"");
  }
  if (options.listen.empty()) options.listen.emplace_back("0.0.0.0:5167");
  return options;
}

class Server;

// One accepted connection: its socket, its state in the policy, the
// answers not yet due, and the one timer that wakes it (the next answer,
// a stalled message, silence, the end of the grace after a FIN).
class LiveConnection : public net::Handler {
 public:
  LiveConnection(Server& server, std::uint64_t number, int fd)
      : mServer(server), stream(fd) {
    state.number = number;
  }
  void on_events(std::uint32_t events) override;

  Server& mServer;
  net::Stream stream;
  InjectorConnection state;
  std::vector<Answer> answers;  // a heap, earliest due first
  net::Loop::TimerId timer = 0;
  std::uint64_t last_read_packet = 0;
  std::int64_t last_read_ns = 0;
  std::int64_t partial_since_ns = -1;  // the first byte of an unfinished message
  std::int64_t fin_deadline_ns = -1;   // after the peer's FIN
  bool writing = false;                // EPOLLOUT watched
  bool read_watched = true;            // EPOLLIN watched
  bool reading = true;
  bool due_now = false;                // in the list for the turn's end
  // Set while its bytes go through the checker: the close it asks for.
  const char* close_reason = nullptr;
  std::uint16_t bad_size_op = 0;
  bool bad_size = false;
};

class Listener : public net::Handler {
 public:
  Listener(Server& server, int descriptor, std::string name)
      : mServer(server), fd(descriptor), address(std::move(name)) {}
  ~Listener() { ::close(fd); }
  void on_events(std::uint32_t events) override;
  Server& mServer;
  int fd;
  std::string address;
};

class SignalHandler : public net::Handler {
 public:
  explicit SignalHandler(Server& server) : mServer(server) {}
  void on_events(std::uint32_t events) override;
  Server& mServer;
};

bool answer_after(const Answer& a, const Answer& b) { return due_before(b, a); }

class Server : public scte_104::SessionEvents {
 public:
  Server(const ServeOptions& options, Output& out)
      : mOptions(options),
        mPolicy(options.injector),
        mLog(out, options.json_lines, options.injector.scte35, this),
        mSignals(*this) {
    mLog.checker().set_max_message(options.max_message);
    mCheckTimer = mLoop.make_timer([this] { mLog.tick(); });
    mLoop.set_turn_end([this] { turn_end(); });
  }

  // Binds every listener (a failure throws CannotListen) and says so on
  // standard error.
  void listen();
  int run();

  void accept_from(Listener& listener);
  void on_connection_events(LiveConnection& connection, std::uint32_t events);
  void on_signal();

  void message(const scte_104::SessionPlace& place, const std::uint8_t* bytes, std::size_t size,
               const scte_104::SingleOperationMessage* single) override;
  void problem(const scte_104::SessionPlace& place, const Problem& problem) override;

 private:
  std::int64_t now_ns() const {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(mLoop.now().time_since_epoch())
        .count();
  }
  net::TimePoint at_ns(std::int64_t ns) const {
    return net::TimePoint(std::chrono::duration_cast<net::Clock::duration>(std::chrono::nanoseconds(ns)));
  }
  void read_from(LiveConnection& connection);
  void after_feed(LiveConnection& connection);
  void schedule(LiveConnection& connection, const Answer& answer);
  // Writes every answer due by now in one write.
  void send_due(LiveConnection& connection);
  bool write_bytes(LiveConnection& connection, const std::uint8_t* bytes, std::size_t size);
  void flush_queue(LiveConnection& connection);
  bool log_sent(LiveConnection& connection, const net::Stream::Result& put,
                const std::uint8_t* taken);
  void watch(LiveConnection& connection);
  void on_timer(LiveConnection& connection);
  void arm(LiveConnection& connection);
  void finish_if_drained(LiveConnection& connection);
  void report_backlog(LiveConnection& connection);
  void close(LiveConnection& connection, const char* by, const char* how, const char* reason,
             bool report_waiting = true, bool reset = false);
  void turn_end();
  void begin_shutdown();

  const ServeOptions& mOptions;
  net::Loop mLoop;
  InjectorPolicy mPolicy;
  LiveLog mLog;
  net::Acceptor mAcceptor;
  SignalHandler mSignals;
  int mSignalFd = -1;
  std::vector<std::unique_ptr<Listener>> mListeners;
  std::unordered_map<std::uint64_t, std::unique_ptr<LiveConnection>> mConnections;
  std::vector<LiveConnection*> mDueNow;
  std::uint64_t mNextNumber = 1;
  net::Loop::TimerId mCheckTimer;
  bool mShuttingDown = false;
  std::int64_t mShutdownDeadline = 0;
  std::array<std::uint8_t, kReadSize> mReadBuffer{};
  std::vector<std::uint8_t> mWriteBuffer;
};

void LiveConnection::on_events(std::uint32_t events) { mServer.on_connection_events(*this, events); }
void Listener::on_events(std::uint32_t) { mServer.accept_from(*this); }
void SignalHandler::on_events(std::uint32_t) { mServer.on_signal(); }

struct CannotListen : std::runtime_error {
  using std::runtime_error::runtime_error;
};

void Server::listen() {
  std::vector<net::Address> addresses;
  for (const std::string& text : mOptions.listen) {
    net::Address address;
    const std::string error = net::parse_address(text, address);
    if (!error.empty()) bad_option_value("--listen", text, error);
    addresses.push_back(address);
  }
  for (std::size_t i = 0; i < addresses.size(); ++i) {
    std::string error;
    const int fd = net::listen_on(addresses[i], kListenBacklog, error);
    if (fd < 0) throw CannotListen("Cannot listen on " + mOptions.listen[i] + ": " + error);
    auto listener = std::make_unique<Listener>(*this, fd, net::to_string(net::local_address(fd)));
    mListeners.push_back(std::move(listener));
  }
  std::string ready;
  for (const auto& listener : mListeners) {
    ready += "scte104: listening on " + listener->address + "\n";
    mLoop.add(listener->fd, EPOLLIN, listener.get());
  }
  mSignalFd = net::signal_descriptor({SIGINT, SIGTERM});
  mLoop.add(mSignalFd, EPOLLIN, &mSignals);
  write_all(STDERR_FILENO, {ready});
}

int Server::run() {
  while (!mLoop.stopped()) mLoop.run_once();
  mLog.summary();
  mLog.out().flush();
  return 0;
}

void Server::accept_from(Listener& listener) {
  for (int i = 0; i < kAcceptsPerTurn && !mShuttingDown; ++i) {
    int fd = -1;
    net::Address peer;
    const net::Acceptor::Result result = mAcceptor.accept(listener.fd, fd, peer);
    if (result == net::Acceptor::Result::none) return;
    if (result == net::Acceptor::Result::dropped) continue;
    const std::uint64_t number = mNextNumber++;
    auto connection = std::make_unique<LiveConnection>(*this, number, fd);
    LiveConnection& c = *connection;
    mLog.operation();
    mLog.open(number, net::to_string(peer), listener.address);
    if (mConnections.size() >= mOptions.max_connections) {
      mLog.checker().report(number, SessionDirection::to_injector,
                            Problem{"connection_limit",
                                    {{"limit", mOptions.max_connections}},
                                    "more than " + std::to_string(mOptions.max_connections) +
                                        " connections at once"});
      mLog.close(number, "injector", "fin", "connection_limit", true);
      continue;  // the descriptor closes with the Stream
    }
    c.timer = mLoop.make_timer([this, &c] { on_timer(c); });
    c.last_read_packet = mLog.checker().packet();
    c.last_read_ns = now_ns();
    mLoop.add(fd, EPOLLIN | EPOLLRDHUP, &c);
    mConnections.emplace(number, std::move(connection));
    arm(c);
  }
}

void Server::on_connection_events(LiveConnection& c, std::uint32_t events) {
  if ((events & EPOLLOUT) != 0) {
    const std::uint64_t number = c.state.number;
    flush_queue(c);
    if (mConnections.count(number) == 0) return;  // c is gone
  }
  if ((events & (EPOLLIN | EPOLLERR | EPOLLHUP | EPOLLRDHUP)) != 0 && c.reading) {
    read_from(c);
  } else if ((events & (EPOLLERR | EPOLLHUP)) != 0 && !c.reading) {
    // After its FIN the peer is gone altogether (reset, or both ways shut):
    // the answers still scheduled cannot go. Level-triggered, this would
    // otherwise wake every turn.
    mLog.operation();
    close(c, "automation", "rst", nullptr, true, true);
  }
}

void Server::read_from(LiveConnection& c) {
  const net::Stream::Result got = c.stream.read(mReadBuffer.data(), mReadBuffer.size());
  if (got.status == net::Stream::Status::again) return;
  mLog.operation();
  const std::uint64_t number = c.state.number;
  if (got.status == net::Stream::Status::reset || got.status == net::Stream::Status::error) {
    // Answers scheduled are dropped.
    close(c, "automation", got.status == net::Stream::Status::reset ? "rst" : "error", nullptr,
          true, true);
    return;
  }
  if (got.status == net::Stream::Status::end) {
    c.reading = false;
    c.partial_since_ns = -1;
    if (c.answers.empty() && c.stream.queued() == 0) {
      close(c, "automation", "fin", nullptr);
      return;
    }
    // Answers already scheduled still go, for a while.
    c.fin_deadline_ns = now_ns() + kFinGraceNs;
    watch(c);
    arm(c);
    return;
  }
  c.last_read_packet = mLog.checker().packet();
  c.last_read_ns = now_ns();
  mLog.checker().feed(number, SessionDirection::to_injector, mReadBuffer.data(), got.size, true);
  after_feed(c);
}

void Server::after_feed(LiveConnection& c) {
  if (c.bad_size) {
    c.bad_size = false;
    // general_response 114, then the connection closes.
    c.answers.clear();
    Answer answer = mPolicy.bad_size(c.bad_size_op, now_ns());
    mPolicy.make_answer(c.state, answer, mLog.wall_now());
    if (!write_bytes(c, answer.bytes.data(), answer.size)) return;
    close(c, "injector", "fin", c.close_reason);
    return;
  }
  if (c.close_reason != nullptr) {
    close(c, "injector", "fin", c.close_reason);
    return;
  }
  if (c.answers.size() > kMaxScheduledAnswers) {
    report_backlog(c);
    return;
  }
  const std::size_t held = mLog.checker().held(c.state.number, SessionDirection::to_injector);
  if (held == 0) {
    c.partial_since_ns = -1;
  } else if (c.partial_since_ns < 0) {
    c.partial_since_ns = now_ns();
  }
  arm(c);
}

void Server::message(const scte_104::SessionPlace& place, const std::uint8_t* bytes,
                     std::size_t size, const scte_104::SingleOperationMessage*) {
  if (place.direction != SessionDirection::to_injector || mShuttingDown) return;
  const auto found = mConnections.find(place.connection);
  if (found == mConnections.end()) return;
  LiveConnection& c = *found->second;
  // A message is whole: what follows it, if anything, is a new one whose
  // first byte came with this read.
  c.partial_since_ns = -1;
  if (c.close_reason != nullptr) return;
  Decision decision = mPolicy.on_message(c.state, bytes, size, now_ns(), mLog.mark());
  if (decision.close) {
    c.answers.clear();
    c.close_reason = "rule";
    return;
  }
  for (const Answer& answer : decision.answers) schedule(c, answer);
}

void Server::problem(const scte_104::SessionPlace& place, const Problem& problem) {
  if (place.direction != SessionDirection::to_injector) return;
  const std::string_view name = problem.name;
  if (name != "framing_lost" && name != "oversized") return;
  const auto found = mConnections.find(place.connection);
  if (found == mConnections.end()) return;
  LiveConnection& c = *found->second;
  if (c.close_reason != nullptr) return;
  c.close_reason = problem.name;
  c.bad_size = true;
  c.bad_size_op = static_cast<std::uint16_t>(std::get<std::uint64_t>(problem.members.at(0).value));
}

void Server::schedule(LiveConnection& c, const Answer& answer) {
  c.answers.push_back(answer);
  std::push_heap(c.answers.begin(), c.answers.end(), answer_after);
  if (answer.due_ns <= now_ns() && !c.due_now) {
    c.due_now = true;
    mDueNow.push_back(&c);
  }
}

void Server::send_due(LiveConnection& c) {
  const std::int64_t now = now_ns();
  mWriteBuffer.clear();
  const scte_104::SessionTime wall = mLog.wall_now();
  while (!c.answers.empty() && c.answers.front().due_ns <= now) {
    std::pop_heap(c.answers.begin(), c.answers.end(), answer_after);
    Answer answer = c.answers.back();
    c.answers.pop_back();
    mPolicy.make_answer(c.state, answer, wall);
    mWriteBuffer.insert(mWriteBuffer.end(), answer.bytes.begin(), answer.bytes.begin() + answer.size);
  }
  if (mWriteBuffer.empty()) return;
  if (!write_bytes(c, mWriteBuffer.data(), mWriteBuffer.size())) return;
  finish_if_drained(c);
}

// False when the connection closed.
bool Server::write_bytes(LiveConnection& c, const std::uint8_t* bytes, std::size_t size) {
  const std::uint8_t* taken = nullptr;
  const net::Stream::Result put = c.stream.send(bytes, size, taken);
  if (!log_sent(c, put, taken)) return false;
  if (c.stream.queued() > kMaxQueuedBytes) {
    report_backlog(c);
    return false;
  }
  watch(c);
  return true;
}

void Server::flush_queue(LiveConnection& c) {
  const std::uint8_t* taken = nullptr;
  const net::Stream::Result put = c.stream.flush(taken);
  if (!log_sent(c, put, taken)) return;
  watch(c);
  finish_if_drained(c);
}

// The bytes the kernel took go through the checker as one socket
// operation; a reset or an error closes the connection (false).
bool Server::log_sent(LiveConnection& c, const net::Stream::Result& put,
                      const std::uint8_t* taken) {
  if (put.size > 0) {
    mLog.operation();
    mLog.checker().feed(c.state.number, SessionDirection::from_injector, taken, put.size, true);
  }
  if (put.status != net::Stream::Status::reset && put.status != net::Stream::Status::error) {
    return true;
  }
  if (put.size == 0) mLog.operation();
  close(c, "automation", put.status == net::Stream::Status::reset ? "rst" : "error", nullptr, true,
        true);
  return false;
}

void Server::watch(LiveConnection& c) {
  const bool want_write = c.stream.queued() > 0;
  const bool want_read = c.reading && !mShuttingDown;
  if (want_write == c.writing && want_read == c.read_watched) return;
  c.writing = want_write;
  c.read_watched = want_read;
  std::uint32_t events = (want_read ? EPOLLIN | EPOLLRDHUP : 0u) | (want_write ? EPOLLOUT : 0u);
  mLoop.modify(c.stream.fd(), events, &c);
}

// After the peer's FIN (or at a shutdown), the connection closes once its
// answers are out.
void Server::finish_if_drained(LiveConnection& c) {
  if (c.fin_deadline_ns < 0 || !c.answers.empty() || c.stream.queued() > 0) return;
  if (mShuttingDown) return;  // the shutdown closes it
  close(c, "automation", "fin", nullptr);
}

void Server::report_backlog(LiveConnection& c) {
  mLog.tick();
  mLog.checker().report(c.state.number, SessionDirection::from_injector,
                        Problem{"backlog",
                                {{"bytes", std::uint64_t{c.stream.queued()}},
                                 {"answers", std::uint64_t{c.answers.size()}}},
                                "more answers waiting than the connection takes"});
  close(c, "injector", "rst", "backlog", true, true);
}

void Server::arm(LiveConnection& c) {
  std::int64_t when = INT64_MAX;
  // Answers already due leave at the end of this turn.
  if (!c.answers.empty() && !c.due_now) when = std::min(when, c.answers.front().due_ns);
  if (c.partial_since_ns >= 0) when = std::min(when, c.partial_since_ns + mOptions.message_timeout_ns);
  if (c.reading && mOptions.idle_timeout_ns > 0) {
    when = std::min(when, c.last_read_ns + mOptions.idle_timeout_ns);
  }
  if (c.fin_deadline_ns >= 0) when = std::min(when, c.fin_deadline_ns);
  if (when == INT64_MAX) {
    mLoop.disarm(c.timer);
  } else {
    mLoop.arm(c.timer, at_ns(when));
  }
}

void Server::on_timer(LiveConnection& c) {
  const std::int64_t now = now_ns();
  const std::uint64_t number = c.state.number;
  if (c.partial_since_ns >= 0 && now >= c.partial_since_ns + mOptions.message_timeout_ns) {
    mLog.tick();
    const std::size_t held = mLog.checker().held(number, SessionDirection::to_injector);
    mLog.checker().report(number, SessionDirection::to_injector,
                          Problem{"stalled",
                                  {{"bytes", std::uint64_t{held}}},
                                  "a message not whole " +
                                      std::to_string(mOptions.message_timeout_ns / kNsPerMs) +
                                      " ms after its first byte"});
    mLog.checker().abandon(number, SessionDirection::to_injector);
    close(c, "injector", "fin", "stalled");
    return;
  }
  if (c.reading && mOptions.idle_timeout_ns > 0 && now >= c.last_read_ns + mOptions.idle_timeout_ns) {
    mLog.tick();
    mLog.checker().report(number, SessionDirection::to_injector,
                          Problem{"idle",
                                  {{"since_packet", c.last_read_packet}},
                                  "nothing from the automation system for " +
                                      std::to_string(mOptions.idle_timeout_ns / kNsPerMs) + " ms"});
    close(c, "injector", "fin", "idle");
    return;
  }
  if (c.fin_deadline_ns >= 0 && now >= c.fin_deadline_ns) {
    mLog.tick();
    close(c, "automation", "fin", nullptr);
    return;
  }
  if (!c.answers.empty() && c.answers.front().due_ns <= now && !c.due_now) {
    c.due_now = true;
    mDueNow.push_back(&c);
  }
  arm(c);
}

void Server::close(LiveConnection& c, const char* by, const char* how, const char* reason,
                   bool report_waiting, bool reset) {
  const std::uint64_t number = c.state.number;
  mLoop.remove(c.stream.fd(), &c);
  mLoop.release(c.timer);
  if (reset || (reason != nullptr && std::strcmp(reason, "backlog") == 0)) {
    c.stream.abort();
  } else {
    c.stream.close();
  }
  mPolicy.closed(c.state);
  mLog.close(number, by, how, reason, report_waiting);
  if (c.due_now) std::replace(mDueNow.begin(), mDueNow.end(), &c, static_cast<LiveConnection*>(nullptr));
  mConnections.erase(number);
}

void Server::turn_end() {
  // A connection closed by a write of this loop leaves a null behind.
  for (std::size_t i = 0; i < mDueNow.size(); ++i) {
    LiveConnection* c = mDueNow[i];
    if (c == nullptr) continue;
    c->due_now = false;
    const std::uint64_t number = c->state.number;
    send_due(*c);
    if (mConnections.count(number) != 0) arm(*c);
  }
  mDueNow.clear();
  if (mShuttingDown) {
    bool drained = true;
    for (const auto& entry : mConnections) drained &= entry.second->stream.queued() == 0;
    if (drained || now_ns() >= mShutdownDeadline) {
      mLog.tick();
      std::vector<std::uint64_t> numbers;
      for (const auto& entry : mConnections) numbers.push_back(entry.first);
      std::sort(numbers.begin(), numbers.end());
      for (const std::uint64_t number : numbers) {
        close(*mConnections.at(number), "injector", "fin", "shutdown", false);
      }
      mLoop.stop();
    } else {
      mLoop.arm(mCheckTimer, at_ns(mShutdownDeadline));
    }
  } else {
    scte_104::SessionTime due;
    if (mLog.checker().next_deadline(due)) {
      const scte_104::SessionTime wall = mLog.wall_now();
      const std::int64_t wait_ns = (due.seconds - wall.seconds) * 1'000'000'000 +
                                   (static_cast<std::int64_t>(due.nanoseconds) - wall.nanoseconds);
      mLoop.arm(mCheckTimer, mLoop.now() + std::chrono::nanoseconds(std::max<std::int64_t>(wait_ns, 0)));
    } else {
      mLoop.disarm(mCheckTimer);
    }
  }
  mLog.out().flush();
}

void Server::on_signal() {
  while (net::read_signal(mSignalFd) != 0) {
    if (mShuttingDown) {
      mShutdownDeadline = now_ns();  // a second signal cuts the wait short
      continue;
    }
    begin_shutdown();
  }
}

void Server::begin_shutdown() {
  mShuttingDown = true;
  mShutdownDeadline = now_ns() + kShutdownGraceNs;
  for (const auto& listener : mListeners) mLoop.remove(listener->fd, listener.get());
  mListeners.clear();
  for (const auto& entry : mConnections) {
    LiveConnection& c = *entry.second;
    // Answers not yet due are dropped; reading stops.
    const std::int64_t now = now_ns();
    c.answers.erase(std::remove_if(c.answers.begin(), c.answers.end(),
                                   [now](const Answer& a) { return a.due_ns > now; }),
                    c.answers.end());
    std::make_heap(c.answers.begin(), c.answers.end(), answer_after);
    c.reading = false;
    c.partial_since_ns = -1;
    c.fin_deadline_ns = -1;
    mLoop.disarm(c.timer);
    watch(c);
    if (!c.answers.empty() && !c.due_now) {
      c.due_now = true;
      mDueNow.push_back(&c);
    }
  }
}

std::string read_rules_file(const std::string& name) {
  std::ifstream file(name, std::ios::binary);
  if (!file) throw CannotListen("Cannot open " + name + ": " + std::strerror(errno));
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

}  // namespace

int run_serve_mode(const char*, int argc, char** argv, int at) {
  ServeOptions options = read_serve_options(argc, argv, at);
  try {
    if (!options.rules_file.empty()) {
      const std::string text = read_rules_file(options.rules_file);
      try {
        options.injector.rules = parse_fault_rules(text, options.rules_file);
      } catch (const RuleError& e) {
        throw OptionError(e.what());
      }
    }
    signal(SIGPIPE, SIG_IGN);
    net::raise_descriptor_limit();
    Output out(descriptor_sink(STDOUT_FILENO, "standard output"));
    Server server(options, out);
    server.listen();
    return server.run();
  } catch (const CannotListen& e) {
    report_error(e.what());
    return kCannotOpenStatus;
  }
}

}  // namespace scte104
