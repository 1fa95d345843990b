// SPDX-License-Identifier: MIT
// What the injector emulator answers: a whole message in, answers with the
// times they fall due out. No sockets and no clock of its own: the caller
// hands in the arrival time and takes each answer out when it is due, so a
// test drives it on a fake clock.
#ifndef SCTE104_INJECTOR_POLICY_H
#define SCTE104_INJECTOR_POLICY_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "fault_rules.h"
#include "scte/scte35.h"
#include "scte/session.h"
#include "session_line.h"

namespace scte104 {

struct InjectorSettings {
  std::uint16_t result = 100;                // of every inject_response
  std::int64_t delay_ns = 0;                 // arrival to answer
  std::optional<std::int64_t> complete_ns;   // inject_response to inject_complete_response
  bool exclusive = false;                    // 110 while another connection is READY
  std::uint8_t leap_seconds = 18;            // added to time()'s seconds
  std::vector<FaultRule> rules;
  scte_104::Scte35Settings scte35;           // for cue_message_count
};

// One answer, made when it falls due: its message_number and time() are
// filled in then (make_answer).
struct Answer {
  std::int64_t due_ns = 0;
  std::uint64_t order = 0;  // arrival order among answers due together
  std::array<std::uint8_t, 21> bytes{};
  std::uint8_t size = 0;
  bool counted = false;  // message_number: messages written on the connection
  bool timed = false;    // data: time() when made
};

// The state of one connection.
struct InjectorConnection {
  std::uint64_t number = 0;
  bool ready = false;          // an init_response of 100 or 128 went out
  std::uint64_t marks = 0;     // multiple_operation_messages received
  std::uint8_t written = 0;    // messages written, mod 256
};

struct Decision {
  std::vector<Answer> answers;
  bool close = false;  // a rule's close: no answer, the connection closes
};

class InjectorPolicy {
 public:
  explicit InjectorPolicy(InjectorSettings settings) : mSettings(std::move(settings)) {}

  // A whole message to the injector that arrived at `now_ns`. A queue mark
  // the caller has decoded already comes as `decoded`; else it is decoded
  // here.
  Decision on_message(InjectorConnection& connection, const std::uint8_t* bytes, std::size_t size,
                      std::int64_t now_ns, const MultipleOperationLine* decoded = nullptr);
  // general_response 114 for a messageSize the framer refused (below the
  // minimum or above the largest taken), due at once.
  Answer bad_size(std::uint16_t op_id, std::int64_t now_ns);

  // The answer leaves now: fills in its message_number and time() (from
  // `wall`, UTC) and notes an init_response that makes the connection READY.
  void make_answer(InjectorConnection& connection, Answer& answer, const scte_104::SessionTime& wall);
  // The connection is gone.
  void closed(InjectorConnection& connection);

  const InjectorSettings& settings() const { return mSettings; }

 private:
  Answer answer(std::int64_t due_ns, std::uint16_t op_id, std::uint16_t result,
                std::uint16_t result_extension, std::uint8_t as_index, std::uint8_t message_number,
                std::uint16_t dpi_pid_index);

  InjectorSettings mSettings;
  std::uint64_t mReady = 0;  // open connections that are READY
  std::uint64_t mOrder = 0;
};

// Time order: due time, then arrival.
inline bool due_before(const Answer& a, const Answer& b) {
  return a.due_ns < b.due_ns || (a.due_ns == b.due_ns && a.order < b.order);
}

}  // namespace scte104

#endif  // SCTE104_INJECTOR_POLICY_H
