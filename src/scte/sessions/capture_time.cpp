// SPDX-License-Identifier: MIT
#include "capture_time.h"

namespace scte104 {
namespace {

constexpr std::int64_t kSecondsPerDay = 86400;

struct CivilDate {
  std::int64_t year;
  unsigned month;
  unsigned day;
};

// The proleptic Gregorian date of a day counted from 1970-01-01, by eras
// of 400 years (146,097 days), each starting on March 1st.
CivilDate civil_from_days(std::int64_t days) {
  days += 719468;  // from 0000-03-01
  const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const auto day_of_era = static_cast<std::uint64_t>(days - era * 146097);
  const std::uint64_t year_of_era =
      (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
  const std::uint64_t day_of_year =
      day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
  const std::uint64_t shifted_month = (5 * day_of_year + 2) / 153;  // March is 0
  const auto day = static_cast<unsigned>(day_of_year - (153 * shifted_month + 2) / 5 + 1);
  const auto month =
      static_cast<unsigned>(shifted_month < 10 ? shifted_month + 3 : shifted_month - 9);
  const std::int64_t year =
      static_cast<std::int64_t>(year_of_era) + era * 400 + (month <= 2 ? 1 : 0);
  return CivilDate{year, month, day};
}

void append_digits(std::string& text, std::uint64_t value, int width) {
  char digits[20];
  for (int i = width - 1; i >= 0; --i) {
    digits[i] = static_cast<char>('0' + value % 10);
    value /= 10;
  }
  text.append(digits, static_cast<std::size_t>(width));
}

}  // namespace

std::string format_capture_time(const CaptureTime& time) {
  std::int64_t days = time.seconds / kSecondsPerDay;
  std::int64_t second_of_day = time.seconds % kSecondsPerDay;
  if (second_of_day < 0) {
    second_of_day += kSecondsPerDay;
    --days;
  }
  const CivilDate date = civil_from_days(days);
  std::string text;
  text.reserve(32);
  if (date.year < 0 || date.year > 9999) {
    text += std::to_string(date.year);  // past what the format can show
  } else {
    append_digits(text, static_cast<std::uint64_t>(date.year), 4);
  }
  text += '-';
  append_digits(text, date.month, 2);
  text += '-';
  append_digits(text, date.day, 2);
  text += 'T';
  const auto seconds = static_cast<std::uint64_t>(second_of_day);
  append_digits(text, seconds / 3600, 2);
  text += ':';
  append_digits(text, seconds / 60 % 60, 2);
  text += ':';
  append_digits(text, seconds % 60, 2);
  text += '.';
  if (time.nanoseconds % 1000 == 0) {
    append_digits(text, time.nanoseconds / 1000, 6);
  } else {
    append_digits(text, time.nanoseconds, 9);
  }
  text += 'Z';
  return text;
}

}  // namespace scte104
