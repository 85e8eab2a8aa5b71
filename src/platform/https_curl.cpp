#include "platform/https.hpp"

#include <curl/curl.h>

#include <memory>
#include <new>
#include <string>
#include <utility>

namespace bq::platform {
namespace {

struct CurlEasyCleanup {
  void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};
struct CurlSlistCleanup {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
struct CurlUrlCleanup {
  void operator()(CURLU* url) const { curl_url_cleanup(url); }
};
using CurlEasy = std::unique_ptr<CURL, CurlEasyCleanup>;
using CurlSlist = std::unique_ptr<curl_slist, CurlSlistCleanup>;
using CurlUrl = std::unique_ptr<CURLU, CurlUrlCleanup>;

// The answer as it arrives: its header blocks and its body.
struct Transfer {
  CURL* curl;
  std::size_t max_body_bytes;
  bool final_headers = false;  // the header block of a final (non-1xx) status has ended
  std::string body;
};

std::size_t on_header(char* data, std::size_t size, std::size_t count, void* user) {
  auto& transfer = *static_cast<Transfer*>(user);
  const std::string_view line(data, size * count);
  if (line == "\r\n" || line == "\n") {
    long status = 0;
    curl_easy_getinfo(transfer.curl, CURLINFO_RESPONSE_CODE, &status);
    if (status >= 200) transfer.final_headers = true;
  }
  return size * count;
}

// Counted here rather than by CURLOPT_MAXFILESIZE: that option looks only at a
// declared Content-Length (a chunked or closing body of unknown length passes
// it), counts the bytes before gzip decoding, and fails while the headers are
// still being read, which would turn a long answer into a transport failure.
std::size_t on_body(char* data, std::size_t size, std::size_t count, void* user) {
  auto& transfer = *static_cast<Transfer*>(user);
  if (size * count > transfer.max_body_bytes - transfer.body.size()) return 0;  // ends the read: CURLE_WRITE_ERROR
  try {
    transfer.body.append(data, size * count);
    return size * count;
  } catch (const std::bad_alloc&) {
    return 0;  // ends the read; the body then counts as broken
  }
}

CurlSlist header_list(const std::vector<std::string>& lines) {
  curl_slist* list = nullptr;
  for (const std::string& line : lines) {
    curl_slist* grown = curl_slist_append(list, line.c_str());
    if (!grown) {
      curl_slist_free_all(list);
      return nullptr;
    }
    list = grown;
  }
  return CurlSlist(list);
}

// CURLE_OK once curl is set up for the process.
CURLcode curl_ready() {
  // Once per process, before the first handle; thread-safe as a local static.
  static const CURLcode ready = curl_global_init(CURL_GLOBAL_DEFAULT);
  return ready;
}

// Sets up a fresh handle for `request`; the code of the first option curl
// refuses, if any.
CURLcode configure(CURL* curl, const HttpsRequest& request, curl_blob& roots, curl_slist* headers, Transfer& transfer,
                   char* error_text) {
  roots.data = const_cast<char*>(request.trusted_roots.data());
  roots.len = request.trusted_roots.size();
  roots.flags = CURL_BLOB_NOCOPY;  // outlives the handle
  constexpr long TLS_1_2_TO_1_3 = long{CURL_SSLVERSION_TLSv1_2} | long{CURL_SSLVERSION_MAX_TLSv1_3};
  CURLcode code = CURLE_OK;
  const auto set = [curl, &code](CURLoption option, auto value) {
    if (code == CURLE_OK) code = curl_easy_setopt(curl, option, value);
  };
  set(CURLOPT_ERRORBUFFER, error_text);
  if (request.method == HttpMethod::post) {
    set(CURLOPT_POSTFIELDS, request.body.data());
    set(CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.body.size()));
  } else {
    set(CURLOPT_HTTPGET, 1L);
  }
  set(CURLOPT_NOSIGNAL, 1L);  // workers run side by side
  set(CURLOPT_URL, request.url.c_str());
  set(CURLOPT_PROTOCOLS_STR, "http,https");
  set(CURLOPT_HTTP_VERSION, long{CURL_HTTP_VERSION_1_1});
  set(CURLOPT_SSLVERSION, TLS_1_2_TO_1_3);
  // Only the given roots: no bundle file and no certificate folder of the system.
  set(CURLOPT_CAINFO, nullptr);
  set(CURLOPT_CAPATH, nullptr);
  set(CURLOPT_CAINFO_BLOB, &roots);
  set(CURLOPT_SSL_VERIFYPEER, 1L);
  set(CURLOPT_SSL_VERIFYHOST, 2L);
  // An empty proxy makes curl ignore every proxy variable of the environment.
  set(CURLOPT_PROXY, "");
  set(CURLOPT_CONNECTTIMEOUT_MS, request.connect_deadline_ms);
  // A server that goes silent would otherwise hold the caller for ever, and
  // one that trickles a few bytes a second stays above the stall rule.
  set(CURLOPT_LOW_SPEED_LIMIT, 1L);
  set(CURLOPT_LOW_SPEED_TIME, request.stall_seconds);
  set(CURLOPT_TIMEOUT_MS, request.deadline_ms);
  set(CURLOPT_ACCEPT_ENCODING, "gzip");
  set(CURLOPT_FOLLOWLOCATION, 0L);
  set(CURLOPT_HEADERFUNCTION, on_header);
  set(CURLOPT_HEADERDATA, &transfer);
  set(CURLOPT_WRITEFUNCTION, on_body);
  set(CURLOPT_WRITEDATA, &transfer);
  set(CURLOPT_HTTPHEADER, headers);
  return code;
}

// curl's own words for a failed transfer: the error buffer's detail where it
// wrote one, else the text of the code.
std::string failure_text(CURLcode code, const char* error_text) {
  return error_text[0] != '\0' ? std::string(error_text) : std::string(curl_easy_strerror(code));
}

}  // namespace

support::Result<HttpsResponse> https_exchange(const HttpsRequest& request) {
  // curl reads a time-out of 0 as none at all.
  if (request.deadline_ms <= 0) return std::string(curl_easy_strerror(CURLE_OPERATION_TIMEDOUT));
  if (const CURLcode ready = curl_ready(); ready != CURLE_OK) return std::string(curl_easy_strerror(ready));
  char error_text[CURL_ERROR_SIZE] = "";  // outlives the handle that writes into it
  const CurlEasy handle(curl_easy_init());
  if (!handle) return std::string("curl_easy_init failed");
  CURL* const curl = handle.get();

  std::vector<std::string> lines = request.headers;
  // "Expect:" keeps curl from adding its own 100-continue header to a long body.
  if (request.method == HttpMethod::post) lines.emplace_back("Expect:");
  const CurlSlist headers = header_list(lines);
  if (!lines.empty() && !headers) return std::string(curl_easy_strerror(CURLE_OUT_OF_MEMORY));
  Transfer transfer{curl, request.max_body_bytes, false, {}};
  curl_blob roots{};
  if (const CURLcode refused = configure(curl, request, roots, headers.get(), transfer, error_text);
      refused != CURLE_OK) {
    return failure_text(refused, error_text);
  }

  // curl says CURLE_OPERATION_TIMEDOUT for the deadline and the stall rule
  // alike, before the status or after it, and CURLE_WRITE_ERROR for a body
  // past the bound; whether a final status had arrived decides which it is.
  const CURLcode result = curl_easy_perform(curl);
  if (!transfer.final_headers) {
    return result != CURLE_OK ? failure_text(result, error_text) : std::string("no final status received");
  }
  HttpsResponse response;
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &response.status);
  curl_header* location = nullptr;
  if (curl_easy_header(curl, "Location", 0, CURLH_HEADER, -1, &location) == CURLHE_OK) {
    response.location = location->value;
  }
  response.body = std::move(transfer.body);
  response.body_complete = result == CURLE_OK;
  return response;
}

support::Result<Url> resolve_url(const std::string& base, const std::string& reference) {
  const CurlUrl url(curl_url());
  if (!url) return std::string(curl_url_strerror(CURLUE_OUT_OF_MEMORY));
  CURLUcode code = curl_url_set(url.get(), CURLUPART_URL, base.c_str(), 0);
  if (code == CURLUE_OK) {
    code = curl_url_set(url.get(), CURLUPART_URL, reference.c_str(), CURLU_URLENCODE | CURLU_ALLOW_SPACE);
  }
  char* text = nullptr;
  if (code == CURLUE_OK) code = curl_url_get(url.get(), CURLUPART_URL, &text, 0);
  if (code != CURLUE_OK) return std::string(curl_url_strerror(code));
  Url resolved{text};
  curl_free(text);
  return resolved;
}

}  // namespace bq::platform
