// SPDX-License-Identifier: MIT
// An MPEG-2 transport stream (ISO/IEC 13818-1) read as it comes: sync in
// 188-, 192- and 204-byte units, continuity counters, PAT and PMT, section
// reassembly with pointer_field, PES with PTS, and the SMPTE ST 2038 ANC
// records of the PES. It follows two kinds of elementary stream: SCTE 35
// (stream_type 0x86) and ST 2038 (stream_type 0x06 with the "VANC"
// registration), and hands out their sections and ANC records, and every
// problem of the stream, through a Handler, in stream order.
#ifndef SCTE104_TS_DEMUXER_H
#define SCTE104_TS_DEMUXER_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <vector>

#include "ts/anc_record.h"

namespace ts {

constexpr std::size_t kPacketSize = 188;
constexpr std::uint16_t kPidCount = 8192;
// The largest section_length: a section is at most 4096 bytes.
constexpr std::size_t kMaxSectionLength = 4093;

enum class ProblemKind : std::uint8_t {
  sync_lost,    // bytes: skipped to find sync
  truncated,    // bytes: fewer than a unit at the end
  cc_error,     // expected, found: a continuity counter gap
  crc_error,    // table_id: a PAT, PMT or splice_info_section with a wrong CRC_32
  bad_section,  // table_id: a section_length above 4093
  section_cut,  // bytes: a section that never completed
  bad_pes,      // no PES start, or a header that does not fit
  pes_cut,      // bytes: a PES shorter than its PES_packet_length
  no_pts,       // an ST 2038 PES without PTS
  anc_error,    // anc_error: leading_bits, cut, parity or checksum
};

enum class AncProblem : std::uint8_t { leading_bits, cut, parity, checksum };

struct Problem {
  ProblemKind kind = ProblemKind::sync_lost;
  std::uint64_t packet = 0;  // the packet being handled (see Handler)
  int pid = -1;              // -1 for sync_lost and truncated
  std::uint64_t bytes = 0;
  std::uint8_t expected = 0;
  std::uint8_t found = 0;
  std::uint8_t table_id = 0;
  AncProblem anc_error = AncProblem::cut;
};

// Receives what the stream holds. `packet` counts every whole packet read
// from 1, whatever its PID: the one that completed the item, or the one
// being handled (at the end of the input, the last one; for sync_lost, the
// packet read next).
class Handler {
 public:
  virtual ~Handler() = default;
  virtual void problem(const Problem& problem) = 0;
  // A splice_info_section (table_id 0xFC) of an SCTE 35 PID whose CRC_32
  // checks, 3 + section_length bytes.
  virtual void splice_section(std::uint64_t packet, std::uint16_t pid, const std::uint8_t* data,
                              std::size_t size) = 0;
  // An ANC record of an ST 2038 PES, with the PES's PTS (none without one).
  // A record whose word checks failed has had its anc_error first.
  virtual void anc_record(std::uint64_t packet, std::uint16_t pid, std::optional<std::uint64_t> pts,
                          const AncRecord& record) = 0;
  // At the end of the input, for each PID read, in increasing order, once
  // its unfinished section or PES was reported.
  virtual void pid_end(std::uint64_t /*packet*/, std::uint16_t /*pid*/) {}
};

// Thrown by finish() when no sync was found anywhere in the input.
class NotTransportStream : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct DemuxerOptions {
  // PIDs read from the start whatever the PMT says: on each packet with
  // payload_unit_start_indicator, a payload starting 00 00 01 makes the PID
  // an ST 2038 PES PID, anything else an SCTE 35 section PID.
  std::vector<std::uint16_t> forced_pids;
};

class Demuxer {
 public:
  Demuxer(Handler& handler, const DemuxerOptions& options = {});
  ~Demuxer();
  Demuxer(const Demuxer&) = delete;
  Demuxer& operator=(const Demuxer&) = delete;

  // Where the next bytes of the input go, and how many fit (never 0).
  std::uint8_t* input_space(std::size_t& size);
  // `count` bytes were written at input_space(): reads every packet they
  // complete.
  void input_done(std::size_t count);
  // Copies `size` bytes in through input_space() and input_done().
  void feed(const std::uint8_t* data, std::size_t size);
  // The input ended: reports the bytes left over and what each PID has
  // unfinished. Throws NotTransportStream when sync was never found.
  void finish();

  std::uint64_t packets() const { return mPackets; }

 private:
  struct PidState;
  enum class PidKind : std::uint8_t;

  void process(bool at_end);
  bool try_sync(std::size_t position);
  void packet(const std::uint8_t* packet);
  void section_payload(PidState& state, std::uint16_t pid, bool start, const std::uint8_t* data,
                       std::size_t size);
  std::size_t section_append(PidState& state, std::uint16_t pid, const std::uint8_t* data,
                             std::size_t size, bool& drop_rest);
  void section_done(PidState& state, std::uint16_t pid);
  void section_cut(PidState& state, std::uint16_t pid);
  void pes_payload(PidState& state, std::uint16_t pid, bool start, const std::uint8_t* data,
                   std::size_t size);
  void pes_done(PidState& state, std::uint16_t pid);
  void read_pat(const std::uint8_t* section, std::size_t size);
  void read_pmt(const std::uint8_t* section, std::size_t size);
  void add_pid(std::uint16_t pid, PidKind kind);
  void report(ProblemKind kind, int pid, std::uint64_t bytes = 0);

  Handler& mHandler;
  std::array<std::unique_ptr<PidState>, kPidCount> mPids;
  // Not zero-filled first: the input fills it.
  std::unique_ptr<std::uint8_t[]> mBuffer;
  std::size_t mCapacity = 0;
  std::size_t mStart = 0;  // first byte not yet read
  std::size_t mEnd = 0;    // end of the bytes in
  std::size_t mUnit = 0;   // 188, 192 or 204 once in sync; 0 while searching
  std::uint64_t mSkipped = 0;
  std::uint64_t mPackets = 0;
  bool mEverSynced = false;
  AncRecord mRecord;
};

}  // namespace ts

#endif  // SCTE104_TS_DEMUXER_H
