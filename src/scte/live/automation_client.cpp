// SPDX-License-Identifier: MIT
#include "automation_client.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "scte/single_operation.h"

namespace scte104 {
namespace {

using namespace scte_104;

constexpr std::int64_t kNever = std::numeric_limits<std::int64_t>::max();
// After our FIN, how long the injector's end of stream is waited for.
constexpr std::int64_t kEndWaitUs = 1'000'000;
// time()'s epoch, 1980-01-06T00:00:00Z, in Unix seconds.
constexpr std::int64_t kTimeEpoch = 315'964'800;

std::uint16_t u16(const std::uint8_t* bytes) {
  return static_cast<std::uint16_t>(bytes[0] << 8u | bytes[1]);
}

void put16(std::vector<std::uint8_t>& out, unsigned value) {
  out.push_back(static_cast<std::uint8_t>(value >> 8u));
  out.push_back(static_cast<std::uint8_t>(value));
}

void put32(std::vector<std::uint8_t>& out, std::uint64_t value) {
  put16(out, static_cast<unsigned>(value >> 16u) & 0xFFFFu);
  put16(out, static_cast<unsigned>(value) & 0xFFFFu);
}

bool successful(std::uint16_t result) {
  return result == kSuccessfulResponse || result == kProxyResponse;
}

std::string result_text(std::uint16_t result) {
  const char* name = result_name(result);
  return std::to_string(result) + (name != nullptr ? std::string(" ") + name : std::string());
}

}  // namespace

std::string format_duration(std::int64_t us) {
  const std::int64_t ms = us / 1000;
  return ms % 1000 == 0 ? std::to_string(ms / 1000) + "s" : std::to_string(ms) + "ms";
}

AutomationClient::AutomationClient(const ClientSettings& settings, Settled settled)
    : mSettings(settings), mSettled(std::move(settled)) {}

void AutomationClient::connected(Instant now) {
  if (mState != ClientState::connecting) return;
  mLastTraffic = now.mono_us;
  if (mSettings.init) {
    send_request(now, INIT_REQUEST_DATA, false);
    mState = ClientState::await_init;
    mDeadline = now.mono_us + mSettings.response_timeout_us;
  } else {
    mState = ClientState::ready;
  }
}

// init_request and alive_request: the 13-byte header, then for an alive
// with time() its seconds since 1980-01-06 (plus the leap seconds) and
// microseconds.
void AutomationClient::send_request(Instant now, std::uint16_t op_id, bool with_time) {
  put16(mOut, op_id);
  put16(mOut, with_time ? 21 : 13);  // messageSize
  put16(mOut, kNoResult);            // result
  put16(mOut, kNoResult);            // result_extension
  mOut.push_back(0);                 // protocol_version
  mOut.push_back(mSettings.as_index);
  mOut.push_back(++mRequests);  // message_number
  put16(mOut, mSettings.dpi_pid_index);
  if (with_time) {
    const std::int64_t wall_s = now.wall_us / 1'000'000;
    const std::int64_t seconds =
        std::max<std::int64_t>(0, wall_s - kTimeEpoch) + mSettings.leap_seconds;
    put32(mOut, static_cast<std::uint64_t>(seconds) & 0xFFFFFFFFu);
    put32(mOut, static_cast<std::uint64_t>(now.wall_us % 1'000'000));
  }
  mQueued += with_time ? 21 : 13;
}

bool AutomationClient::wants_mark() const {
  return (mState == ClientState::ready || mState == ClientState::probing) && !mHeld && !mInputEnded;
}

void AutomationClient::offer_mark(Instant now, std::uint64_t line, std::vector<std::uint8_t> mark) {
  ++mMarks;
  if (mSettings.renumber) mark[6] = static_cast<std::uint8_t>(mMarks);
  mHeld = Held{line, mMarks, std::move(mark)};
  send_marks(now);
}

void AutomationClient::input_ended(Instant now) {
  mInputEnded = true;
  maybe_end(now);
}

// time_type (byte 10) 1 is UTC, 2 VITC: the injector's clock must be known
// to agree with ours first, which an alive_request with time() settles.
bool AutomationClient::needs_time_first(const Held& held) const {
  const std::uint8_t time_type = held.bytes[10];
  return mSettings.alive_time && !mTimeSynced && (time_type == 1 || time_type == 2);
}

// Queues the held mark when it may go: READY, room in the window, its
// message_number not in flight, the interval passed. Once it is taken the
// caller reads the next one (wants_mark()), so marks whose lines are there
// leave together.
void AutomationClient::send_marks(Instant now) {
  if (mState != ClientState::ready || !mHeld) return;
  const Held& held = *mHeld;
  if (needs_time_first(held)) {
    send_request(now, ALIVE_REQUEST_DATA, true);
    mProbeHasTime = true;
    mState = ClientState::probing;
    mDeadline = now.mono_us + mSettings.response_timeout_us;
    return;
  }
  const std::uint8_t number = held.bytes[6];
  if (mAwaitingResponse >= mSettings.window || mNumbersInFlight[number] > 0) return;
  if (mSettings.interval_us > 0 &&
      (mLastMarkUnwritten ||
       (mLastMarkWrite && now.mono_us - *mLastMarkWrite < mSettings.interval_us))) {
    return;
  }
  mOut.insert(mOut.end(), held.bytes.begin(), held.bytes.end());
  mQueued += held.bytes.size();
  Flight flight;
  flight.line = held.line;
  flight.mark = held.mark;
  flight.number = number;
  flight.end_offset = mQueued;
  flight.deadline = kNever;  // counts from its write
  mFlights.push_back(flight);
  ++mAwaitingResponse;
  ++mNumbersInFlight[number];
  mLastMarkUnwritten = true;
  mLastMarkEnd = mQueued;
  mHeld.reset();
}

void AutomationClient::handed(std::size_t count) {
  mOutStart += count;
  if (mOutStart == mOut.size()) {
    mOut.clear();
    mOutStart = 0;
  }
}

void AutomationClient::wrote(Instant now, std::size_t count) {
  mWritten += count;
  mLastTraffic = now.mono_us;
  for (Flight& flight : mFlights) {
    if (flight.written || flight.end_offset > mWritten) continue;
    flight.written = now;
    flight.deadline = now.mono_us + mSettings.response_timeout_us;
  }
  if (mLastMarkUnwritten && mLastMarkEnd <= mWritten) {
    mLastMarkUnwritten = false;
    mLastMarkWrite = now.mono_us;
  }
}

void AutomationClient::bytes_read(Instant now, const std::uint8_t* data, std::size_t size) {
  if (mState == ClientState::connecting || mState == ClientState::closed || size == 0) return;
  mFramer.feed(data, size, true);
  mFed += size;
  scte_104::FramerEvent event;
  while (mState != ClientState::closed && mFramer.next(event)) {
    if (event.kind == scte_104::FramerEvent::Kind::framing_lost) {
      mProblem = LiveProblem{"framing_lost", event.op_id, event.message_size, 0};
      settle_all(MarkStatus::no_response);
      close(
          ClientEnd::lost, false, PeerEnd::fin, "framing_lost",
          "connection lost: framing_lost (messageSize " + std::to_string(event.message_size) + ")");
      return;
    }
    mFramed += event.size;
    handle_message(now, event.bytes, event.size);
  }
  if (mState != ClientState::closed) check_framing(now, data, size);
}

// The message not yet whole: its size is checked once its header is there,
// and the time of its first byte kept for the stall timeout.
void AutomationClient::check_framing(Instant now, const std::uint8_t* data, std::size_t size) {
  const std::uint64_t held = mFed - mFramed;
  if (held == 0) {
    mHeaderHave = 0;
    mPartialSince.reset();
    return;
  }
  if (held <= size) {  // it began in this read
    const std::size_t from = size - static_cast<std::size_t>(held);
    mHeaderHave = std::min<std::size_t>(4, static_cast<std::size_t>(held));
    std::copy_n(data + from, mHeaderHave, mHeader.begin());
    mPartialSince = now.mono_us;
  } else if (mHeaderHave < 4) {
    const std::size_t add = std::min(4 - mHeaderHave, size);
    std::copy_n(data, add, mHeader.begin() + static_cast<std::ptrdiff_t>(mHeaderHave));
    mHeaderHave += add;
  }
  if (mHeaderHave == 4 && u16(mHeader.data() + 2) > mSettings.max_message) {
    const std::uint16_t message_size = u16(mHeader.data() + 2);
    mProblem = LiveProblem{"oversized", u16(mHeader.data()), message_size, 0};
    settle_all(MarkStatus::no_response);
    close(ClientEnd::lost, false, PeerEnd::fin, "oversized",
          "connection lost: oversized (messageSize " + std::to_string(message_size) + ")");
  }
}

void AutomationClient::handle_message(Instant now, const std::uint8_t* message, std::size_t size) {
  mLastTraffic = now.mono_us;
  const std::uint16_t op_id = u16(message);
  if (op_id == kMultipleOperationMarker) return;
  const std::uint16_t result = u16(message + 4);
  if (mState == ClientState::await_init) {
    if (op_id != INIT_RESPONSE_DATA) return;
    if (successful(result)) {
      mState = ClientState::ready;
      return;
    }
    settle_all(MarkStatus::not_sent);
    close(ClientEnd::init_failed, false, PeerEnd::fin, "init_refused",
          "init refused: " + result_text(result));
    return;
  }
  if (op_id == ALIVE_RESPONSE_DATA && mState == ClientState::probing) {
    mTimeSynced = mTimeSynced || mProbeHasTime;
    mState = ClientState::ready;
  } else if (op_id == INJECT_RESPONSE_DATA && size >= 14) {
    answer(now, message[13], result);
  } else if (op_id == INJECT_COMPLETE_RESPONSE_DATA && size >= 15) {
    complete(now, message[13], result, message[14]);
  }
  send_marks(now);
  maybe_end(now);
}

// The oldest mark awaiting an inject_response with that number.
void AutomationClient::answer(Instant now, std::uint8_t number, std::uint16_t result) {
  for (std::size_t i = 0; i < mFlights.size(); ++i) {
    Flight& flight = mFlights[i];
    if (flight.awaiting_complete || flight.number != number) continue;
    flight.result = result;
    flight.answered = true;
    const std::int64_t start = flight.written ? flight.written->mono_us : now.mono_us;
    flight.latency_us = static_cast<std::uint64_t>(std::max<std::int64_t>(0, now.mono_us - start));
    if (mSettings.complete_timeout_us > 0 && successful(result)) {
      flight.awaiting_complete = true;
      flight.deadline = now.mono_us + mSettings.complete_timeout_us;
      --mAwaitingResponse;
    } else {
      settle(i, successful(result) ? MarkStatus::accepted : MarkStatus::refused, std::nullopt);
    }
    return;
  }
}

void AutomationClient::complete(Instant now, std::uint8_t number, std::uint16_t result,
                                std::uint8_t count) {
  for (std::size_t i = 0; i < mFlights.size(); ++i) {
    const Flight& flight = mFlights[i];
    if (!flight.awaiting_complete || flight.number != number) continue;
    const std::int64_t start = flight.written ? flight.written->mono_us : now.mono_us;
    const MarkReport::Complete done{
        result, count, static_cast<std::uint64_t>(std::max<std::int64_t>(0, now.mono_us - start))};
    settle(i, successful(result) ? MarkStatus::accepted : MarkStatus::refused, done);
    return;
  }
}

void AutomationClient::settle(std::size_t index, MarkStatus status,
                              std::optional<MarkReport::Complete> done) {
  const Flight flight = mFlights[index];
  mFlights.erase(mFlights.begin() + static_cast<std::ptrdiff_t>(index));
  if (!flight.awaiting_complete) --mAwaitingResponse;
  --mNumbersInFlight[flight.number];
  MarkReport out;
  out.line = flight.line;
  out.mark = flight.mark;
  out.message_number = flight.number;
  if (flight.written) out.time_us = flight.written->wall_us;
  out.status = status;
  if (flight.answered) {
    out.result = flight.result;
    out.latency_us = flight.latency_us;
  }
  out.complete = done;
  mSettled(out);
}

void AutomationClient::settle_all(MarkStatus open_status) {
  while (!mFlights.empty()) settle(0, open_status, std::nullopt);
  if (mHeld) {
    MarkReport out;
    out.line = mHeld->line;
    out.mark = mHeld->mark;
    out.message_number = mHeld->bytes[6];
    out.status = MarkStatus::not_sent;
    mHeld.reset();
    mSettled(out);
  }
}

void AutomationClient::close(ClientEnd end, bool by_injector, PeerEnd how, const char* reason,
                             std::string fatal) {
  mState = ClientState::closed;
  mEnd = end;
  mClose = CloseInfo{by_injector, how, reason};
  mFatal = std::move(fatal);
}

void AutomationClient::maybe_end(Instant now) {
  if (mState != ClientState::ready || !mInputEnded || mHeld || !mFlights.empty()) return;
  mState = ClientState::ending;
  mDeadline = now.mono_us + kEndWaitUs;
}

void AutomationClient::peer_ended(Instant, PeerEnd how, const std::string& reason) {
  switch (mState) {
    case ClientState::connecting:
    case ClientState::closed:
      return;
    case ClientState::ending:  // our FIN went first
      close(ClientEnd::input_done, false, PeerEnd::fin, "end", {});
      return;
    case ClientState::await_init:
      close(ClientEnd::init_failed, true, how, nullptr, "init refused: connection closed");
      return;
    case ClientState::ready:
    case ClientState::probing:
      settle_all(MarkStatus::no_response);
      close(ClientEnd::lost, true, how, nullptr, "connection lost: " + reason);
      return;
  }
}

void AutomationClient::interrupt(Instant) {
  if (mState == ClientState::closed) return;
  settle_all(MarkStatus::interrupted);
  close(ClientEnd::interrupted, false, PeerEnd::fin, "shutdown", {});
}

void AutomationClient::tick(Instant now) {
  const std::int64_t t = now.mono_us;
  if (mState == ClientState::connecting || mState == ClientState::closed) return;
  if (mPartialSince && t - *mPartialSince >= mSettings.message_timeout_us) {
    mProblem = LiveProblem{"stalled", 0, 0, mFed - mFramed};
    settle_all(MarkStatus::no_response);
    close(ClientEnd::lost, false, PeerEnd::fin, "stalled",
          "connection lost: stalled (a message not whole " +
              format_duration(mSettings.message_timeout_us) + " after its first byte)");
    return;
  }
  if (mState == ClientState::await_init) {
    if (t >= mDeadline) {
      close(ClientEnd::init_failed, false, PeerEnd::fin, "init_refused",
            "init refused: no init_response in " + format_duration(mSettings.response_timeout_us));
    }
    return;
  }
  if (mState == ClientState::ending) {
    if (t >= mDeadline) close(ClientEnd::input_done, false, PeerEnd::fin, "end", {});
    return;
  }
  // Marks whose answer is overdue, in input order.
  for (std::size_t i = 0; i < mFlights.size();) {
    if (mFlights[i].deadline > t) {
      ++i;
      continue;
    }
    const bool unanswered = !mFlights[i].awaiting_complete;
    settle(i, MarkStatus::no_response, std::nullopt);
    if (unanswered && mState == ClientState::ready) {
      // The injector may be gone: ask whether it is alive.
      send_request(now, ALIVE_REQUEST_DATA, mSettings.alive_time);
      mProbeHasTime = mSettings.alive_time;
      mState = ClientState::probing;
      mDeadline = t + mSettings.response_timeout_us;
    }
  }
  if (mState == ClientState::probing && t >= mDeadline) {
    settle_all(MarkStatus::no_response);
    close(ClientEnd::dropped, false, PeerEnd::fin, "no_alive_response",
          "no alive_response in " + format_duration(mSettings.response_timeout_us) +
              ": connection dropped");
    return;
  }
  if (mState == ClientState::ready && mSettings.alive_us > 0 &&
      t - mLastTraffic >= mSettings.alive_us) {
    send_request(now, ALIVE_REQUEST_DATA, mSettings.alive_time);
    mProbeHasTime = mSettings.alive_time;
    mState = ClientState::probing;
    mDeadline = t + mSettings.response_timeout_us;
  }
  send_marks(now);
  maybe_end(now);
}

std::optional<std::int64_t> AutomationClient::next_deadline() const {
  std::int64_t next = kNever;
  switch (mState) {
    case ClientState::connecting:
    case ClientState::closed:
      return std::nullopt;
    case ClientState::await_init:
    case ClientState::ending:
    case ClientState::probing:
      next = mDeadline;
      break;
    case ClientState::ready:
      if (mSettings.alive_us > 0) next = mLastTraffic + mSettings.alive_us;
      break;
  }
  if (mPartialSince) next = std::min(next, *mPartialSince + mSettings.message_timeout_us);
  if (mState == ClientState::ready || mState == ClientState::probing) {
    for (const Flight& flight : mFlights) next = std::min(next, flight.deadline);
    // A mark held back only by the interval.
    if (mState == ClientState::ready && mHeld && mSettings.interval_us > 0 && mLastMarkWrite &&
        !mLastMarkUnwritten) {
      next = std::min(next, *mLastMarkWrite + mSettings.interval_us);
    }
  }
  if (next == kNever) return std::nullopt;
  return next;
}

}  // namespace scte104
