#include "engine/lead.hpp"

#include <algorithm>
#include <chrono>
#include <utility>
#include <variant>
#include <vector>

#include <fmt/format.h>

#include "platform/https.hpp"
#include "support/ascii.hpp"
#include "support/json_reader.hpp"
#include "support/json_writer.hpp"
#include "support/result.hpp"
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

// Sends the body by POST and follows the redirects; a transport failure (no
// final status received) gives its description.
//
// Redirects are followed here rather than by the HTTP client, because the
// rule is the consultation's own and no client option spells it: a 301, 302
// or 303 turns the POST into a GET without its body and without the body's
// Content-Type, a 307 or 308 is followed only once the request is a GET (the
// POST is never sent twice), any other 3xx is the answer, and after four
// followed redirects any further 3xx is a failure. Kept here, the rule is the same over every
// platform's transport.
support::Result<platform::HttpsResponse> exchange(const LeadTransport& transport, const std::string& body) {
  const std::string origin = fmt::format("Origin: {}", WEB_ORIGIN);
  const std::string referer = fmt::format("Referer: {}", CHECK_PAGE_URL);
  platform::HttpsRequest request{
      .method = platform::HttpMethod::post,
      .url = std::string(transport.endpoint),
      .headers = {"Content-Type: application/json", "Accept: application/json", origin, referer},
      .body = body,
      .trusted_roots = transport.trusted_roots,
      .connect_deadline_ms = CONNECT_DEADLINE_MS,
      .stall_seconds = transport.stall_seconds,
      .max_body_bytes = MAX_ANSWER_BODY_BYTES,
  };
  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(transport.deadline_ms);
  for (int followed = 0;; ++followed) {
    // Each hop gets what is left of the one deadline; none left fails it.
    request.deadline_ms =
        static_cast<long>(std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count());
    support::Result<platform::HttpsResponse> exchanged = platform::https_exchange(request);
    const auto* answer = std::get_if<platform::HttpsResponse>(&exchanged);
    if (answer == nullptr) return exchanged;
    const long status = answer->status;
    if (status >= 300 && status <= 398) {
      if (followed == MAX_FOLLOWED_REDIRECTS) return fmt::format("more than {} redirects", MAX_FOLLOWED_REDIRECTS);
      const bool is_get = request.method == platform::HttpMethod::get;
      const bool to_get = status == 301 || status == 302 || status == 303;
      const bool keeps_get = (status == 307 || status == 308) && is_get;
      if (answer->location && (to_get || keeps_get)) {
        support::Result<platform::Url> next = platform::resolve_url(request.url, *answer->location);
        if (const auto* fault = std::get_if<std::string>(&next)) return *fault;
        request.url = std::move(std::get<platform::Url>(next).text);
        if (!is_get) {
          request.method = platform::HttpMethod::get;
          request.headers = {"Accept: application/json", origin, referer};
          request.body.clear();
        }
        continue;
      }
    }
    return exchanged;
  }
}

LeadReply reply_for(const platform::HttpsResponse& answer, const std::string& contact) {
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
  const support::Result<platform::HttpsResponse> answer = exchange(transport, body);
  // Whatever the transport's reason, the page shows one text for it.
  if (std::holds_alternative<std::string>(answer)) return failure(network_message());
  return reply_for(std::get<platform::HttpsResponse>(answer), request->contact);
}

}  // namespace bq::engine
