// SPDX-License-Identifier: MIT
// The SCTE 104 side of ST 2110-40 streams: UDP datagrams to the listed
// ports read as RTP, each stream's sequence numbers and markers checked,
// the RFC 8331 payload taken apart into ANC packets, and the packets with
// DID 0x41 / SDID 0x07 joined into SCTE 104 messages (ST 2010).
#include "anc_report.h"

#include <bitset>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>

#include "anc_line.h"
#include "capture/packet.h"
#include "rtp/anc_payload.h"
#include "rtp/rtp_packet.h"
#include "rtp/sequence.h"
#include "scte/anc_payload.h"
#include "scte/single_operation.h"

namespace scte104 {
namespace {

std::string plural(std::uint64_t count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

std::string hex_byte(std::uint8_t value) {
  static const char digits[] = "0123456789ABCDEF";
  return std::string("0x") + digits[value >> 4u] + digits[value & 0xFu];
}

const char* field_name(rtp::Field field) {
  switch (field) {
    case rtp::Field::field_1:
      return "field_1";
    case rtp::Field::field_2:
      return "field_2";
    default:
      return "progressive";
  }
}

// A stream: who sends it where, under which SSRC.
struct StreamKey {
  capture::Endpoint source;
  capture::Endpoint destination;
  std::uint32_t ssrc = 0;

  bool operator==(const StreamKey& other) const {
    return ssrc == other.ssrc && source == other.source && destination == other.destination;
  }
};

struct StreamKeyHash {
  std::size_t operator()(const StreamKey& key) const {
    std::size_t hash = key.ssrc;
    for (const capture::Endpoint* end : {&key.source, &key.destination}) {
      for (std::uint8_t byte : end->address) hash = hash * 131 + byte;
      hash = hash * 65599 + end->port;
    }
    return hash;
  }
};

struct Stream {
  std::uint64_t number = 0;
  std::string source;
  std::string destination;
  rtp::SequenceTracker sequence;
};

class AncChecks {
 public:
  AncChecks(AncWriter& writer, const std::vector<std::uint16_t>& ports) : mWriter(writer) {
    for (std::uint16_t port : ports) mPorts.set(port);
  }

  void begin_record(std::uint64_t packet, const CaptureTime& time) {
    mSummary.packets = packet;
    mTime = time;
    mHaveRecord = true;
  }

  void datagram(const capture::UdpDatagram& datagram) {
    if (!mPorts.test(datagram.destination.port)) return;
    rtp::RtpPacket packet;
    if (!rtp::read_rtp_packet(datagram.payload, datagram.payload_size, packet)) {
      const std::string source = capture::to_string(datagram.source);
      const std::string destination = capture::to_string(datagram.destination);
      AncOrigin where = head();
      where.source = &source;
      where.destination = &destination;
      report(where, Problem{"not_rtp",
                            {{"bytes", std::uint64_t{datagram.payload_size}}},
                            plural(datagram.payload_size, "byte", "bytes") +
                                " on the port are no RTP version 2 packet"});
      return;
    }
    ++mSummary.rtp_packets;
    read_rtp(stream_of(datagram, packet.ssrc), packet);
  }

  void capture_error() {
    AncOrigin where;
    where.packet = mSummary.packets + 1;
    where.time = mHaveRecord ? &mTime : nullptr;
    report(where, Problem{"capture_error", {}, "the capture file cannot be read past this point"});
  }

  // The capture ended: the parts still waiting, then the summary.
  void finish() {
    for (const std::unique_ptr<Stream>& stream : mStreams) {
      mStream = stream.get();
      drop_fragments(*stream);
    }
    mSummary.streams = mStreams.size();
    for (const auto& [key, count] : mOtherAnc) {
      mSummary.other_anc.push_back(OtherAnc{key.first, key.second, count});
    }
    mWriter.summary(mSummary);
  }

 private:
  Stream& stream_of(const capture::UdpDatagram& datagram, std::uint32_t ssrc) {
    const StreamKey key{datagram.source, datagram.destination, ssrc};
    if (mLast != nullptr && mLastKey == key) return *mLast;
    auto found = mByKey.find(key);
    if (found == mByKey.end()) {
      auto stream = std::make_unique<Stream>();
      stream->number = mStreams.size() + 1;
      stream->source = capture::to_string(datagram.source);
      stream->destination = capture::to_string(datagram.destination);
      found = mByKey.emplace(key, stream.get()).first;
      mStreams.push_back(std::move(stream));
    }
    mLastKey = key;
    mLast = found->second;
    return *mLast;
  }

  AncOrigin head() const {
    AncOrigin where;
    where.packet = mSummary.packets;
    where.time = &mTime;
    return where;
  }

  AncOrigin stream_head() const {
    AncOrigin where = head();
    where.stream = mStream->number;
    where.source = &mStream->source;
    where.destination = &mStream->destination;
    return where;
  }

  void report(const AncOrigin& where, Problem problem) {
    ++mSummary.problems;
    mWriter.problem(where, problem);
  }

  void stream_problem(Problem problem) { report(stream_head(), std::move(problem)); }

  void read_rtp(Stream& stream, const rtp::RtpPacket& packet) {
    mStream = &stream;
    mRtp = &packet;
    rtp::PayloadHeader header;
    if (!rtp::read_payload_header(packet.payload, packet.payload_size, header)) {
      stream_problem(Problem{"payload_header",
                             {{"reason", "short"}},
                             "RTP payload of " + plural(packet.payload_size, "byte", "bytes") +
                                 " holds no payload header"});
      return;
    }
    mExtended = std::uint32_t{header.extended_sequence} << 16u | packet.sequence;
    mField = header.field;
    if (!check_sequence(stream, packet)) return;
    switch (rtp::check_payload_header(header, packet.payload_size)) {
      case rtp::PayloadHeaderFault::none:
        break;
      case rtp::PayloadHeaderFault::reserved:
        stream_problem(Problem{
            "payload_header", {{"reason", "reserved"}}, "reserved bits of the payload header set"});
        return;
      case rtp::PayloadHeaderFault::length: {
        const std::uint64_t bytes = packet.payload_size - rtp::kPayloadHeaderSize;
        stream_problem(Problem{
            "payload_header",
            {{"reason", "length"}, {"length", std::uint64_t{header.length}}, {"bytes", bytes}},
            "Length " + std::to_string(header.length) + " but " + plural(bytes, "byte", "bytes") +
                " of ANC data"});
        return;
      }
      case rtp::PayloadHeaderFault::invalid_field:
        stream_problem(
            Problem{"invalid_field",
                    {{"anc_count", std::uint64_t{header.anc_count}}},
                    "F is 01 (invalid): " + plural(header.anc_count, "ANC packet", "ANC packets") +
                        " ignored"});
        return;
    }
    read_anc_packets(stream, packet.payload + rtp::kPayloadHeaderSize, header);
  }

  // The sequence rules; false when the packet is dropped.
  bool check_sequence(Stream& stream, const rtp::RtpPacket& packet) {
    const rtp::SequenceCheck check =
        stream.sequence.take(mExtended, packet.timestamp, packet.marker);
    switch (check.order) {
      case rtp::Order::first:
      case rtp::Order::in_order:
        if (check.missing_marker) {
          stream_problem(Problem{"missing_marker",
                                 {{"timestamp", std::uint64_t{check.previous_timestamp}}},
                                 "timestamp changed after a packet of timestamp " +
                                     std::to_string(check.previous_timestamp) +
                                     " without the marker bit"});
        }
        return true;
      case rtp::Order::gap:
        stream_problem(Problem{"sequence_gap",
                               {{"expected", std::uint64_t{check.expected}},
                                {"found", std::uint64_t{mExtended}},
                                {"missing", std::uint64_t{check.missing}}},
                               plural(check.missing, "RTP packet", "RTP packets") +
                                   " missing before extended sequence " +
                                   std::to_string(mExtended)});
        drop_fragments(stream);
        return true;
      case rtp::Order::behind:
        stream_problem(Problem{
            "out_of_order",
            {{"expected", std::uint64_t{check.expected}}, {"found", std::uint64_t{mExtended}}},
            "extended sequence " + std::to_string(mExtended) + " came while " +
                std::to_string(check.expected) + " was wanted"});
        return true;
      case rtp::Order::duplicate:
        stream_problem(
            Problem{"duplicate",
                    {{"extended_sequence", std::uint64_t{mExtended}}},
                    "extended sequence " + std::to_string(mExtended) + " again: packet dropped"});
        return false;
    }
    return true;
  }

  void read_anc_packets(Stream& stream, const std::uint8_t* data,
                        const rtp::PayloadHeader& header) {
    rtp::AncPacketReader reader(data, header.length, header.anc_count);
    rtp::AncPacket anc;
    for (;;) {
      switch (reader.next(anc)) {
        case rtp::AncPacketReader::Next::packet:
          mAnc = &anc;
          on_anc_packet(stream, anc);
          break;
        case rtp::AncPacketReader::Next::cut:
          stream_problem(Problem{
              "anc_error", {{"reason", "cut"}}, "an ANC packet passes the end of the ANC data"});
          return;
        case rtp::AncPacketReader::Next::extra:
          stream_problem(
              Problem{"anc_error",
                      {{"reason", "extra"}},
                      "bytes left after " + plural(header.anc_count, "ANC packet", "ANC packets")});
          return;
        case rtp::AncPacketReader::Next::end:
          return;
      }
    }
  }

  void on_anc_packet(Stream& stream, const rtp::AncPacket& anc) {
    ++mSummary.anc_packets;
    const std::string names = "DID " + hex_byte(anc.did) + " SDID " + hex_byte(anc.sdid);
    if (anc.check == rtp::WordCheck::parity) {
      stream_problem(Problem{"anc_error",
                             {{"reason", "parity"}},
                             "ANC packet " + names + ": a word's parity bits are wrong"});
    } else if (anc.check == rtp::WordCheck::checksum) {
      stream_problem(Problem{
          "anc_error", {{"reason", "checksum"}}, "ANC packet " + names + ": wrong checksum word"});
    }
    if (anc.did != scte_104::kScte104Did || anc.sdid != scte_104::kScte104Sdid ||
        anc.data_count == 0) {
      ++mOtherAnc[{anc.did, anc.sdid}];
      return;
    }
    mJoiner.add(stream.number, anc.user_data, anc.data_count, mEvents);
    for (const scte_104::AncPayloadEvent& event : mEvents) {
      using Kind = scte_104::AncPayloadEvent::Kind;
      switch (event.kind) {
        case Kind::payload_descriptor:
          bad_descriptor(event.value);
          break;
        case Kind::fragment_orphan:
          orphan();
          break;
        case Kind::fragment_interrupted:
          interrupted(event.bytes);
          break;
        case Kind::bad_message:
          stream_problem(
              Problem{"bad_message",
                      {{"bytes", std::uint64_t{event.bytes}}},
                      plural(event.bytes, "byte", "bytes") + " joined are no SCTE 104 message"});
          break;
        case Kind::message:
          message(event);
          break;
      }
    }
  }

  // Parts of a message waiting on the stream are dropped.
  void drop_fragments(const Stream& stream) {
    if (const std::optional<std::size_t> bytes = mJoiner.finish(stream.number)) {
      interrupted(*bytes);
    }
  }

  void bad_descriptor(std::uint8_t value) {
    stream_problem(Problem{"payload_descriptor",
                           {{"value", std::uint64_t{value}}},
                           "payload descriptor " + hex_byte(value) +
                               " has reserved bits set or a version other than 1"});
  }

  void orphan() {
    stream_problem(
        Problem{"fragment_orphan", {}, "a middle part of a message with no first part: dropped"});
  }

  void interrupted(std::size_t bytes) {
    stream_problem(Problem{"fragment_interrupted",
                           {{"bytes", std::uint64_t{bytes}}},
                           plural(bytes, "byte", "bytes") + " of an unfinished message dropped"});
  }

  void message(const scte_104::AncPayloadEvent& event) {
    AncMessage message;
    message.rtp = RtpFields{mRtp->ssrc,      mRtp->payload_type, mRtp->sequence,    mExtended,
                            mRtp->timestamp, mRtp->marker,       field_name(mField)};
    message.anc.line_number = mAnc->line_number;
    message.anc.c_not_y_channel_flag = mAnc->c_not_y_channel_flag;
    message.anc.horizontal_offset = mAnc->horizontal_offset;
    if (mAnc->stream_flag) message.anc.data_stream = mAnc->stream_num;
    message.anc.payload_descriptor = event.payload_descriptor;
    message.anc.fragments = event.fragments;
    ++mSummary.messages;
    if (event.multiple) {
      const MultipleOperationLine line = decode_multiple_operation(event.data, event.size);
      message.multiple = &line;
      mWriter.message(stream_head(), message);
    } else {
      const scte_104::SingleOperationMessage single =
          scte_104::decode_single_operation(event.data, event.size);
      message.single = &single;
      mWriter.message(stream_head(), message);
    }
  }

  AncWriter& mWriter;
  std::bitset<65536> mPorts;
  std::vector<std::unique_ptr<Stream>> mStreams;  // by number - 1
  std::unordered_map<StreamKey, Stream*, StreamKeyHash> mByKey;
  StreamKey mLastKey;
  Stream* mLast = nullptr;
  std::map<std::pair<std::uint8_t, std::uint8_t>, std::uint64_t> mOtherAnc;
  scte_104::AncPayloadJoiner mJoiner;  // keyed by stream number
  std::vector<scte_104::AncPayloadEvent> mEvents;
  AncSummary mSummary;
  CaptureTime mTime;
  bool mHaveRecord = false;
  // The packet being read, for the lines the joiner causes.
  Stream* mStream = nullptr;
  const rtp::RtpPacket* mRtp = nullptr;
  const rtp::AncPacket* mAnc = nullptr;
  std::uint32_t mExtended = 0;
  rtp::Field mField = rtp::Field::progressive;
};

}  // namespace

void report_anc(capture::CaptureFile& file, const AncReportOptions& options, Output& out) {
  const std::unique_ptr<AncWriter> writer = options.json_lines
                                                ? make_anc_json_lines_writer(out, options.scte35)
                                                : make_anc_timeline_writer(out);
  AncChecks checks(*writer, options.ports);
  capture::Record record;
  for (;;) {
    const capture::ReadStatus status = file.next(record);
    if (status == capture::ReadStatus::end) break;
    if (status == capture::ReadStatus::error) {
      checks.capture_error();
      break;
    }
    checks.begin_record(record.number, CaptureTime{record.seconds, record.nanoseconds});
    capture::UdpDatagram datagram;
    if (capture::read_udp_datagram(file.link_type(), record.data, record.size, datagram)) {
      checks.datagram(datagram);
    }
  }
  checks.finish();
}

}  // namespace scte104
