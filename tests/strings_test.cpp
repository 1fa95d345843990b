#include "utility/strings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Tokens = std::vector<std::string>;

TEST(strings, strips_the_six_whitespace_bytes_only) {
  for (const char ws : {' ', '\t', '\n', '\v', '\f', '\r'}) {
    const std::string pad(2, ws);
    EXPECT_EQ(ext::strip_left(pad + "a b" + pad), "a b" + pad) << int(ws);
    EXPECT_EQ(ext::strip_right(pad + "a b" + pad), pad + "a b") << int(ws);
    EXPECT_EQ(ext::strip(pad + "a b" + pad), "a b") << int(ws);
  }
  for (const std::string& kept :
       std::vector<std::string>{std::string("\xa0"), std::string(1, '\0'), std::string("\x85")}) {
    const std::string s = kept + "x" + kept;
    EXPECT_EQ(ext::strip(s), s);
  }
  EXPECT_EQ(ext::strip_right("line\r\n"), "line");
}

TEST(strings, strips_empty_and_all_whitespace_to_empty) {
  for (const char* s : {"", " \t\n\v\f\r"}) {
    EXPECT_EQ(ext::strip_left(s), "");
    EXPECT_EQ(ext::strip_right(s), "");
    EXPECT_EQ(ext::strip(s), "");
  }
}

TEST(strings, strip_hands_back_the_moved_in_buffer) {
  std::string s(100, 'x');
  s += "  ";
  const char* buffer = s.data();
  const std::string stripped = ext::strip(std::move(s));
  EXPECT_EQ(stripped.data(), buffer);
  EXPECT_EQ(stripped.size(), 100u);
}

TEST(strings, split_cases) {
  const struct {
    std::string in;
    char delim;
    Tokens out;
  } cases[] = {
      // clang-format off
      {"", ',', {}}, {"", '\0', {}}, {"abc", ',', {"abc"}}, {"a,b", ',', {"a", "b"}},
      {"a,,b", ',', {"a", "", "b"}}, {",a", ',', {"", "a"}}, {"a,", ',', {"a"}}, {",", ',', {""}},
      {",,", ',', {"", ""}}, {" , ", ',', {" ", " "}}, {std::string("a\0b", 3), '\0', {"a", "b"}},
      {"a\xff" "b\xff", '\xff', {"a", "b"}}, {"\xc3\xa9,\xc3", ',', {"\xc3\xa9", "\xc3"}},
      // clang-format on
  };
  for (const auto& c : cases) EXPECT_EQ(ext::split(c.in, c.delim), c.out) << c.in;
}

TEST(strings, join_cases) {
  EXPECT_EQ(ext::join({}, ','), "");
  EXPECT_EQ(ext::join({"a"}, ','), "a");
  EXPECT_EQ(ext::join({"", ""}, ','), ",");
  EXPECT_EQ(ext::join({"a", "", "b"}, ','), "a,,b");
  EXPECT_EQ(ext::join({"a", "b"}, '\0'), std::string("a\0b", 3));
}

TEST(strings, split_then_join_gives_back_the_text_but_a_final_delimiter) {
  for (const std::string& s : std::vector<std::string>{"a,b,c", ",a,,b", ",", "x", "a,b,"}) {
    const std::string back = ext::join(ext::split(s, ','), ',');
    EXPECT_EQ(back, s.back() == ',' ? s.substr(0, s.size() - 1) : s) << s;
  }
}

}  // namespace
