#include "support/json_reader.hpp"

#include <cstdint>
#include <limits>
#include <string>
#include <tuple>

#include <gtest/gtest.h>

#include "support/json_writer.hpp"

namespace {

using bq::support::JsonError;
using bq::support::JsonReader;

// Reads one whole value (depth limit 126) and writes it back, or "error: " and the fault.
std::string round_trip(std::string_view text, std::size_t depth = 126) {
  try {
    JsonReader reader(text);
    nlohmann::json value = reader.read_value(depth);
    reader.expect_end();
    return bq::support::write_json(value);
  } catch (const JsonError& error) {
    return std::string("error: ") + error.what();
  }
}

std::string skipped(std::string_view text) {
  try {
    JsonReader reader(text);
    reader.skip_value();
    reader.expect_end();
    return "ok";
  } catch (const JsonError& error) {
    return std::string("error: ") + error.what();
  }
}

TEST(JsonReader, ReadsValuesStrictly) {
  struct Case {
    std::string_view text;
    std::string_view expected;
  };
  const Case cases[] = {
      {" {\"b\":[1,-2,3.5,true,false,null],\"a\":\"x\"} ", R"({"a":"x","b":[1,-2,3.5,true,false,null]})"},
      {"[]", "[]"},
      {"{}", "{}"},
      {"\"\\u00e9\\ud83d\\ude00\\n\\/\"", "\"\xC3\xA9\xF0\x9F\x98\x80\\n/\""},
      {"18446744073709551615", "18446744073709551615"},
      {"18446744073709551616", "1.8446744073709552e19"},   // beyond 64 bits: a double
      {"-9223372036854775808", "-9223372036854775808"},
      {"-0", "-0.0"},
      {"1E2", "100.0"},
      {"1e-400", "0.0"},                                   // underflows to zero
      {"{\"a\":1,\"a\":2}", R"({"a":2})"},                 // free-form values keep the last
      // Faults, each with its position.
      {"", "error: EOF while parsing a value at line 1 column 1"},
      {"[1,]", "error: trailing comma at line 1 column 4"},
      {"{\"a\":1,}", "error: trailing comma at line 1 column 8"},
      {"{\"a\" 1}", "error: expected `:` at line 1 column 6"},
      {"{\"a\":1 \"b\":2}", "error: expected `,` or `}` at line 1 column 8"},
      {"{1:2}", "error: key must be a string at line 1 column 2"},
      {"01", "error: invalid number at line 1 column 2"},
      {"1.", "error: EOF while parsing a value at line 1 column 3"},
      {"-", "error: EOF while parsing a value at line 1 column 2"},
      {".5", "error: expected value at line 1 column 1"},
      {"NaN", "error: expected value at line 1 column 1"},
      {"nul", "error: EOF while parsing a value at line 1 column 4"},
      {"tru e", "error: expected ident at line 1 column 1"},
      {"1e400", "error: number out of range at line 1 column 1"},
      {"// c\n1", "error: expected value at line 1 column 1"},
      {"\"a\nb\"", "error: control character (\\u0000-\\u001F) found while parsing a string at line 1 column 3"},
      {"\"\\x\"", "error: invalid escape at line 1 column 3"},
      {"\"\\ud800\"", "error: lone leading surrogate in hex escape at line 1 column 2"},
      {"\"\\udc00\"", "error: lone trailing surrogate in hex escape at line 1 column 2"},
      {"\"\\ud800\\u0041\"", "error: lone leading surrogate in hex escape at line 1 column 2"},
      {"\"abc", "error: EOF while parsing a string at line 1 column 5"},
      {"[1] 2", "error: trailing characters at line 1 column 5"},
      {"\n\n  [1,\n \"\xC3\xA9\" x]", "error: expected `,` or `]` at line 4 column 6"},  // columns count characters
  };
  for (const Case& c : cases) EXPECT_EQ(round_trip(c.text), c.expected) << c.text;
}

TEST(JsonReader, IllFormedUtf8InAStringBecomesReplacementCharacters) {
  EXPECT_EQ(round_trip("\"a\xFF" "b\""), "\"a\xEF\xBF\xBD" "b\"");
}

TEST(JsonReader, DepthLimitCountsTheOuterContainerAsLevelOne) {
  const auto nested = [](int levels) { return std::string(levels, '[') + std::string(levels, ']'); };
  EXPECT_EQ(round_trip(nested(126)), nested(126));
  EXPECT_EQ(round_trip(nested(127)), "error: recursion limit exceeded at line 1 column 127");
  EXPECT_EQ(round_trip("{\"a\":{\"b\":1}}", 1), "error: recursion limit exceeded at line 1 column 6");
  EXPECT_EQ(round_trip("7", 0), "7");
}

TEST(JsonReader, SkippingNeedsNoStackAndAllowsLoneSurrogates) {
  const std::string deep = std::string(1'000'000, '[') + std::string(1'000'000, ']');
  EXPECT_EQ(skipped(deep), "ok");
  EXPECT_EQ(skipped(R"({"a":[{"b":null},"\ud800",{}],"c":-1.5e3})"), "ok");
  EXPECT_EQ(skipped(std::string(1'000, '[')), "error: EOF while parsing a list at line 1 column 1001");
  EXPECT_EQ(skipped("{\"a\":[1,2,]}"), "error: trailing comma at line 1 column 11");
  EXPECT_EQ(skipped("\"\\ud800\""), "ok");
}

TEST(JsonReader, PullInterfaceWalksAnObject) {
  JsonReader reader(R"( { "n" : 5 , "s":"x", "skip":[{"deep":[1]}], "b":true } )");
  reader.begin_object();
  std::vector<std::string> keys;
  while (auto key = reader.next_key()) {
    keys.push_back(*key);
    if (*key == "n") {
      const auto number = reader.read_number();
      EXPECT_TRUE(number.integer);
      EXPECT_EQ(number.text, "5");
    } else if (*key == "s") {
      EXPECT_EQ(reader.read_string(), "x");
    } else if (*key == "b") {
      EXPECT_TRUE(reader.read_bool());
    } else {
      reader.skip_value();
    }
  }
  reader.expect_end();
  EXPECT_EQ(keys, (std::vector<std::string>{"n", "s", "skip", "b"}));
}

TEST(JsonReader, DescribesWhatItFound) {
  const std::pair<std::string_view, std::string_view> cases[] = {
      {"null", "null"},          {"true", "boolean `true`"},   {"-3", "integer `-3`"},
      {"4.0", "floating point `4.0`"}, {"4e0", "floating point `4.0`"}, {"\"a\\\"b\"", "string \"a\\\"b\""},
      {"[1]", "sequence"},       {"{\"a\":1}", "map"},
  };
  for (const auto& [text, expected] : cases) {
    JsonReader reader(text);
    EXPECT_EQ(bq::support::describe_found(reader), expected);
  }
}

// A typed read of one whole text: the value as text, or "error: " and the fault.
template <typename Read>
std::string typed(std::string_view text, Read read) {
  try {
    JsonReader reader(text);
    std::string value = read(reader);
    reader.expect_end();
    return value;
  } catch (const JsonError& error) {
    return std::string("error: ") + error.what();
  }
}

TEST(JsonReader, TypeFaultsDescribeWhatWasFoundInsteadOfTheKindExpected) {
  const auto string_read = [](JsonReader& reader) {
    reader.expect_kind(bq::support::JsonKind::string, "a string");
    return reader.read_string();
  };
  EXPECT_EQ(typed("\"x\"", string_read), "x");
  EXPECT_EQ(typed("12", string_read), "error: invalid type: integer `12`, expected a string at line 1 column 3");
  EXPECT_EQ(typed(" [1]", string_read), "error: invalid type: sequence, expected a string at line 1 column 2");
  const auto refuse = [](JsonReader& reader) -> std::string { reader.fail_type("struct Thing"); };
  EXPECT_EQ(typed("null", refuse), "error: invalid type: null, expected struct Thing at line 1 column 5");
}

TEST(JsonReader, UnsignedReadsWordTheirFaultsAsTheReaderAsks) {
  using bq::support::NumberFaults;
  const auto u32 = [](JsonReader& reader) {
    return std::to_string(
        reader.read_unsigned(std::numeric_limits<std::uint32_t>::max(), "u32", NumberFaults::by_kind));
  };
  const auto u64 = [](JsonReader& reader) {
    return std::to_string(
        reader.read_unsigned(std::numeric_limits<std::uint64_t>::max(), "u64", NumberFaults::as_written));
  };
  const std::tuple<std::string_view, std::string, std::string> cases[] = {
      {"0", "0", "0"},
      {"4294967295", "4294967295", "4294967295"},
      {"4294967296", "error: invalid value: integer `4294967296`, expected u32 at line 1 column 11", "4294967296"},
      {"18446744073709551616", "error: invalid value: integer `18446744073709551616`, expected u32 at line 1 column 21",
       "error: invalid value: `18446744073709551616`, expected u64 at line 1 column 21"},
      {"-1", "error: invalid value: integer `-1`, expected u32 at line 1 column 3",
       "error: invalid value: `-1`, expected u64 at line 1 column 3"},
      {"-0", "error: invalid value: integer `-0`, expected u32 at line 1 column 3",
       "error: invalid value: `-0`, expected u64 at line 1 column 3"},
      {"1.5", "error: invalid type: floating point `1.5`, expected u32 at line 1 column 4",
       "error: invalid value: `1.5`, expected u64 at line 1 column 4"},
      {"2e0", "error: invalid type: floating point `2.0`, expected u32 at line 1 column 4",
       "error: invalid value: `2e0`, expected u64 at line 1 column 4"},
      {"\"7\"", "error: invalid type: string \"7\", expected u32 at line 1 column 4",
       "error: invalid type: string \"7\", expected u64 at line 1 column 4"},
  };
  for (const auto& [text, as_u32, as_u64] : cases) {
    EXPECT_EQ(typed(text, u32), as_u32) << text;
    EXPECT_EQ(typed(text, u64), as_u64) << text;
  }
}

}  // namespace
