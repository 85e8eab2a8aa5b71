#pragma once
// What the consultation request's suites share: the sample form and its body,
// the replies' texts, the throwaway authority and the ways of sending to a
// local server.

#include <ostream>
#include <string>
#include <string_view>

#include "common/https_test_server.hpp"
#include "engine/lead.hpp"
#include "engine/vendor.hpp"
#include "support/json_writer.hpp"

namespace bq::engine {
// Replies show as their JSON in failure messages.
inline void PrintTo(const LeadReply& reply, std::ostream* out) {
  *out << support::write_json(lead_reply_to_json(reply));
}
}  // namespace bq::engine

namespace bq::test {

using engine::LeadForm;
using engine::LeadReply;

inline const std::string PHONE = "0987 654 321";
inline const std::string PHONE_ASKED = " \t0987 654 321\u3000";  // as typed, with white space around it

inline std::string phone_display() { return std::string(engine::CONTACT_PHONE_DISPLAY); }
inline std::string network_message() {
  return "Không kết nối được mạng tới BrindleQuay. Bạn có thể nhắn trực tiếp Zalo " + phone_display() + ".";
}
inline std::string http_status_message(int status) {
  return "Máy chủ phản hồi lỗi HTTP " + std::to_string(status) + ". Vui lòng nhắn Zalo " + phone_display() + ".";
}
inline std::string not_sent_message() { return "Chưa gửi được yêu cầu. Vui lòng nhắn Zalo " + phone_display() + "."; }

inline LeadReply success(std::string contact) { return LeadReply{true, std::move(contact), std::nullopt}; }
inline LeadReply failure(std::string error) { return LeadReply{false, std::nullopt, std::move(error)}; }

inline LeadForm form_with_phone(std::string phone) {
  LeadForm form;
  form.phone = std::move(phone);
  return form;
}

inline LeadForm sample_form() {
  LeadForm form = form_with_phone(PHONE_ASKED);
  form.productInterest = "  Windows 11 Pro  ";
  form.scanNote = "\nCPU: đạt\nTPM: đạt\n";
  return form;
}

// The exact body sent for sample_form().
inline const std::string SAMPLE_BODY =
    R"({"contact":"0987 654 321","locale":"vi","note":"CPU: đạt\nTPM: đạt","popupSource":"brindlequay_win11_check_exe",)"
    R"("productInterest":"Windows 11 Pro","sourcePath":"/kiem-tra-cau-hinh-windows-11"})";

inline std::string body_of(const LeadForm& form) {
  const auto request = engine::build_lead_request(form);
  return request ? support::write_json(engine::lead_request_to_json(*request)) : "refused";
}

inline const Credentials& authority() {
  static const Credentials made = make_authority("Lead Test Root");
  return made;
}
inline const Credentials& server_credentials() {
  static const Credentials made = make_server_credentials(authority());
  return made;
}

inline LeadReply send(const std::string& url, const LeadForm& form = sample_form(), long stall_seconds = 60,
                      std::string_view roots = authority().pem) {
  engine::LeadTransport transport;
  transport.endpoint = url;
  transport.trusted_roots = roots;
  transport.stall_seconds = stall_seconds;
  return engine::submit_consultation_lead(form, transport);
}

// With a short deadline for the whole exchange and a stall rule that cannot
// fire first.
inline LeadReply send_within(const std::string& url, long deadline_ms) {
  engine::LeadTransport transport;
  transport.endpoint = url;
  transport.trusted_roots = authority().pem;
  transport.deadline_ms = deadline_ms;
  return engine::submit_consultation_lead(sample_form(), transport);
}

inline std::string closed_url() { return "https://127.0.0.1:" + std::to_string(closed_port()) + "/lead"; }

inline RecordingServer::Handler answer(int status, std::string body,
                                       std::string content_type = "application/json; charset=utf-8") {
  return [=](const httplib::Request&, httplib::Response& response) {
    response.status = status;
    response.set_content(body, content_type);
  };
}

}  // namespace bq::test
