#include "engine/lead.hpp"

#include <curl/curl.h>

#include <algorithm>
#include <memory>
#include <new>

#include <fmt/format.h>

#include "support/ascii.hpp"
#include "support/json_reader.hpp"
#include "support/json_writer.hpp"
#include "support/utf8.hpp"

namespace bq::engine {
namespace {

constexpr std::string_view LOCALE = "vi";
constexpr std::string_view POPUP_SOURCE = "brindlequay_win11_check_exe";
static_assert(CHECK_PAGE_URL.starts_with(WEB_ORIGIN));
constexpr std::string_view SOURCE_PATH = CHECK_PAGE_URL.substr(WEB_ORIGIN.size());

constexpr long CONNECT_DEADLINE_MS = 30'000;
// Redirects followed before a further one ends the exchange.
constexpr int MAX_FOLLOWED_REDIRECTS = 4;

std::string network_message() {
  return fmt::format("Không kết nối được mạng tới BrindleQuay. Bạn có thể nhắn trực tiếp Zalo {}.",
                     CONTACT_PHONE_DISPLAY);
}

std::string http_status_message(long status) {
  return fmt::format("Máy chủ phản hồi lỗi HTTP {}. Vui lòng nhắn Zalo {}.", status, CONTACT_PHONE_DISPLAY);
}

std::string not_sent_message() {
  return fmt::format("Chưa gửi được yêu cầu. Vui lòng nhắn Zalo {}.", CONTACT_PHONE_DISPLAY);
}

LeadReply failure(std::string error) { return LeadReply{false, std::nullopt, std::move(error)}; }

LeadReply success(std::string contact) { return LeadReply{true, std::move(contact), std::nullopt}; }

bool phone_accepted(std::string_view phone) {
  const auto digits = std::count_if(phone.begin(), phone.end(), [](char c) { return support::is_ascii_digit(c); });
  return digits >= 9 && digits <= 12;
}

std::string lead_note(const LeadForm& form) {
  if (!form.includeScanNote) return {};
  std::string_view note = support::trim_white_space(form.scanNote);
  if (note.size() > MAX_NOTE_BYTES) {
    // Step back over the continuation bytes of a character the limit would
    // split; a UTF-8 character has at most three of them.
    std::size_t cut = MAX_NOTE_BYTES;
    while (cut > MAX_NOTE_BYTES - 3 && (static_cast<unsigned char>(note[cut]) & 0xC0) == 0x80) --cut;
    note = note.substr(0, cut);
  }
  return std::string(note);
}

// What the reply needs from an answer's body.
struct BodyFacts {
  bool ok = false;  // "ok" is the JSON boolean true
  std::optional<std::string> displayContact;
  std::optional<std::string> error;
};

// The facts of a body that is exactly one JSON value with nothing but white
// space after it, or nullopt for any other body. Only the members of a
// top-level object are looked at; a repeated key counts with its last value.
std::optional<BodyFacts> read_body(std::string_view body) {
  if (!support::is_valid_utf8(body)) return std::nullopt;
  try {
    support::JsonReader reader(body);
    BodyFacts facts;
    if (reader.peek() != support::JsonKind::object) {
      reader.skip_value();
    } else {
      const auto string_member = [&reader](support::JsonKind kind) -> std::optional<std::string> {
        if (kind == support::JsonKind::string) return reader.read_string();
        reader.skip_value();
        return std::nullopt;
      };
      reader.begin_object();
      while (const auto key = reader.next_key()) {
        const support::JsonKind kind = reader.peek();
        if (*key == "ok") {
          facts.ok = kind == support::JsonKind::boolean && reader.read_bool();
          if (kind != support::JsonKind::boolean) reader.skip_value();
        } else if (*key == "displayContact") {
          facts.displayContact = string_member(kind);
        } else if (*key == "error") {
          facts.error = string_member(kind);
        } else {
          reader.skip_value();
        }
      }
    }
    reader.expect_end();
    return facts;
  } catch (const support::JsonError&) {
    return std::nullopt;
  }
}

// The final answer of an exchange.
struct Answer {
  long status = 0;
  std::string body;
  bool body_complete = false;  // read to its end without a fault
};

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

// One request of the exchange: its header block and its body.
struct Transfer {
  CURL* curl;
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

std::size_t on_body(char* data, std::size_t size, std::size_t count, void* user) {
  try {
    static_cast<Transfer*>(user)->body.append(data, size * count);
    return size * count;
  } catch (const std::bad_alloc&) {
    return 0;  // ends the read; the body then counts as broken
  }
}

CurlSlist header_list(std::initializer_list<const char*> lines) {
  curl_slist* list = nullptr;
  for (const char* line : lines) {
    curl_slist* grown = curl_slist_append(list, line);
    if (!grown) {
      curl_slist_free_all(list);
      return nullptr;
    }
    list = grown;
  }
  return CurlSlist(list);
}

// `location` resolved against `base` the way curl resolves a redirect itself.
std::optional<std::string> resolve_location(const std::string& base, const char* location) {
  const CurlUrl url(curl_url());
  if (!url || curl_url_set(url.get(), CURLUPART_URL, base.c_str(), 0) != CURLUE_OK ||
      curl_url_set(url.get(), CURLUPART_URL, location, CURLU_URLENCODE | CURLU_ALLOW_SPACE) != CURLUE_OK) {
    return std::nullopt;
  }
  char* text = nullptr;
  if (curl_url_get(url.get(), CURLUPART_URL, &text, 0) != CURLUE_OK) return std::nullopt;
  std::string resolved(text);
  curl_free(text);
  return resolved;
}

bool curl_ready() {
  // Once per process, before the first handle; thread-safe as a local static.
  static const bool ready = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
  return ready;
}

// Sets up a fresh handle for the POST of `body`; false when curl refuses an option.
bool configure(CURL* curl, const LeadTransport& transport, curl_blob& roots, curl_slist* headers,
               const std::string& body) {
  roots.data = const_cast<char*>(transport.trusted_roots.data());
  roots.len = transport.trusted_roots.size();
  roots.flags = CURL_BLOB_NOCOPY;  // outlives the handle
  constexpr long TLS_1_2_TO_1_3 = long{CURL_SSLVERSION_TLSv1_2} | long{CURL_SSLVERSION_MAX_TLSv1_3};
  const auto set = [curl](CURLoption option, auto value) { return curl_easy_setopt(curl, option, value) == CURLE_OK; };
  return set(CURLOPT_NOSIGNAL, 1L) &&  // workers run side by side
         set(CURLOPT_PROTOCOLS_STR, "http,https") && set(CURLOPT_HTTP_VERSION, long{CURL_HTTP_VERSION_1_1}) &&
         set(CURLOPT_SSLVERSION, TLS_1_2_TO_1_3) &&
         // Only the given roots: no bundle file and no certificate folder of the system.
         set(CURLOPT_CAINFO, nullptr) && set(CURLOPT_CAPATH, nullptr) && set(CURLOPT_CAINFO_BLOB, &roots) &&
         set(CURLOPT_SSL_VERIFYPEER, 1L) && set(CURLOPT_SSL_VERIFYHOST, 2L) &&
         // An empty proxy makes curl ignore every proxy variable of the environment.
         set(CURLOPT_PROXY, "") && set(CURLOPT_CONNECTTIMEOUT_MS, CONNECT_DEADLINE_MS) &&
         // A server that goes silent would otherwise hold the page's request for ever.
         set(CURLOPT_LOW_SPEED_LIMIT, 1L) && set(CURLOPT_LOW_SPEED_TIME, transport.stall_seconds) &&
         set(CURLOPT_ACCEPT_ENCODING, "gzip") && set(CURLOPT_FOLLOWLOCATION, 0L) &&
         set(CURLOPT_HEADERFUNCTION, on_header) && set(CURLOPT_WRITEFUNCTION, on_body) &&
         set(CURLOPT_HTTPHEADER, headers) && set(CURLOPT_POSTFIELDS, body.data()) &&
         set(CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
}

// Sends the body by POST and follows the redirects; nullopt for a transport
// failure (no final status received).
std::optional<Answer> exchange(const LeadTransport& transport, const std::string& body) {
  if (!curl_ready()) return std::nullopt;
  const CurlEasy handle(curl_easy_init());
  if (!handle) return std::nullopt;
  CURL* const curl = handle.get();

  const std::string origin = fmt::format("Origin: {}", WEB_ORIGIN);
  const std::string referer = fmt::format("Referer: {}", CHECK_PAGE_URL);
  // "Expect:" keeps curl from adding its own 100-continue header to a long body.
  const CurlSlist post_headers = header_list(
      {"Content-Type: application/json", "Accept: application/json", origin.c_str(), referer.c_str(), "Expect:"});
  const CurlSlist get_headers = header_list({"Accept: application/json", origin.c_str(), referer.c_str()});
  curl_blob roots{};
  if (!post_headers || !get_headers || !configure(curl, transport, roots, post_headers.get(), body)) {
    return std::nullopt;
  }

  std::string url(transport.endpoint);
  bool is_get = false;
  for (int followed = 0;; ++followed) {
    Transfer transfer{curl, false, {}};
    if (curl_easy_setopt(curl, CURLOPT_URL, url.c_str()) != CURLE_OK ||
        curl_easy_setopt(curl, CURLOPT_HEADERDATA, &transfer) != CURLE_OK ||
        curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer) != CURLE_OK) {
      return std::nullopt;
    }
    const CURLcode result = curl_easy_perform(curl);
    if (!transfer.final_headers) return std::nullopt;
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);

    if (status >= 300 && status <= 398) {
      if (followed == MAX_FOLLOWED_REDIRECTS) return std::nullopt;
      curl_header* location = nullptr;
      const bool has_location = curl_easy_header(curl, "Location", 0, CURLH_HEADER, -1, &location) == CURLHE_OK;
      const bool to_get = status == 301 || status == 302 || status == 303;
      const bool keeps_get = (status == 307 || status == 308) && is_get;
      if (has_location && (to_get || keeps_get)) {
        std::optional<std::string> next = resolve_location(url, location->value);
        if (!next) return std::nullopt;
        url = std::move(*next);
        if (!is_get) {
          is_get = true;
          if (curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L) != CURLE_OK ||
              curl_easy_setopt(curl, CURLOPT_HTTPHEADER, get_headers.get()) != CURLE_OK) {
            return std::nullopt;
          }
        }
        continue;
      }
    }
    return Answer{status, std::move(transfer.body), result == CURLE_OK};
  }
}

LeadReply reply_for(const Answer& answer, const std::string& contact) {
  const std::optional<BodyFacts> facts = answer.body_complete ? read_body(answer.body) : std::nullopt;
  if (answer.status >= 400) {
    if (facts && facts->error) return failure(*facts->error);
    return failure(http_status_message(answer.status));
  }
  if (!facts) return success(contact);
  if (facts->ok) return success(facts->displayContact.value_or(contact));
  return failure(facts->error.value_or(not_sent_message()));
}

}  // namespace

