#include "support/json_writer.hpp"

#include <limits>

#include <gtest/gtest.h>

#include "support/utf8.hpp"

namespace {

using bq::support::write_json;
using nlohmann::json;

TEST(JsonWriter, CompactSortedAndMinimallyEscaped) {
  json value = json::object();
  value["b"] = json::array({1, -2, std::uint64_t{18446744073709551615u}, true, false, nullptr});
  value["a"] = "x/y \"q\" \\ \b\f\n\r\t\x01\x1f\x7f Việt";
  value["B"] = 16.0;
  value["\xC3\xA9"] = 0.0;
  value["c"] = json::object({{"z", 475.9}, {"y", 7.9}});
  EXPECT_EQ(write_json(value),
            "{\"B\":16.0,\"a\":\"x/y \\\"q\\\" \\\\ \\b\\f\\n\\r\\t\\u0001\\u001f\x7f Việt\","
            "\"b\":[1,-2,18446744073709551615,true,false,null],\"c\":{\"y\":7.9,\"z\":475.9},\"\xC3\xA9\":0.0}");
}

TEST(JsonWriter, KeysComeOutInByteOrder) {
  // Non-ASCII keys sort after every ASCII key, as their bytes are above 0x7F.
  json value = json::object({{"\xC3\xA9", 1}, {"z", 2}, {"Z", 3}, {"_", 4}});
  EXPECT_EQ(write_json(value), "{\"Z\":3,\"_\":4,\"z\":2,\"\xC3\xA9\":1}");
}

TEST(JsonWriter, NeverFailsOnBadInput) {
  // nlohmann's own dump() throws on ill-formed UTF-8; this writer replaces it.
  EXPECT_EQ(write_json(json("a\xFF"
                            "b")),
            "\"a\xEF\xBF\xBD"
            "b\"");
  EXPECT_EQ(write_json(json(std::numeric_limits<double>::infinity())), "null");
  EXPECT_EQ(write_json(json(std::numeric_limits<double>::quiet_NaN())), "null");
  json deep = json::array();
  json* cursor = &deep;
  for (int i = 0; i < 100000; ++i) {
    cursor->push_back(json::array());
    cursor = &cursor->back();
  }
  EXPECT_EQ(write_json(deep).size(), 200002u);
}

TEST(JsonWriter, ReplacesIllFormedUtf8WhereDumpWouldThrow) {
  // Each maximal ill-formed subpart becomes one U+FFFD, in values and keys alike.
  struct Case {
    std::string_view bytes;
    std::string_view written;
  };
  const Case cases[] = {
      {"\x80", "\"\uFFFD\""},
      {"\xC0\x80", "\"\uFFFD\uFFFD\""},
      {"\xED\xA0\x80", "\"\uFFFD\uFFFD\uFFFD\""},
      {"\xE2\x82"
       "A",
       "\"\uFFFDA\""},
      {"ok \xF0\x9F\x98", "\"ok \uFFFD\""},
      {"\xF4\x90\x80\x80", "\"\uFFFD\uFFFD\uFFFD\uFFFD\""},
      {"\"\xFF\\", "\"\\\"\uFFFD\\\\\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::string(c.bytes)));
    const json value = std::string(c.bytes);
    try {
      (void)value.dump();
      ADD_FAILURE() << "dump() accepted ill-formed UTF-8";
    } catch (const json::type_error& error) {
      EXPECT_EQ(error.id, 316);
    }
    EXPECT_EQ(write_json(value), c.written);
    std::string as_key(c.written);
    as_key += ":1}";
    EXPECT_EQ(write_json(json::object({{std::string(c.bytes), 1}})), "{" + as_key);
    EXPECT_TRUE(bq::support::is_valid_utf8(write_json(value)));
  }
}

}  // namespace
