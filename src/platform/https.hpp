#pragma once
// One HTTP(S) exchange: a request, and its final answer or a transport
// failure. Backend: https_curl.cpp (libcurl, on every platform).

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "support/result.hpp"

namespace bq::platform {

enum class HttpMethod { get, post };

// The client is fixed: HTTP/1.1, TLS 1.2 or 1.3, gzip accepted and decoded,
// no proxy (proxy variables of the environment are ignored), "http" and
// "https" URLs only, and no redirect followed: a redirect is an answer like
// any other.
struct HttpsRequest {
  HttpMethod method = HttpMethod::get;
  std::string url;
  std::vector<std::string> headers;  // "Name: value" lines, sent in this order
  std::string body;                  // sent with a POST, ignored with a GET
  // PEM roots, the only authorities trusted for https; the system's own
  // bundle and certificate folders are not read. Must outlive the call.
  std::string_view trusted_roots;
  long connect_deadline_ms = 30'000;
  // Once connected, the exchange fails when less than a byte a second has
  // moved for this long (averaged over the last few seconds).
  long stall_seconds = 60;
  // The whole exchange, connecting included, ends after this long however
  // steadily bytes arrive; not positive means it has already run out.
  long deadline_ms = 120'000;
  // The most bytes of answer body (after gzip decoding) that are read.
  std::size_t max_body_bytes = std::size_t{1} << 20;
};

// The final (non-1xx) answer.
struct HttpsResponse {
  long status = 0;
  std::optional<std::string> location;  // its Location header as sent, when it has one
  std::string body;                     // decoded; what arrived of it when not complete
  // Read to its end without a fault. A body cut short, broken, longer than
  // max_body_bytes, or still arriving when the deadline or the stall rule
  // ended the exchange, is not complete.
  bool body_complete = false;
};

// Sends `request` and reads the answer, or gives libcurl's description of a
// transport failure: no final status was received (name resolution,
// connection, the connect deadline, TLS or certificate, an answer broken
// before its status, the deadline or the stall rule before the final status's
// header block has ended, a URL the client does not take). Blocks the calling
// thread for the whole exchange, at most `deadline_ms`.
// Safe to call from several threads at once: each call has its own connection.
support::Result<HttpsResponse> https_exchange(const HttpsRequest& request);

// An absolute URL.
struct Url {
  std::string text;
  bool operator==(const Url&) const = default;
};

// `reference` resolved against the absolute URL `base` as a redirect's
// Location is (RFC 3986), with spaces and other bytes a URL may not hold
// percent-encoded; libcurl's description of the fault when either cannot be
// read as a URL. Safe to call from any thread.
support::Result<Url> resolve_url(const std::string& base, const std::string& reference);

}  // namespace bq::platform