std::optional<LeadRequest> build_lead_request(const LeadForm& form) {
  const std::string_view phone = support::trim_white_space(form.phone);
  if (!phone_accepted(phone)) return std::nullopt;
  return LeadRequest{std::string(phone),
                     std::string(LOCALE),
                     lead_note(form),
                     std::string(POPUP_SOURCE),
                     std::string(support::trim_white_space(form.productInterest)),
                     std::string(SOURCE_PATH)};
}

nlohmann::json lead_request_to_json(const LeadRequest& request) {
  return nlohmann::json{{"contact", request.contact},
                        {"locale", request.locale},
                        {"note", request.note},
                        {"popupSource", request.popupSource},
                        {"productInterest", request.productInterest},
                        {"sourcePath", request.sourcePath}};
}

nlohmann::json lead_reply_to_json(const LeadReply& reply) {
  const auto optional_text = [](const std::optional<std::string>& text) {
    return text ? nlohmann::json(*text) : nlohmann::json(nullptr);
  };
  return nlohmann::json{
      {"displayContact", optional_text(reply.displayContact)}, {"error", optional_text(reply.error)}, {"ok", reply.ok}};
}

LeadReply submit_consultation_lead(const LeadForm& form) { return submit_consultation_lead(form, LeadTransport{}); }

LeadReply submit_consultation_lead(const LeadForm& form, const LeadTransport& transport) {
  const std::optional<LeadRequest> request = build_lead_request(form);
  if (!request) return failure(std::string(PHONE_CHECK_MESSAGE));
  const std::string body = support::write_json(lead_request_to_json(*request));
  const std::optional<Answer> answer = exchange(transport, body);
  if (!answer) return failure(network_message());
  return reply_for(*answer, request->contact);
}

}  // namespace bq::engine
