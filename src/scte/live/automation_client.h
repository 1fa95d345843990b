// SPDX-License-Identifier: MIT
// The automation system's side of one SCTE 104 connection, without any
// I/O: events come in (connected, bytes read, bytes written, the peer's
// end, time passing, marks from the input, a signal), and out come the
// bytes to write, the next deadline and one report per mark as it settles.
// The session: init_request and its init_response, then queue marks under
// a window, each answered by an inject_response naming its message_number
// (and, when awaited, an inject_complete_response), with alive_request
// after silence, after a missing answer and before the first mark timed by
// the wall clock.
#ifndef SCTE104_AUTOMATION_CLIENT_H
#define SCTE104_AUTOMATION_CLIENT_H

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "scte/framer.h"

namespace scte104 {

// A moment on both clocks: the monotonic one for timeouts and latencies,
// the wall clock (microseconds since 1970, UTC) for the reports and time().
struct Instant {
  std::int64_t mono_us = 0;
  std::int64_t wall_us = 0;
};

struct ClientSettings {
  bool init = true;                              // false: --no-init
  unsigned window = 1;                           // marks awaiting their inject_response
  std::int64_t interval_us = 0;                  // between two marks' writes
  bool renumber = false;                         // message_number = mark number mod 256
  std::int64_t alive_us = 60'000'000;            // 0: never after silence
  bool alive_time = true;                        // alive_request carries time()
  std::int64_t response_timeout_us = 5'000'000;  // init, inject and alive responses
  std::int64_t complete_timeout_us = 0;          // 0: inject_complete_response not awaited
  std::uint8_t as_index = 0;
  std::uint16_t dpi_pid_index = 0;
  std::uint8_t leap_seconds = 18;
  std::size_t max_message = 8192;               // larger: oversized
  std::int64_t message_timeout_us = 5'000'000;  // a message not whole by then: stalled
};

enum class MarkStatus { accepted, refused, no_response, not_sent, interrupted };

struct MarkReport {
  struct Complete {
    std::uint16_t result = 0;
    std::uint8_t cue_message_count = 0;
    std::uint64_t latency_us = 0;
  };
  std::uint64_t line = 0;  // input line, from 1
  std::uint64_t mark = 0;  // n-th mark of the input, from 1
  std::uint8_t message_number = 0;
  std::optional<std::int64_t> time_us;  // wall clock of its write
  MarkStatus status = MarkStatus::not_sent;
  std::optional<std::uint16_t> result;
  std::optional<std::uint64_t> latency_us;
  std::optional<Complete> complete;
};

enum class ClientState { connecting, await_init, ready, probing, ending, closed };

// Why the connection was closed (valid once closed).
enum class ClientEnd {
  input_done,   // the input was sent to its end
  init_failed,  // refused, unanswered or closed before READY
  lost,         // the injector ended it, or a live problem did
  dropped,      // no alive_response
  interrupted,  // a signal
};

enum class PeerEnd { fin, rst, error };

struct CloseInfo {
  bool by_injector = false;
  PeerEnd how = PeerEnd::fin;
  const char* reason = nullptr;  // null: the injector closed first
};

// A problem of the injector's bytes that closes the connection.
struct LiveProblem {
  const char* name = nullptr;  // "oversized", "stalled", "framing_lost"
  std::uint16_t op_id = 0;
  std::uint16_t message_size = 0;
  std::uint64_t bytes = 0;  // stalled: bytes of it held
};

class AutomationClient {
 public:
  using Settled = std::function<void(const MarkReport&)>;

  AutomationClient(const ClientSettings& settings, Settled settled);

  // Events.
  void connected(Instant now);
  void bytes_read(Instant now, const std::uint8_t* data, std::size_t size);
  // The first `count` bytes of pending_data() went to the socket's queue.
  void handed(std::size_t count);
  // The kernel took `count` more of the bytes handed, in order.
  void wrote(Instant now, std::size_t count);
  // The injector's end of stream, a reset or an error.
  void peer_ended(Instant now, PeerEnd how, const std::string& reason);
  // Time passed: handles every deadline up to `now`.
  void tick(Instant now);
  // The next mark of the input, taken when wants_mark() says so.
  void offer_mark(Instant now, std::uint64_t line, std::vector<std::uint8_t> mark);
  void input_ended(Instant now);
  void interrupt(Instant now);

