#pragma once
// The consultation request: the page's form, checked and sent once by HTTPS
// POST to the vendor's back end, and every outcome as a reply for the page.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "engine/vendor.hpp"

namespace bq::engine {

inline constexpr std::string_view DEFAULT_PRODUCT_INTEREST = "Tư vấn nâng cấp & bản quyền Windows 11 Pro";
// The most bytes of note that are sent.
inline constexpr std::size_t MAX_NOTE_BYTES = 480;
inline constexpr std::string_view PHONE_CHECK_MESSAGE = "Vui lòng nhập đúng số điện thoại Zalo hợp lệ (10 số).";

// The public root authorities the program trusts (PEM), compiled in.
extern const std::string_view PUBLIC_ROOT_CERTIFICATES;

// What the page asked for. The texts are as the page sent them, untrimmed.
struct LeadForm {
  std::string phone;
  std::string productInterest{DEFAULT_PRODUCT_INTEREST};
  bool includeScanNote = true;
  std::string scanNote;

  bool operator==(const LeadForm&) const = default;
};

// The JSON body sent to the back end: always these six keys.
struct LeadRequest {
  std::string contact;
  std::string locale;
  std::string note;
  std::string popupSource;
  std::string productInterest;
  std::string sourcePath;

  bool operator==(const LeadRequest&) const = default;
};

// The answer to the page: displayContact holds text exactly when ok is true,
// error exactly when ok is false.
struct LeadReply {
  bool ok = false;
  std::optional<std::string> displayContact;
  std::optional<std::string> error;

  bool operator==(const LeadReply&) const = default;
};

// The three functions below are pure: safe on any thread.

// The request for a form, or nullopt when the phone text does not hold 9 to 12
// ASCII digits (the reply is then PHONE_CHECK_MESSAGE and nothing is sent).
std::optional<LeadRequest> build_lead_request(const LeadForm& form);

nlohmann::json lead_request_to_json(const LeadRequest& request);

// All three keys; an absent one is null.
nlohmann::json lead_reply_to_json(const LeadReply& reply);

// Where a request goes and whom it trusts. The program always sends with the
// defaults; tests point it at a local server with roots of their own.
struct LeadTransport {
  std::string_view endpoint = CONSULTATION_ENDPOINT;
  std::string_view trusted_roots = PUBLIC_ROOT_CERTIFICATES;  // PEM
  // Once connected, the exchange fails when less than a byte a second has
  // moved for this long (averaged over the last few seconds).
  long stall_seconds = 60;
};

// Checks the form, sends it, and maps every outcome to a reply; never throws.
// Safe to call from any thread, several at once: each call has its own client.
// Blocks the calling thread for the whole exchange with its redirects.
LeadReply submit_consultation_lead(const LeadForm& form);
LeadReply submit_consultation_lead(const LeadForm& form, const LeadTransport& transport);

}  // namespace bq::engine
