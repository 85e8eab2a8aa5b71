// The embedded page as a text: its encoding, the logo placeholder, the ids the page script
// looks up, and the vendor's texts, which the page holds literally and the program holds as
// constants.
#include <unicode/normalizer2.h>
#include <unicode/unistr.h>

#include <map>
#include <regex>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "engine/lead.hpp"
#include "engine/vendor.hpp"
#include "common/test_files.hpp"
#include "support/utf8.hpp"

namespace {

using namespace std::string_literals;
namespace vendor = bq::engine;

const std::string& page() {
  static const std::string text = bq::test::read_source_file("ui/index.html");
  return text;
}

bool is_nfc(std::string_view utf8) {
  UErrorCode status = U_ZERO_ERROR;
  const icu::Normalizer2* nfc = icu::Normalizer2::getNFCInstance(status);
  if (U_FAILURE(status)) return false;
  const icu::UnicodeString text =
      icu::UnicodeString::fromUTF8(icu::StringPiece(utf8.data(), static_cast<int32_t>(utf8.size())));
  const bool normalized = nfc->isNormalized(text, status);
  return U_SUCCESS(status) && normalized;
}

std::size_t occurrences(std::string_view text, std::string_view needle) {
  std::size_t count = 0;
  for (std::size_t at = text.find(needle); at != std::string_view::npos; at = text.find(needle, at + needle.size()))
    ++count;
  return count;
}

// The text between `open` and the next `close`, with its tags removed.
std::string inner_text(std::string_view html, std::string_view open, std::string_view close) {
  const std::size_t begin = html.find(open);
  if (begin == std::string_view::npos) return "(no " + std::string(open) + ")";
  const std::size_t end = html.find(close, begin + open.size());
  if (end == std::string_view::npos) return "(no " + std::string(close) + ")";
  std::string text;
  bool in_tag = false;
  for (const char c : html.substr(begin + open.size(), end - begin - open.size())) {
    if (c == '<')
      in_tag = true;
    else if (c == '>')
      in_tag = false;
    else if (!in_tag)
      text += c;
  }
  return text;
}

TEST(NfcCheck, TellsComposedFromDecomposedText) {
  struct Case {
    const char* text;
    bool nfc;
  };
  const Case cases[] = {
      {"Kiểm tra Windows 11 Pro", true},
      {"Đang quét…", true},
      {"Ki\x65\xcc\x82\xcc\x89m", false},  // e, combining circumflex, combining hook above
      {"Vi\xe1\xba\xb9\xcc\x82t", false},  // e with dot below, then a separate circumflex
      {"\xe2\x84\xab", false},             // ANGSTROM SIGN, a singleton that NFC replaces
  };
  for (const Case& c : cases) EXPECT_EQ(is_nfc(c.text), c.nfc) << c.text;
}

TEST(PageDocument, IsWellFormedUtf8InNfc) {
  EXPECT_TRUE(bq::support::is_valid_utf8(page()));
  EXPECT_TRUE(is_nfc(page()));
  EXPECT_NE(page().substr(0, 3), "\xef\xbb\xbf") << "no byte order mark";
}

TEST(PageDocument, HoldsTheLogoPlaceholderOnceAsTheLogoSource) {
  EXPECT_EQ(occurrences(page(), "__BQ_LOGO_DATA_URI__"), 1u);
  EXPECT_EQ(occurrences(page(), R"(<img class="brand-logo" src="__BQ_LOGO_DATA_URI__" alt="Brindle Quay">)"), 1u);
}

TEST(PageDocument, LoadsNothingFromOutside) {
  for (const char* needle : {"<link", "@import", "url(", "<iframe", "<object", "<embed", "srcset", " href="})
    EXPECT_EQ(occurrences(page(), needle), 0u) << needle;
  EXPECT_EQ(occurrences(page(), " src="), 1u) << "the logo is the only source";
}

TEST(PageDocument, EveryScriptIdOnceAndNoIdTwice) {
  std::map<std::string, int> ids;
  const std::regex id_attribute(R"re(\sid="([^"]*)")re");
  for (auto it = std::sregex_iterator(page().begin(), page().end(), id_attribute); it != std::sregex_iterator(); ++it)
    ++ids[(*it)[1].str()];
  for (const auto& [id, count] : ids) EXPECT_EQ(count, 1) << id;

  const std::vector<std::string> script_ids = {
      "badge-admin",  "panel-scan",      "panel-bios",       "panel-upgrade",    "loading-box",    "result-box",
      "verdict-card", "verdict-badge",   "score-chips",      "verdict-headline", "verdict-advice", "btn-rescan",
      "btn-copy",     "btn-open-web",    "btn-goto-upgrade", "device-name",      "current-os",     "check-list",
      "suggest-box",  "suggest-title",   "suggest-grid",     "lead-form",        "lead-product",   "lead-phone",
      "lead-attach",  "btn-submit-lead", "btn-open-win11",   "btn-open-zalo",    "lead-msg",       "toast"};
  for (const std::string& id : script_ids) EXPECT_EQ(ids.count(id), 1u) << id;
}

TEST(PageDocument, EachTabNamesItsPanel) {
  for (const char* tab : {"scan", "bios", "upgrade"}) {
    EXPECT_EQ(occurrences(page(), "data-tab=\""s + tab + "\""), 1u) << tab;
    EXPECT_EQ(occurrences(page(), "<section id=\"panel-"s + tab + "\""), 1u) << tab;
  }
}

TEST(PageDocument, VendorTextsAreTheProgramConstants) {
  const std::string company(vendor::COMPANY_NAME);
  const std::string phone(vendor::CONTACT_PHONE_DISPLAY);
  const std::string footer = "Brindle Quay — " + company + " (MST " + std::string(vendor::TAX_CODE) +
                             ") · Hotline/Zalo: " + phone + " · " + std::string(vendor::WEB_HOST);
  EXPECT_EQ(inner_text(page(), R"(<footer class="footer">)", "</footer>"), footer);
  EXPECT_EQ(inner_text(page(), R"(<span class="brand-title">)", "</span>"), vendor::HEADER_SHORT_TITLE);
  EXPECT_EQ(inner_text(page(), R"(id="btn-open-zalo" class="btn">)", "</button>"), "Nhắn Zalo " + phone);
  EXPECT_EQ(occurrences(page(), "<p>Kỹ thuật Brindle Quay (" + company + ") hỗ trợ kiểm tra BIOS"), 1u);
}

// The page script keeps the values it shares with the program (the vendor's links and phone
// number, the default product interest) in one block of constants at its top; nothing else in
// the script spells a host or the phone number.
TEST(PageScript, VendorConstantsAreTheProgramConstants) {
  const std::size_t begin = page().find("<script>");
  ASSERT_NE(begin, std::string::npos);
  const std::string script = page().substr(begin);

  std::map<std::string, std::string> constants;
  const std::regex declaration(R"re(\nconst ([A-Z_]+) = '([^'\\]*)';)re");
  for (auto it = std::sregex_iterator(script.begin(), script.end(), declaration); it != std::sregex_iterator(); ++it)
    constants[(*it)[1].str()] = (*it)[2].str();

  const std::smatch product = [] {
    std::smatch match;
    std::regex_search(page(), match, std::regex(R"re(id="lead-product"[^>]* value="([^"]*)")re"));
    return match;
  }();
  ASSERT_EQ(product.size(), 2u) << "the product field's initial value";

  const std::map<std::string, std::string> expected = {
      {"PRICE_LIST_URL", std::string(vendor::PRICE_LIST_URL)},
      {"CHAT_LINK", std::string(vendor::CHAT_LINK)},
      {"CONTACT_PHONE_DISPLAY", std::string(vendor::CONTACT_PHONE_DISPLAY)},
      {"DEFAULT_PRODUCT_INTEREST", std::string(bq::engine::DEFAULT_PRODUCT_INTEREST)},
  };
  EXPECT_EQ(constants, expected);
  // The form starts on the same text that an emptied field falls back to.
  EXPECT_EQ(product[1].str(), bq::engine::DEFAULT_PRODUCT_INTEREST);

  for (const std::string_view value :
       {vendor::WEB_HOST, vendor::CONTACT_PHONE_DISPLAY, vendor::CONTACT_PHONE_DIGITS, std::string_view("zalo.me")})
    EXPECT_EQ(occurrences(script, value), 1u) << value;
}

TEST(PageDocument, EndsWithTheScriptElementAfterTheToast) {
  EXPECT_EQ(occurrences(page(), "<script"), 1u);
  const std::size_t toast = page().find(R"(<div id="toast" class="toast"></div>)");
  const std::size_t script = page().find("<script>");
  ASSERT_NE(toast, std::string::npos);
  ASSERT_NE(script, std::string::npos);
  EXPECT_LT(toast, script);
  const std::size_t end = page().find("</script>", script);
  ASSERT_NE(end, std::string::npos);
  EXPECT_EQ(page().substr(end), "</script>\n</body>\n</html>\n");
}

}  // namespace
