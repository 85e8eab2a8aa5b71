#include "platform/https.hpp"

#include <optional>
#include <string>

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
    EXPECT_EQ(bq::platform::resolve_url(c.base, c.reference), c.expected) << c.base << " + " << c.reference;
  }
}

TEST(HttpsExchange, UnreachableOrUnsupportedUrlIsATransportFailure) {
  for (const std::string url : {"https://127.0.0.1:1/", "ftp://127.0.0.1/lead", "file:///etc/passwd", "nonsense"}) {
    bq::platform::HttpsRequest request;
    request.url = url;
    request.connect_deadline_ms = 5'000;
    EXPECT_EQ(bq::platform::https_exchange(request), std::nullopt) << url;
  }
}

}  // namespace
