#include "platform/https.hpp"

#include <optional>
#include <string>
#include <variant>

#include <gtest/gtest.h>

namespace {

TEST(ResolveUrl, ResolvesAReferenceAgainstTheCurrentUrl) {
  struct Case {
    std::string base;
    std::string reference;
    std::optional<std::string> expected;
  };
  const Case cases[] = {
      {"https://api.example.test/api/lead", "next", "https://api.example.test/api/next"},
      {"https://api.example.test/api/next", "../x/y?q=1", "https://api.example.test/x/y?q=1"},
      {"https://api.example.test/api/lead", "/done?step=2", "https://api.example.test/done?step=2"},
      {"https://api.example.test:8443/a/b", "//other.test/c", "https://other.test/c"},
      {"https://api.example.test/a", "http://127.0.0.1:9/x", "http://127.0.0.1:9/x"},
      {"https://api.example.test/a/b", "c d", "https://api.example.test/a/c%20d"},
      {"https://api.example.test/a", "https://[::1", std::nullopt},
      {"not a url", "/x", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.base + " + " + c.reference);
    const auto resolved = bq::platform::resolve_url(c.base, c.reference);
    if (c.expected) {
      ASSERT_TRUE(std::holds_alternative<bq::platform::Url>(resolved)) << std::get<std::string>(resolved);
      EXPECT_EQ(std::get<bq::platform::Url>(resolved).text, *c.expected);
    } else {
      // libcurl's description of the fault.
      ASSERT_TRUE(std::holds_alternative<std::string>(resolved)) << std::get<bq::platform::Url>(resolved).text;
      EXPECT_FALSE(std::get<std::string>(resolved).empty());
    }
  }
}

TEST(HttpsExchange, UnreachableOrUnsupportedUrlIsATransportFailure) {
  for (const std::string url : {"https://127.0.0.1:1/", "ftp://127.0.0.1/lead", "file:///etc/passwd", "nonsense"}) {
    bq::platform::HttpsRequest request;
    request.url = url;
    request.connect_deadline_ms = 5'000;
    const auto exchanged = bq::platform::https_exchange(request);
    // libcurl's description of the failure, on one line.
    const auto* failure = std::get_if<std::string>(&exchanged);
    ASSERT_NE(failure, nullptr) << url;
    EXPECT_FALSE(failure->empty()) << url;
    EXPECT_EQ(failure->find_first_of("\r\n"), std::string::npos) << *failure;
  }
}

TEST(HttpsExchange, ADeadlineAlreadyPassedIsATimeOut) {
  bq::platform::HttpsRequest request;
  request.url = "https://127.0.0.1:1/";
  request.deadline_ms = 0;
  const auto exchanged = bq::platform::https_exchange(request);
  ASSERT_TRUE(std::holds_alternative<std::string>(exchanged));
  EXPECT_EQ(std::get<std::string>(exchanged), "Timeout was reached");
}

}  // namespace
