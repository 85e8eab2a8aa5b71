#include "support/utf8.hpp"

#include <gtest/gtest.h>

namespace {

using bq::support::decode_utf8_lossy;
using bq::support::trim_white_space;

constexpr std::string_view FFFD = "\xEF\xBF\xBD";

std::string r(int n) {
  std::string s;
  for (int i = 0; i < n; ++i) s += FFFD;
  return s;
}

TEST(Utf8, LossyDecodingReplacesEachMaximalIllFormedSubpart) {
  struct Case {
    std::string_view bytes;
    std::string expected;
  };
  const Case cases[] = {
      {"", ""},
      {"plain ASCII", "plain ASCII"},
      {"Vi\xE1\xBB\x87t", "Vi\xE1\xBB\x87t"},               // well-formed three-byte sequence kept
      {"\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},             // four-byte sequence kept
      {"\xE2\x82\x41", r(1) + "A"},                         // truncated sequence is one subpart
      {"\xC0\x80", r(2)},                                   // overlong lead byte: each byte alone
      {"\xED\xA0\x80", r(3)},                               // surrogate: E D cannot take A0
      {"\xF4\x90\x80\x80", r(4)},                           // above U+10FFFF
      {"\xF0\x9F\x98", r(1)},                               // truncated at the end
      {"\x80\xBF", r(2)},                                   // stray continuation bytes
      {"\xFF" "a\xFE", r(1) + "a" + r(1)},
      {"\xE0\x80\x80", r(3)},                               // overlong three-byte form
      {"\xF0\x80\x80\x80", r(4)},
      {"a\xC3", "a" + r(1)},
      {std::string_view("a\0b", 3), std::string("a\0b", 3)},  // NUL is a character like any other
  };
  for (const Case& c : cases) {
    EXPECT_EQ(decode_utf8_lossy(c.bytes), c.expected) << "bytes of length " << c.bytes.size();
    EXPECT_TRUE(bq::support::is_valid_utf8(decode_utf8_lossy(c.bytes)));
  }
}

TEST(Utf8, TrimRemovesUnicodeWhiteSpaceAtBothEnds) {
  struct Case {
    std::string_view text;
    std::string_view expected;
  };
  const Case cases[] = {
      {"", ""},
      {" \t\n\v\f\r", ""},
      {"  a b  ", "a b"},
      {"\xC2\x85x\xC2\xA0", "x"},                        // U+0085, U+00A0
      {"\xE1\x9A\x80x\xE2\x80\x80", "x"},                // U+1680, U+2000
      {"\xE2\x80\x8Ax\xE2\x80\xA8\xE2\x80\xA9", "x"},    // U+200A, U+2028, U+2029
      {"\xE2\x80\xAFx\xE2\x81\x9F\xE3\x80\x80", "x"},    // U+202F, U+205F, U+3000
      {"\xEF\xBB\xBF", "\xEF\xBB\xBF"},                  // U+FEFF is not white space
      {"\xE2\x80\x8B" "x", "\xE2\x80\x8B" "x"},          // U+200B is not white space
      {" \xFF ", "\xFF"},                                // an ill-formed byte stops the trim
      {"\xC2 ", "\xC2"},
      {" \xA0", "\xA0"},                                 // a stray continuation byte is not U+00A0
  };
  for (const Case& c : cases) EXPECT_EQ(trim_white_space(c.text), c.expected) << c.text;
}

}  // namespace
