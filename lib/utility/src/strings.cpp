// SPDX-License-Identifier: MIT
#include "utility/strings.h"

#include <sys/time.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <memory>
#include <sstream>

// ---------------------------------------------------------------------------
// String helpers
// ---------------------------------------------------------------------------
namespace ext {
namespace {

// isspace() takes an int that must be representable as unsigned char: widen
// the byte as unsigned so that 0x80..0xFF never turn into negative values.
bool is_not_space(char ch) { return std::isspace(static_cast<unsigned char>(ch)) == 0; }

}  // namespace

std::string strip_left(std::string s) {
  const auto first = std::find_if(s.begin(), s.end(), is_not_space);
  s.erase(s.begin(), first);  // one block move, nothing when first == begin
  return s;
}

std::string strip_right(std::string s) {
  const auto last = std::find_if(s.rbegin(), s.rend(), is_not_space);
  s.erase(last.base(), s.end());
  return s;
}

std::string strip(std::string s) { return strip_left(strip_right(std::move(s))); }

std::vector<std::string> split(const std::string& str, char delim) {
  std::vector<std::string> tokens;
  std::istringstream input(str);
  std::string token;
  // getline() fails only when it starts at the end of the input, so a
  // trailing delimiter ends the loop without adding an empty token.
  while (std::getline(input, token, delim)) tokens.push_back(token);
  return tokens;
}

std::string join(const std::vector<std::string>& v, char c) {
  std::string result;
  for (std::size_t i = 0; i < v.size(); ++i) {
    result += v[i];
    if (i + 1 < v.size()) result += c;
  }
  return result;
}

// ---------------------------------------------------------------------------
// Date helpers
// ---------------------------------------------------------------------------
namespace date {

std::string now_ms() {
  timeval now{};
  gettimeofday(&now, nullptr);
  std::tm local{};
  localtime_r(&now.tv_sec, &local);

  char text[32] = {};
  // "%F %T" is 19 characters for a four-digit year; the milliseconds go
  // right after it. A year outside 1000..9999 gives another length, so the
  // text is formatted again into the whole array and the milliseconds follow
  // whatever length it has.
  std::size_t length = std::strftime(text, 20, "%F %T", &local);
  if (length != 19) length = std::strftime(text, sizeof text - 5, "%F %T", &local);
  const int milliseconds = static_cast<int>(now.tv_usec / 1000);  // cut, not rounded
  std::snprintf(text + length, 5, ".%03d", milliseconds);
  return text;
}

namespace {

// strftime() returns 0 both when the text does not fit and when the text is
// empty. Formatting a marker byte in front of the format into two bytes
// tells them apart: only an empty text leaves room for the marker.
bool formats_to_empty_text(const char* fmt, const std::tm* tm) {
  const std::string marked = std::string("x") + fmt;
  char probe[2];
  return std::strftime(probe, sizeof probe, marked.c_str(), tm) == 1;
}

}  // namespace

std::string dateformat(const char* fmt, const std::tm* tm) {
  char buffer[32];
  std::size_t sz = sizeof buffer;
  const char* text = buffer;
  std::size_t length = std::strftime(buffer, sz, fmt, tm);
  if (length == 0 && formats_to_empty_text(fmt, tm)) return std::string();

  std::unique_ptr<char[]> todelete;  // the one heap array of the current try
  while (length == 0) {
    todelete.reset();  // release the previous try before asking for more
    sz = sz * 3 / 2;
    todelete.reset(new char[sz]);
    text = todelete.get();
    length = std::strftime(todelete.get(), sz, fmt, tm);
  }
  return std::string(text, length);
}

std::string dateformat(const char* fmt, std::time_t uxtime) {
  std::tm local{};
  localtime_r(&uxtime, &local);  // a failed conversion leaves the fields at 0
  return dateformat(fmt, &local);
}

}  // namespace date

// ---------------------------------------------------------------------------
// Base64 codec
// ---------------------------------------------------------------------------
namespace base64 {
namespace {

// The RFC 4648 alphabet in value order: the character for the 6-bit value s
// is base64_chars[s]. A compile-time constant, so it costs nothing at start.
constexpr char base64_chars[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZ"
    "abcdefghijklmnopqrstuvwxyz"
    "0123456789+/";
constexpr std::size_t alphabet_size = sizeof base64_chars - 1;

bool is_base64(unsigned char c) { return std::isalnum(c) != 0 || c == '+' || c == '/'; }

std::size_t base64_length(std::size_t n) { return 4 * ((n + 2) / 3); }

// The 6-bit value of an alphabet character, by a search of the alphabet.
unsigned value_of(char c) {
  const char* const end = base64_chars + alphabet_size;
  return static_cast<unsigned>(std::find(base64_chars, end, c) - base64_chars);
}

// Four 6-bit values give three bytes, each cut to its low 8 bits.
void join_into_bytes(const unsigned (&s)[4], char (&b)[3]) {
  b[0] = static_cast<char>(((s[0] << 2u) + ((s[1] & 0x30u) >> 4u)) & 0xFFu);
  b[1] = static_cast<char>((((s[1] & 0x0Fu) << 4u) + ((s[2] & 0x3Cu) >> 2u)) & 0xFFu);
  b[2] = static_cast<char>((((s[2] & 0x03u) << 6u) + s[3]) & 0xFFu);
}

// The four characters of one group of three bytes; of a final group of
// one or two bytes (`count`), the missing bytes count as zero and the
// characters that would encode only them become "=".
template <typename Emit>
void encode_group(const std::uint8_t* group, std::size_t count, Emit emit) {
  const unsigned b0 = group[0];
  const unsigned b1 = count > 1 ? group[1] : 0u;
  const unsigned b2 = count > 2 ? group[2] : 0u;
  emit(base64_chars[b0 >> 2u]);
  emit(base64_chars[((b0 & 0x03u) << 4u) | (b1 >> 4u)]);
  emit(count > 1 ? base64_chars[((b1 & 0x0Fu) << 2u) | (b2 >> 6u)] : '=');
  emit(count > 2 ? base64_chars[b2 & 0x3Fu] : '=');
}

template <typename Emit>
void encode_all(const std::uint8_t* data, std::size_t len, Emit emit) {
  std::size_t n = 0;
  for (; len - n >= 3; n += 3) encode_group(data + n, 3, emit);
  if (n < len) encode_group(data + n, len - n, emit);
}

}  // namespace

std::string encode(const std::uint8_t* data, std::size_t len) {
  std::string result;  // grows one character at a time
  encode_all(data, len, [&result](char c) { result.push_back(c); });
  return result;
}

std::size_t encode_to(const std::uint8_t* data, std::size_t len, char* out) {
  char* const start = out;
  encode_all(data, len, [&out](char c) { *out++ = c; });
  return static_cast<std::size_t>(out - start);
}

std::string decode(const std::string& encoded_string) {
  std::string result;
  result.reserve(base64_length(encoded_string.size()));
  char char_array_4[4];
  unsigned sextets[4] = {};
  char bytes[3];
  std::size_t i = 0;
  for (const char c : encoded_string) {
    if (c == '=' || !is_base64(static_cast<unsigned char>(c))) break;
    char_array_4[i++] = c;
    if (i == 4) {
      for (std::size_t j = 0; j < 4; ++j) sextets[j] = value_of(char_array_4[j]);
      join_into_bytes(sextets, bytes);
      result.append(bytes, 3);
      i = 0;
    }
  }
  // A final group of 2 or 3 characters holds 1 or 2 whole bytes; a lone
  // character holds none and is dropped.
  if (i > 1) {
    for (std::size_t j = 0; j < 4; ++j) sextets[j] = j < i ? value_of(char_array_4[j]) : 0;
    join_into_bytes(sextets, bytes);
    result.append(bytes, i - 1);
  }
  return result;
}

}  // namespace base64
}  // namespace ext
