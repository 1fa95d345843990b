// SPDX-License-Identifier: MIT
// --anc lines: JSON Lines for scripts, a timeline for people.
//   TIME  #PACKET  SOURCE > DESTINATION  NAME  SUMMARY
//   ! TIME  #PACKET  SOURCE > DESTINATION  PROBLEM  TEXT
#include <string>

#include "anc_line.h"
#include "capture_time.h"
#include "message_summary.h"
#include "report.h"
#include "session_writers.h"

namespace scte104 {
namespace {

class AncJsonLinesWriter : public AncWriter {
 public:
  AncJsonLinesWriter(Output& out, const scte_104::Scte35Settings& scte35)
      : mOut(out), mScte35(scte35) {}

  void message(const AncOrigin& origin, const AncMessage& message) override {
    JsonWriter json(mOut, JsonStyle::compact);
    begin(origin, json);
    write_rtp(message.rtp, json);
    write_anc(message.anc, json);
    json.key("kind");
    if (message.single != nullptr) {
      json.string("single_operation_message");
      json.key("message");
      write_single_operation_json(*message.single, json);
    } else {
      json.string("multiple_operation_message");
      if (message.multiple->message) {
        json.key("message");
        json.begin_object();
        write_json_report_members(*message.multiple->message, mScte35, json);
        json.end_object();
      } else {
        json.key("error");
        json.string(message.multiple->error);
      }
    }
    end(json);
  }

  void problem(const AncOrigin& origin, const Problem& problem) override {
    JsonWriter json(mOut, JsonStyle::compact);
    begin(origin, json);
    write_problem_members(problem, json);
    end(json);
  }

  void summary(const AncSummary& summary) override {
    mOut.text("{\"summary\": {\"packets\": ");
    mOut.decimal(summary.packets);
    mOut.text(", \"streams\": ");
    mOut.decimal(summary.streams);
    mOut.text(", \"rtp_packets\": ");
    mOut.decimal(summary.rtp_packets);
    mOut.text(", \"anc_packets\": ");
    mOut.decimal(summary.anc_packets);
    mOut.text(", \"messages\": ");
    mOut.decimal(summary.messages);
    mOut.text(", \"other_anc\": [");
    const char* separator = "";
    for (const OtherAnc& other : summary.other_anc) {
      mOut.text(separator);
      mOut.text("{\"did\": ");
      mOut.decimal(other.did);
      mOut.text(", \"sdid\": ");
      mOut.decimal(other.sdid);
      mOut.text(", \"count\": ");
      mOut.decimal(other.count);
      mOut.text("}");
      separator = ", ";
    }
    mOut.text("], \"problems\": ");
    mOut.decimal(summary.problems);
    mOut.text("}}\n");
  }

 private:
  void begin(const AncOrigin& origin, JsonWriter& json) {
    json.begin_object();
    json.key("packet");
    json.number(origin.packet);
    json.key("time");
    if (origin.time != nullptr) {
      json.string(format_capture_time(*origin.time));
    } else {
      json.null();
    }
    if (origin.source == nullptr) return;
    json.key("stream");
    if (origin.stream != 0) {
      json.number(origin.stream);
    } else {
      json.null();
    }
    json.key("source");
    json.string(*origin.source);
    json.key("destination");
    json.string(*origin.destination);
  }

  static void write_rtp(const RtpFields& rtp, JsonWriter& json) {
    json.key("rtp");
    json.begin_object();
    json.key("ssrc");
    json.number(rtp.ssrc);
    json.key("payload_type");
    json.number(rtp.payload_type);
    json.key("sequence");
    json.number(rtp.sequence);
    json.key("extended_sequence");
    json.number(rtp.extended_sequence);
    json.key("timestamp");
    json.number(rtp.timestamp);
    json.key("marker");
    json.number(rtp.marker ? 1 : 0);
    json.key("field");
    json.string(rtp.field);
    json.end_object();
  }

  static void write_anc(const AncFields& anc, JsonWriter& json) {
    json.key("anc");
    json.begin_object();
    json.key("line_number");
    json.number(anc.line_number);
    json.key("c_not_y_channel_flag");
    json.number(anc.c_not_y_channel_flag ? 1 : 0);
    json.key("horizontal_offset");
    json.number(anc.horizontal_offset);
    json.key("data_stream");
    if (anc.data_stream) {
      json.number(*anc.data_stream);
    } else {
      json.null();
    }
    json.key("payload_descriptor");
    json.number(anc.payload_descriptor);
    json.key("fragments");
    json.number(anc.fragments);
    json.end_object();
  }

  void end(JsonWriter& json) {
    json.end_object();
    mOut.text("\n");
  }

  Output& mOut;
  const scte_104::Scte35Settings& mScte35;
};

class AncTimelineWriter : public AncWriter {
 public:
  explicit AncTimelineWriter(Output& out) : mOut(out) {}

  void message(const AncOrigin& origin, const AncMessage& message) override {
    const std::string where = "seq " + std::to_string(message.rtp.sequence) + ", ts " +
                              std::to_string(message.rtp.timestamp) + ", line " +
                              std::to_string(message.anc.line_number);
    if (message.single != nullptr) {
      line(origin, short_name(message.single->opID),
           single_summary(*message.single) + "; " + where);
    } else {
      line(origin, "multiple_operation_message",
           multiple_summary(*message.multiple) + "; " + where);
    }
  }

  void problem(const AncOrigin& origin, const Problem& problem) override {
    mOut.text("! ");
    line(origin, problem.name, problem.text);
  }

  void summary(const AncSummary& summary) override {
    mOut.text("summary: ");
    mOut.decimal(summary.packets);
    mOut.text(" packets, ");
    mOut.decimal(summary.streams);
    mOut.text(" streams, ");
    mOut.decimal(summary.rtp_packets);
    mOut.text(" RTP packets, ");
    mOut.decimal(summary.anc_packets);
    mOut.text(" ANC packets, ");
    mOut.decimal(summary.messages);
    mOut.text(" messages, ");
    mOut.decimal(summary.problems);
    mOut.text(" problems\n");
  }

 private:
  void line(const AncOrigin& origin, std::string_view name, std::string_view text) {
    mOut.text(origin.time != nullptr ? format_capture_time(*origin.time) : "-");
    mOut.text("  #");
    mOut.decimal(origin.packet);
    mOut.text("  ");
    if (origin.source == nullptr) {
      mOut.text("-");
    } else {
      mOut.text(*origin.source);
      mOut.text(" > ");
      mOut.text(*origin.destination);
    }
    mOut.text("  ");
    mOut.text(name);
    mOut.text("  ");
    mOut.text(text);
    mOut.text("\n");
  }

  Output& mOut;
};

}  // namespace

std::unique_ptr<AncWriter> make_anc_json_lines_writer(Output& out,
                                                      const scte_104::Scte35Settings& scte35) {
  return std::make_unique<AncJsonLinesWriter>(out, scte35);
}

std::unique_ptr<AncWriter> make_anc_timeline_writer(Output& out) {
  return std::make_unique<AncTimelineWriter>(out);
}

}  // namespace scte104
