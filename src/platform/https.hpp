#pragma once
// One HTTP(S) exchange: a request, and its final answer or a transport
// failure. Backend: https_curl.cpp (libcurl, on every platform).

#include <optional>
#include <string>
#include <string_view>
#include <vector>

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
};

// The final (non-1xx) answer.
struct HttpsResponse {
  long status = 0;
  std::optional<std::string> location;  // its Location header as sent, when it has one
  std::string body;                     // decoded
  bool body_complete = false;           // read to its end without a fault
};

// Sends `request` and reads the answer; nullopt for a transport failure: no
// final status was received (name resolution, connection, the connect
// deadline, TLS or certificate, an answer broken before its status, a URL the
// client does not take). Blocks the calling thread for the whole exchange.
// Safe to call from several threads at once: each call has its own connection.
std::optional<HttpsResponse> https_exchange(const HttpsRequest& request);

// `reference` resolved against the absolute URL `base` as a redirect's
// Location is (RFC 3986), with spaces and other bytes a URL may not hold
// percent-encoded; nullopt when either cannot be read as a URL.
// Safe to call from any thread.
std::optional<std::string> resolve_url(const std::string& base, const std::string& reference);

}  // namespace bq::platform