  // Whether the input should be read up to its next mark now.
  bool wants_mark() const;
  // Bytes to hand to the socket, oldest first.
  const std::uint8_t* pending_data() const { return mOut.data() + mOutStart; }
  std::size_t pending_size() const { return mOut.size() - mOutStart; }
  // The write side is to be shut (FIN) once pending_data() is written.
  bool wants_fin() const { return mState == ClientState::ending; }
  // The earliest deadline ahead (monotonic), if any.
  std::optional<std::int64_t> next_deadline() const;

  ClientState state() const { return mState; }
  ClientEnd end() const { return mEnd; }
  // The line for standard error when the run fails ("init refused: ...").
  const std::string& fatal_text() const { return mFatal; }
  const CloseInfo& close_info() const { return mClose; }
  const std::optional<LiveProblem>& live_problem() const { return mProblem; }

 private:
  struct Flight {
    std::uint64_t line = 0;
    std::uint64_t mark = 0;
    std::uint8_t number = 0;
    std::uint64_t end_offset = 0;  // stream offset just after its last byte
    std::optional<Instant> written;
    bool answered = false;  // its inject_response came
    bool awaiting_complete = false;
    std::uint16_t result = 0;
    std::uint64_t latency_us = 0;
    std::int64_t deadline = 0;  // of its inject_response, or of its completion
  };
  struct Held {
    std::uint64_t line = 0;
    std::uint64_t mark = 0;
    std::vector<std::uint8_t> bytes;
  };

  void handle_message(Instant now, const std::uint8_t* message, std::size_t size);
  void answer(Instant now, std::uint8_t number, std::uint16_t result);
  void complete(Instant now, std::uint8_t number, std::uint16_t result, std::uint8_t count);
  void check_framing(Instant now, const std::uint8_t* data, std::size_t size);
  void send_request(Instant now, std::uint16_t op_id, bool with_time);
  void send_marks(Instant now);
  void maybe_end(Instant now);
  bool needs_time_first(const Held& held) const;
  void settle(std::size_t flight, MarkStatus status, std::optional<MarkReport::Complete> done);
  void close(ClientEnd end, bool by_injector, PeerEnd how, const char* reason, std::string fatal);
  // Settles every mark still open as `open_status`, the held one not_sent.
  void settle_all(MarkStatus open_status);

  ClientSettings mSettings;
  Settled mSettled;
  ClientState mState = ClientState::connecting;
  ClientEnd mEnd = ClientEnd::input_done;
  CloseInfo mClose;
  std::string mFatal;
  std::optional<LiveProblem> mProblem;

  // Outgoing bytes: mOut[mOutStart..] are not handed yet; mWritten counts
  // every byte the kernel took, mQueued every byte ever queued.
  std::vector<std::uint8_t> mOut;
  std::size_t mOutStart = 0;
  std::uint64_t mQueued = 0;
  std::uint64_t mWritten = 0;

  // Incoming bytes.
  scte_104::Framer mFramer;
  std::uint64_t mFed = 0;                 // bytes read
  std::uint64_t mFramed = 0;              // bytes of whole messages among them
  std::array<std::uint8_t, 4> mHeader{};  // of the message not yet whole
  std::size_t mHeaderHave = 0;
  std::optional<std::int64_t> mPartialSince;  // first byte of that message

  std::uint8_t mRequests = 0;     // single_operation requests sent, mod 256
  std::int64_t mDeadline = 0;     // init_response, alive_response or the end's wait
  std::int64_t mLastTraffic = 0;  // last whole message either way
  bool mTimeSynced = false;       // an alive_response answered a time()
  bool mProbeHasTime = false;

  std::deque<Flight> mFlights;  // input order
  std::size_t mAwaitingResponse = 0;
  std::array<std::uint16_t, 256> mNumbersInFlight{};
  std::optional<Held> mHeld;
  std::uint64_t mMarks = 0;  // marks read
  std::optional<std::int64_t> mLastMarkWrite;
  bool mLastMarkUnwritten = false;  // its last byte not yet taken by the socket
  std::uint64_t mLastMarkEnd = 0;
  bool mInputEnded = false;
};

// "5s" or "250ms".
std::string format_duration(std::int64_t us);

}  // namespace scte104

#endif  // SCTE104_AUTOMATION_CLIENT_H
