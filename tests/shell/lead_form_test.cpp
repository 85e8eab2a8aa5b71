#include "shell/lead_form.hpp"

#include <gtest/gtest.h>

namespace {

using bq::engine::LeadForm;

LeadForm form(std::string phone, std::string productInterest, bool includeScanNote, std::string scanNote) {
  return LeadForm{std::move(phone), std::move(productInterest), includeScanNote, std::move(scanNote)};
}

const std::string DEFAULT_INTEREST(bq::engine::DEFAULT_PRODUCT_INTEREST);

struct FormCase {
  std::string payload;  // JSON text
  LeadForm expected;
};

TEST(LeadFormReader, TakesEachKeyOnlyWithItsJsonType) {
  const LeadForm defaults = form("", DEFAULT_INTEREST, true, "");
  const std::vector<FormCase> cases = {
      {"null", defaults},
      {"[]", defaults},
      {R"(["0987654321"])", defaults},
      {R"("0987654321")", defaults},
      {"42", defaults},
      {"{}", defaults},
      {R"({"phone":" 0987 654 321 ","productInterest":"  Office  ","includeScanNote":false,"scanNote":" n "})",
       form(" 0987 654 321 ", "  Office  ", false, " n ")},
      // A number-typed phone is no phone text at all.
      {R"({"phone":987654321})", defaults},
      {R"({"phone":null,"productInterest":null,"includeScanNote":null,"scanNote":null})", defaults},
      {R"({"phone":["0987654321"],"scanNote":{"a":1}})", defaults},
      {R"({"phone":true,"scanNote":false})", defaults},
      {R"({"productInterest":""})", form("", "", true, "")},
      {R"({"productInterest":7})", defaults},
      {R"({"includeScanNote":true})", defaults},
      {R"({"includeScanNote":false})", form("", DEFAULT_INTEREST, false, "")},
      {R"({"includeScanNote":"false"})", defaults},
      {R"({"includeScanNote":0})", defaults},
      {R"({"scanNote":"CPU: đạt\n"})", form("", DEFAULT_INTEREST, true, "CPU: đạt\n")},
      {R"({"other":"x","phone":"1"})", form("1", DEFAULT_INTEREST, true, "")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.payload);
    EXPECT_EQ(bq::shell::read_lead_form(nlohmann::json::parse(c.payload)), c.expected);
  }
  EXPECT_EQ(bq::shell::read_lead_form(nlohmann::json()), defaults);
}

}  // namespace
