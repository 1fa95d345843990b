// SPDX-License-Identifier: MIT
#include "send_report.h"

#include "capture_time.h"
#include "line_writer.h"
#include "scte/single_operation.h"

namespace scte104 {
namespace {

const char* status_name(MarkStatus status) {
  switch (status) {
    case MarkStatus::accepted:
      return "accepted";
    case MarkStatus::refused:
      return "refused";
    case MarkStatus::no_response:
      return "no_response";
    case MarkStatus::not_sent:
      return "not_sent";
    case MarkStatus::interrupted:
      return "interrupted";
  }
  return "";
}

}  // namespace

// YYYY-MM-DDTHH:MM:SS.ffffffZ, as the session lines show their time.
void SendReport::time(std::int64_t wall_us) {
  mOut.text(format_capture_time(
      CaptureTime{wall_us / 1'000'000, static_cast<std::uint32_t>(wall_us % 1'000'000) * 1000}));
}

void SendReport::mark(const MarkReport& mark) {
  ++mMarks;
  switch (mark.status) {
    case MarkStatus::accepted:
      ++mAccepted;
      break;
    case MarkStatus::refused:
      ++mRefused;
      break;
    case MarkStatus::no_response:
      ++mNoResponse;
      break;
    case MarkStatus::not_sent:
      ++mNotSent;
      break;
    case MarkStatus::interrupted:
      ++mInterrupted;
      break;
  }
  if (mark.latency_us) mLatency.add(*mark.latency_us);
  const char* result_name = mark.result ? scte_104::result_name(*mark.result) : nullptr;
  if (!mJson) {
    if (mark.time_us) {
      time(*mark.time_us);
    } else {
      mOut.text("-");
    }
    mOut.text("  mark ");
    mOut.decimal(mark.mark);
    mOut.text("  line ");
    mOut.decimal(mark.line);
    mOut.text("  message_number ");
    mOut.decimal(mark.message_number);
    mOut.text("  ");
    mOut.text(status_name(mark.status));
    mOut.text("  ");
    if (mark.result) {
      mOut.decimal(*mark.result);
      if (result_name != nullptr) {
        mOut.text(" ");
        mOut.text(result_name);
      }
      mOut.text(", ");
      mOut.decimal(*mark.latency_us);
      mOut.text(" us");
    } else {
      mOut.text(mark.time_us ? "no inject_response" : "not written");
    }
    if (mark.complete) {
      mOut.text("; complete ");
      mOut.decimal(mark.complete->result);
      if (const char* name = scte_104::result_name(mark.complete->result)) {
        mOut.text(" ");
        mOut.text(name);
      }
      mOut.text(", ");
      mOut.decimal(mark.complete->cue_message_count);
      mOut.text(" cue messages, ");
      mOut.decimal(mark.complete->latency_us);
      mOut.text(" us");
    }
    mOut.text("\n");
    return;
  }
  JsonLine line(mOut);
  JsonWriter& json = line.json;
  json.key("line");
  json.number(mark.line);
  json.key("mark");
  json.number(mark.mark);
  json.key("message_number");
  json.number(mark.message_number);
  json.key("time");
  if (mark.time_us) {
    mOut.text("\"");
    time(*mark.time_us);
    mOut.text("\"");
  } else {
    json.null();
  }
  json.key("status");
  json.string(status_name(mark.status));
  json.key("result");
  mark.result ? json.number(*mark.result) : json.null();
  json.key("result_name");
  result_name != nullptr ? json.string(result_name) : json.null();
  json.key("latency_us");
  mark.latency_us ? json.number(*mark.latency_us) : json.null();
  json.key("complete");
  if (mark.complete) {
    json.begin_object();
    json.key("result");
    json.number(mark.complete->result);
    json.key("result_name");
    const char* name = scte_104::result_name(mark.complete->result);
    name != nullptr ? json.string(name) : json.null();
    json.key("cue_message_count");
    json.number(mark.complete->cue_message_count);
    json.key("latency_us");
    json.number(mark.complete->latency_us);
    json.end_object();
  } else {
    json.null();
  }
  line.end();
}

void SendReport::error_line(std::uint64_t line, std::string_view text) {
  ++mErrors;
  if (!mJson) {
    mOut.text("! line ");
    mOut.decimal(line);
    mOut.text("  ");
    mOut.text(text);
    mOut.text("\n");
    return;
  }
  JsonLine json_line(mOut);
  json_line.json.key("line");
  json_line.json.number(line);
  json_line.json.key("error");
  json_line.json.escaped_string(text);
  json_line.end();
}

void SendReport::summary() {
  const bool any = mLatency.count() > 0;
  const std::pair<const char*, std::uint64_t> latencies[] = {{"min", mLatency.min()},
                                                             {"p50", mLatency.percentile(50)},
                                                             {"p90", mLatency.percentile(90)},
                                                             {"p99", mLatency.percentile(99)},
                                                             {"max", mLatency.max()}};
  const std::pair<const char*, std::uint64_t> counts[] = {
      {"marks", mMarks},      {"accepted", mAccepted},
      {"refused", mRefused},  {"no_response", mNoResponse},
      {"not_sent", mNotSent}, {"interrupted", mInterrupted},
      {"errors", mErrors}};
  if (!mJson) {
    mOut.text("summary: ");
    bool first = true;
    for (const auto& [name, count] : counts) {
      if (!first) mOut.text(", ");
      first = false;
      mOut.decimal(count);
      mOut.text(" ");
      mOut.text(name);
    }
    if (any) {
      mOut.text("; latency_us");
      for (const auto& [name, value] : latencies) {
        mOut.text(" ");
        mOut.text(name);
        mOut.text(" ");
        mOut.decimal(value);
      }
    }
    mOut.text("\n");
    return;
  }
  JsonLine line(mOut);
  JsonWriter& json = line.json;
  json.key("summary");
  json.begin_object();
  for (const auto& [name, count] : counts) {
    json.key(name);
    json.number(count);
  }
  json.key("latency_us");
  json.begin_object();
  for (const auto& [name, value] : latencies) {
    json.key(name);
    any ? json.number(value) : json.null();
  }
  json.end_object();
  json.end_object();
  line.end();
}

}  // namespace scte104
