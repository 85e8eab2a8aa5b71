#include "shell/page.hpp"

#include <ostream>
#include <string>

#include <gtest/gtest.h>

#include "common/test_files.hpp"
#include "support/base64.hpp"

namespace {

using bq::shell::compose_page;

// Three bytes that use both of the standard alphabet's own characters, and
// four that need padding.
const std::string LOGO = "\xFB\xFF\xBF";
const std::string URI = "data:image/png;base64,+/+/";

struct Case {
  const char* name;
  std::string page;
  std::string composed;
};

// The case's name, rather than its bytes, in the listing of the tests: CTest
// names each test after that listing.
void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }

class ComposePage : public testing::TestWithParam<Case> {};

TEST_P(ComposePage, ReplacesEveryPlaceholderLeftToRight) {
  EXPECT_EQ(compose_page(GetParam().page, LOGO), GetParam().composed);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ComposePage,
    testing::Values(Case{"once", R"(<img src="__BQ_LOGO_DATA_URI__" alt="">)", R"(<img src=")" + URI + R"(" alt="">)"},
                    Case{"twice", "a __BQ_LOGO_DATA_URI__ b __BQ_LOGO_DATA_URI__ c", "a " + URI + " b " + URI + " c"},
                    Case{"absent", "<p>__BQ_LOGO_DATA_URI_ _BQ_LOGO_DATA_URI__</p>",
                         "<p>__BQ_LOGO_DATA_URI_ _BQ_LOGO_DATA_URI__</p>"},
                    Case{"adjacent", "__BQ_LOGO_DATA_URI____BQ_LOGO_DATA_URI__", URI + URI},
                    // The second occurrence shares the first one's closing "__": only the
                    // first is replaced, and what is left is no placeholder.
                    Case{"overlapping", "__BQ_LOGO_DATA_URI__BQ_LOGO_DATA_URI__", URI + "BQ_LOGO_DATA_URI__"},
                    Case{"whole page", "__BQ_LOGO_DATA_URI__", URI}, Case{"empty page", "", ""},
                    Case{"multibyte text around it", "Kiểm tra — __BQ_LOGO_DATA_URI__ “xong”",
                         "Kiểm tra — " + URI + " “xong”"}),
    [](const testing::TestParamInfo<Case>& info) {
      std::string name = info.param.name;
      for (char& c : name)
        if (c == ' ') c = '_';
      return name;
    });

TEST(ComposePage, EncodesTheLogoAsPaddedStandardBase64) {
  EXPECT_EQ(compose_page("__BQ_LOGO_DATA_URI__", "\x89PNG"), "data:image/png;base64,iVBORw==");
  EXPECT_EQ(compose_page("__BQ_LOGO_DATA_URI__", ""), "data:image/png;base64,");

  std::string logo;
  for (int i = 0; i < 33443; ++i) logo += static_cast<char>(i * 7919 % 251);
  // A logo of 33,443 bytes: 44,592 characters of base64 ending in one "=".
  const std::string composed = compose_page("<img src=\"__BQ_LOGO_DATA_URI__\">", logo);
  const std::string prefix = "<img src=\"data:image/png;base64,";
  ASSERT_EQ(composed.size(), prefix.size() + 44592 + 2);
  ASSERT_EQ(composed.substr(0, prefix.size()), prefix);
  const std::string encoded = composed.substr(prefix.size(), 44592);
  EXPECT_EQ(encoded.back(), '=');
  EXPECT_NE(encoded[encoded.size() - 2], '=');
  EXPECT_EQ(composed.substr(composed.size() - 2), "\">");
  EXPECT_EQ(bq::support::base64_decode(encoded), logo);
}

TEST(ComposePage, TheEmbeddedPageGetsTheEmbeddedLogoOnce) {
  const std::string page = bq::test::read_source_file("ui/index.html");
  const std::string logo = bq::test::read_source_file("ui/logo.png");
  const std::string uri = "data:image/png;base64," + bq::support::base64_encode(logo);
  const std::string composed = compose_page(page, logo);

  EXPECT_EQ(composed.find(bq::shell::LOGO_PLACEHOLDER), std::string::npos);
  EXPECT_EQ(composed.size(), page.size() - bq::shell::LOGO_PLACEHOLDER.size() + uri.size());
  const std::size_t at = composed.find(uri);
  ASSERT_NE(at, std::string::npos);
  EXPECT_EQ(composed.find(uri, at + 1), std::string::npos);
  EXPECT_EQ(composed.substr(0, at), page.substr(0, page.find(bq::shell::LOGO_PLACEHOLDER)));
}

}  // namespace
