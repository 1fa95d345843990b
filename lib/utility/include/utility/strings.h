// SPDX-License-Identifier: MIT
// Byte-string, date and Base64 helpers shared by the scte104 tool and its
// libraries. Every function is stateless and reentrant; none reports an error
// of its own (only the standard library's allocation and length errors can
// leave them).
#ifndef SCTE104_UTILITY_STRINGS_H
#define SCTE104_UTILITY_STRINGS_H

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "utility/export.h"

namespace ext {

// --- String helpers -------------------------------------------------------
// Whitespace is what isspace() says in the classic locale: space, \t, \n,
// \v, \f and \r. NUL and bytes 0x80..0xFF are never whitespace.

// Removes leading whitespace, in place: the argument's buffer is returned.
EXT_API std::string strip_left(std::string s);
// Removes trailing whitespace, in place: the argument's buffer is returned.
EXT_API std::string strip_right(std::string s);
// Removes leading and trailing whitespace; whitespace inside is kept.
EXT_API std::string strip(std::string s);

// Splits at every `delim` byte. Empty tokens between delimiters are kept; a
// trailing delimiter adds no empty token; an empty input gives no token.
EXT_API std::vector<std::string> split(const std::string& str, char delim);
// Joins the elements with one `c` byte between neighbours.
EXT_API std::string join(const std::vector<std::string>& v, char c);

namespace date {

// The current local time as "YYYY-MM-DD HH:MM:SS.mmm" (milliseconds cut,
// not rounded).
EXT_API std::string now_ms();

// strftime() of `tm` with `fmt`, however long the text. A format whose text
// is empty (the empty format, or "%p" where the locale has no AM/PM text)
// gives an empty string.
EXT_API std::string dateformat(const char* fmt, const std::tm* tm);
// The same for seconds since the epoch, converted to local time.
EXT_API std::string dateformat(const char* fmt, std::time_t uxtime);

}  // namespace date

// --- Base64 codec (RFC 4648 alphabet, "=" padding, no line breaks) --------
namespace base64 {

// Padded Base64 text of the `len` bytes at `data`; `data` is not read when
// `len` is 0.
EXT_API std::string encode(const std::uint8_t* data, std::size_t len);

// The same text written to `out`, which must have room for
// 4 * ((len + 2) / 3) characters; returns the number written. For callers
// that render large buffers piece by piece without a string per piece.
EXT_API std::size_t encode_to(const std::uint8_t* data, std::size_t len, char* out);

// The bytes encoded by the leading Base64 characters of `encoded_string`.
// Lenient: decoding stops silently at the first "=" or the first character
// outside the alphabet, padding is optional, a lone final character is
// dropped and non-zero pad bits are accepted. Never fails on content.
EXT_API std::string decode(const std::string& encoded_string);

}  // namespace base64
}  // namespace ext

#endif  // SCTE104_UTILITY_STRINGS_H
