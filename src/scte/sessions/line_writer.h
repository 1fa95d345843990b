// SPDX-License-Identifier: MIT
// What the line writers of every capture mode (--pcap, --anc, --ts) and
// the live logs share: a JSON Lines object and its members, written from
// a record's field list; the message, problem and head members; the
// timeline's columns; and the summary line, whose one field list gives
// both its JSON and its timeline form.
#ifndef SCTE104_LINE_WRITER_H
#define SCTE104_LINE_WRITER_H

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "json_writer.h"
#include "output.h"
#include "scte/scte35.h"
#include "scte/scte_104.h"
#include "scte/single_operation.h"
#include "session_line.h"

namespace scte104 {

// One line of JSON Lines: the object opens here and closes, with its line
// feed, at end().
class JsonLine {
 public:
  explicit JsonLine(Output& out) : json(out, JsonStyle::compact), mOut(out) { json.begin_object(); }
  void end() {
    json.end_object();
    mOut.text("\n");
  }

  JsonWriter json;

 private:
  Output& mOut;
};

// Writes members of the open object, one call a field, for the line
// records that list their fields (for_each_field): a number (a flag as 0
// or 1), a text, null for an absent optional number, a list of records.
class MemberWriter {
 public:
  explicit MemberWriter(JsonWriter& json) : mJson(json) {}

  void operator()(const char* key, std::uint64_t value) {
    mJson.key(key);
    mJson.number(value);
  }
  void operator()(const char* key, std::string_view text) {
    mJson.key(key);
    mJson.string(text);
  }
  template <typename T>
  void operator()(const char* key, const std::optional<T>& value) {
    if (value) {
      (*this)(key, std::uint64_t{*value});
      return;
    }
    mJson.key(key);
    mJson.null();
  }
  template <typename Record>
  void operator()(const char* key, const std::vector<Record>& records) {
    mJson.key(key);
    mJson.begin_array();
    for (const Record& record : records) {
      mJson.element();
      object(record);
    }
    mJson.end_array();
  }

  // A record as a member of its own: "key": {its fields}.
  template <typename Record>
  void object(const char* key, const Record& record) {
    mJson.key(key);
    object(record);
  }
  template <typename Record>
  void object(const Record& record) {
    mJson.begin_object();
    record.for_each_field(*this);
    mJson.end_object();
  }

 private:
  JsonWriter& mJson;
};

// "packet" and "time" (null before the first record): the head of every
// capture line.
void write_capture_members(const CaptureOrigin& origin, JsonWriter& json);

// "kind": single_operation_message or multiple_operation_message.
void write_kind_member(bool single, JsonWriter& json);

// "message", as --json shows a queue mark (with `scte35`) or the JSON of a
// single_operation_message(); or "error" with the reason a queue mark
// was refused.
void write_message_member(const scte_104::SingleOperationMessage* single,
                          const scte_104::MultipleOperationMessage* multiple,
                          const std::string& error, const scte_104::Scte35Settings& scte35,
                          JsonWriter& json);

// A problem line's members after the head: `problem`, its own members,
// then `text`.
void write_problem_members(const Problem& problem, JsonWriter& json);

// A capture's timeline line: "TIME  #PACKET  SOURCE > DESTINATION  NAME
// TEXT", "-" for a time before the first record or ends not known.
void write_capture_line(const CaptureOrigin& origin, std::string_view name, std::string_view text,
                        Output& out);
// A problem's: "! " ahead of the line, then its name and text.
void write_capture_problem(const CaptureOrigin& origin, const Problem& problem, Output& out);

// "  NAME  TEXT" and the line feed: the end of every timeline line.
void write_name_and_text(std::string_view name, std::string_view text, Output& out);

// The last line of a report. A summary lists each member once, in order,
// with visit(key, label, value): the JSON key, the timeline's label and
// the value. The timeline shows the counts alone.
template <typename Summary>
void write_json_summary(const Summary& summary, Output& out) {
  JsonLine line(out);
  line.json.key("summary");
  line.json.begin_object();
  MemberWriter members(line.json);
  summary.for_each_field(
      [&members](const char* key, const char* /*label*/, const auto& value) { members(key, value); });
  line.json.end_object();
  line.end();
}

// "summary: 3 packets, 1 connections, ...": the timeline's summary line.
class SummaryText {
 public:
  explicit SummaryText(Output& out) : mOut(out) { mOut.text("summary: "); }
  void operator()(const char* /*key*/, const char* label, std::uint64_t count) {
    mOut.text(mSeparator);
    mOut.decimal(count);
    mOut.text(" ");
    mOut.text(label);
    mSeparator = ", ";
  }
  // Members that are not counts are for JSON Lines alone.
  template <typename Other>
  void operator()(const char* /*key*/, const char* /*label*/, const Other& /*value*/) {}
  void end() { mOut.text("\n"); }

 private:
  Output& mOut;
  const char* mSeparator = "";
};

template <typename Summary>
void write_timeline_summary(const Summary& summary, Output& out) {
  SummaryText text(out);
  summary.for_each_field(text);
  text.end();
}

}  // namespace scte104

#endif  // SCTE104_LINE_WRITER_H
