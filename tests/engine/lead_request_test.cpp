// The consultation request's form and body: what is sent, before any exchange.

#include <string>
#include <string_view>

#include <gtest/gtest.h>

#include "engine/lead_test_helpers.hpp"

namespace {

using bq::test::body_of;
using bq::test::closed_url;
using bq::test::failure;
using bq::test::form_with_phone;
using bq::test::LeadForm;
using bq::test::not_sent_message;
using bq::test::PHONE;
using bq::test::PHONE_ASKED;
using bq::test::SAMPLE_BODY;
using bq::test::sample_form;
using bq::test::send;
using bq::test::success;

TEST(LeadRequestBody, IsTheSixKeysInOrderAsCompactJson) {
  EXPECT_EQ(body_of(sample_form()), SAMPLE_BODY);
  const auto request = bq::engine::build_lead_request(sample_form());
  ASSERT_TRUE(request);
  EXPECT_EQ(*request, (bq::engine::LeadRequest{PHONE, "vi", "CPU: đạt\nTPM: đạt", "brindlequay_win11_check_exe",
                                               "Windows 11 Pro", "/kiem-tra-cau-hinh-windows-11"}));
}

TEST(LeadRequestBody, EscapesOnlyWhatJsonNeeds) {
  LeadForm form = form_with_phone("0987654321");
  form.scanNote = "a \"b\" \\ / \x01 ü";
  EXPECT_EQ(body_of(form), R"({"contact":"0987654321","locale":"vi","note":"a \"b\" \\ / \u0001 ü",)"
                           R"("popupSource":"brindlequay_win11_check_exe","productInterest":")" +
                               std::string(bq::engine::DEFAULT_PRODUCT_INTEREST) +
                               R"(","sourcePath":"/kiem-tra-cau-hinh-windows-11"})");
}

TEST(LeadRequestBody, ConstantsHaveTheirForms) {
  EXPECT_EQ(bq::engine::DEFAULT_PRODUCT_INTEREST, "Tư vấn nâng cấp & bản quyền Windows 11 Pro");
  EXPECT_EQ(bq::engine::DEFAULT_PRODUCT_INTEREST.size(), 52u);
  EXPECT_EQ(bq::engine::MAX_NOTE_BYTES, 480u);
  EXPECT_EQ(bq::engine::CONSULTATION_ENDPOINT,
            "https://" + std::string(bq::engine::API_HOST) + "/api/public/consultation-lead");
  EXPECT_EQ(bq::engine::WEB_ORIGIN, "https://" + std::string(bq::engine::WEB_HOST));
}

struct PhoneCase {
  std::string typed;
  std::string contact;  // "" when refused
};

TEST(LeadRequestBody, PhoneTextNeedsNineToTwelveAsciiDigits) {
  const std::vector<PhoneCase> cases = {
      {"  0987 654 321  ", "0987 654 321"},
      {"\u00a0\u20280987654321\u3000\u0085", "0987654321"},
      {"098765432", "098765432"},
      {"09876543210", "09876543210"},
      {"098765432101", "098765432101"},
      {"09876543", ""},
      {"0987654321012", ""},
      {"", ""},
      {" \t\n\u3000 ", ""},
      {"+84 987 654 321", "+84 987 654 321"},
      {"Zal0987654321", "Zal0987654321"},
      {"(0987) 654-321 ext", "(0987) 654-321 ext"},
      // Digits of other scripts do not count.
      {"０９８７６５４３２１", ""},
      {"٠١٢٣٤٥٦٧٨٩", ""},
      {"09876543٩٩", ""},
      {"0987654321٩٩٩", "0987654321٩٩٩"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    const auto request = bq::engine::build_lead_request(form_with_phone(c.typed));
    if (c.contact.empty()) {
      EXPECT_FALSE(request);
      // Refused before anything is sent: the closed port would otherwise answer with the network message.
      EXPECT_EQ(send(closed_url(), form_with_phone(c.typed)),
                failure("Vui lòng nhập đúng số điện thoại Zalo hợp lệ (10 số)."));
    } else {
      ASSERT_TRUE(request);
      EXPECT_EQ(request->contact, c.contact);
    }
  }
}

struct NoteCase {
  std::string name;
  bool include;
  std::string note;
  std::string sent;
};

std::string repeat(std::string_view text, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += text;
  return out;
}

TEST(LeadRequestBody, NoteIsTrimmedAndCutOnACharacterBoundary) {
  const std::string a479(479, 'a');
  const std::string a478(478, 'a');
  const std::string a477(477, 'a');
  const std::vector<NoteCase> cases = {
      {"left out", false, "CPU: đạt", ""},
      {"blank", true, " \n\t\u3000", ""},
      {"empty", true, "", ""},
      {"trimmed", true, "\u00a0 CPU: đạt \n", "CPU: đạt"},
      {"480 bytes whole", true, std::string(480, 'x'), std::string(480, 'x')},
      {"481 bytes cut to 480", true, std::string(481, 'x'), std::string(480, 'x')},
      {"480 after trimming", true, "  " + std::string(480, 'x') + "\n", std::string(480, 'x')},
      {"two-byte character at 480-481", true, a479 + "đ" + "tail", a479},
      {"two-byte character at 479-480", true, a478 + "đ" + "tail", a478 + "đ"},
      {"three-byte character at 479-481", true, a478 + "ạ" + "tail", a478},
      {"three-byte character at 478-480", true, a477 + "ạ" + "tail", a477 + "ạ"},
      {"four-byte character at 478-481", true, a477 + "😀" + "tail", a477},
      {"four-byte character at 477-480", true, std::string(476, 'a') + "😀" + "tail", std::string(476, 'a') + "😀"},
      {"cut is not trimmed again", true, a479 + "  tail", a479 + " "},
      {"long multi-byte text", true, repeat("ạ", 300), repeat("ạ", 160)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    LeadForm form = form_with_phone(PHONE);
    form.includeScanNote = c.include;
    form.scanNote = c.note;
    const auto request = bq::engine::build_lead_request(form);
    ASSERT_TRUE(request);
    EXPECT_EQ(request->note, c.sent);
    EXPECT_LE(request->note.size(), bq::engine::MAX_NOTE_BYTES);
  }
}

TEST(LeadRequestBody, ProductInterestIsTrimmedAndKeptWhenEmpty) {
  LeadForm form = form_with_phone(PHONE);
  EXPECT_EQ(bq::engine::build_lead_request(form)->productInterest, bq::engine::DEFAULT_PRODUCT_INTEREST);
  form.productInterest = "\u3000 Office 2021 Pro Plus \t";
  EXPECT_EQ(bq::engine::build_lead_request(form)->productInterest, "Office 2021 Pro Plus");
  form.productInterest = "";
  EXPECT_EQ(bq::engine::build_lead_request(form)->productInterest, "");
  form.productInterest = "   ";
  EXPECT_EQ(bq::engine::build_lead_request(form)->productInterest, "");
}

}  // namespace
