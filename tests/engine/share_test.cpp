#include "engine/share.hpp"

#include <algorithm>
#include <optional>
#include <set>
#include <stdexcept>

#include <gtest/gtest.h>

#include "common/test_files.hpp"
#include "engine/vendor.hpp"
#include "harness/harness.hpp"
#include "support/base64.hpp"
#include "support/json_writer.hpp"
#include "support/utf8.hpp"

namespace {

using bq::engine::CheckRow;
using bq::test::read_data_file;
using bq::test::read_data_line;

using ShareArgs = bq::harness::ShareInput;

// The ready machine of tests/data/share-ready-input.json.
ShareArgs ready_args() {
  auto input = bq::harness::read_share_input(read_data_file("share-ready-input.json"));
  if (const auto* error = std::get_if<std::string>(&input)) throw std::runtime_error(*error);
  return std::get<ShareArgs>(std::move(input));
}

std::string share_url(const ShareArgs& a) { return bq::engine::build_share_url(a.report, a.snapshot); }

std::string link_prefix() { return std::string(bq::engine::CHECK_PAGE_URL) + "#report="; }

// The base64url text after "#report=", checked to use only that alphabet.
std::string encoded_fragment(const std::string& url) {
  const std::string prefix = link_prefix();
  if (!url.starts_with(prefix)) {
    ADD_FAILURE() << "not a share link: " << url.substr(0, 100);
    return {};
  }
  std::string encoded = url.substr(prefix.size());
  EXPECT_EQ(encoded.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_"),
            std::string::npos)
      << encoded;
  return encoded;
}

// The JSON text that the link carries.
std::string summary_text(const ShareArgs& args) {
  const std::optional<std::string> decoded = bq::support::base64_decode(encoded_fragment(share_url(args)));
  EXPECT_TRUE(decoded.has_value());
  return decoded.value_or("");
}

nlohmann::json summary(const ShareArgs& args) { return nlohmann::json::parse(summary_text(args)); }

TEST(ShareUrl, CheckPageIsHttpsOnTheWebHost) {
  EXPECT_EQ(bq::engine::CHECK_PAGE_URL, std::string(bq::engine::WEB_ORIGIN) + "/kiem-tra-cau-hinh-windows-11");
  EXPECT_EQ(bq::engine::WEB_ORIGIN, "https://" + std::string(bq::engine::WEB_HOST));
}

TEST(ShareUrl, ReadyMachineGivesTheExpectedSummaryText) {
  const ShareArgs args = ready_args();
  const std::string expected = read_data_line("share-ready-report.json");
  EXPECT_EQ(summary_text(args), expected);
  EXPECT_EQ(share_url(args), link_prefix() + bq::support::base64url_encode(expected));
}

TEST(ShareUrl, FourteenKeysInByteOrderAndSixPerRow) {
  const nlohmann::ordered_json parsed = nlohmann::ordered_json::parse(summary_text(ready_args()));
  std::vector<std::string> keys;
  for (const auto& item : parsed.items()) keys.push_back(item.key());
  EXPECT_EQ(keys, (std::vector<std::string>{"boot", "checks", "code", "cpu", "device", "disk", "fail", "os", "pass",
                                            "ram", "tone", "tpm", "v", "warn"}));
  const std::vector<std::string> row_keys{"d", "id", "l", "n", "s", "sl"};
  ASSERT_EQ(parsed["checks"].size(), 7u);
  for (const auto& row : parsed["checks"]) {
    std::vector<std::string> found;
    for (const auto& item : row.items()) found.push_back(item.key());
    EXPECT_EQ(found, row_keys);
  }
}

TEST(ShareUrl, RowsKeepTheirOrderAndTheirTexts) {
  ShareArgs args = ready_args();
  std::reverse(args.report.checks.begin(), args.report.checks.end());
  args.report.checks[0].requirement = "not carried";
  args.report.checks.pop_back();
  const nlohmann::json rows = summary(args)["checks"];
  ASSERT_EQ(rows.size(), args.report.checks.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const CheckRow& row = args.report.checks[i];
    EXPECT_EQ(rows[i], (nlohmann::json{{"id", row.id},
                                       {"l", row.label},
                                       {"d", row.detected},
                                       {"s", row.status},
                                       {"sl", row.statusLabel},
                                       {"n", row.detail}}));
  }
  EXPECT_EQ(summary_text(args).find("not carried"), std::string::npos);
  args.report.checks.clear();
  EXPECT_EQ(summary(args)["checks"], nlohmann::json::array());
}

TEST(ShareUrl, TpmSummary) {
  struct Case {
    bool present;
    std::string_view version_text;
    std::string_view tpm;
  };
  const Case cases[] = {
      {false, "2.0, 0, 1.38", "None"},
      {false, "", "None"},
      {true, "2.0, 0, 1.38", "TPM 2.0"},
      {true, "2.0", "TPM 2.0"},
      {true, " 2.0 ,x", "TPM 2.0"},
      {true, "1.2, 2, 3", "TPM 1.2"},
      {true, "\u00a02.0\u3000, 0", "TPM 2.0"},
      {true, "", "TPM Present"},
      {true, " \t ", "TPM Present"},
      {true, ",2.0", "TPM Present"},
      {true, "  , 2.0", "TPM Present"},
  };
  ShareArgs args = ready_args();
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.present << " \"" << c.version_text << "\"");
    args.snapshot.tpmPresent = c.present;
    args.snapshot.tpmSpecVersion = c.version_text;
    EXPECT_EQ(summary(args)["tpm"].get<std::string>(), c.tpm);
  }
}

TEST(ShareUrl, BootJoinsFirmwareAndSecureBootUnchanged) {
  struct Case {
    std::string_view firmware;
    std::string_view secure_boot;
    std::string_view boot;
  };
  const Case cases[] = {
      {"UEFI", "Enabled", "UEFI / Enabled"},
      {"", "", " / "},
      {" Legacy", "unsupported ", " Legacy / unsupported "},
  };
  ShareArgs args = ready_args();
  for (const Case& c : cases) {
    args.snapshot.firmwareType = c.firmware;
    args.snapshot.secureBoot = c.secure_boot;
    EXPECT_EQ(summary(args)["boot"].get<std::string>(), c.boot);
  }
}

TEST(ShareUrl, SizesAreDoublesAndCountsPlainIntegers) {
  struct Case {
    double ram;
    double disk;
    std::string_view ram_text;
    std::string_view disk_text;
  };
  const Case cases[] = {
      {16, 0, "16.0", "0.0"},
      {7.9, 475.9, "7.9", "475.9"},
      {15.87, 1863.0, "15.87", "1863.0"},
      {0.1 + 0.2, 953.8691177368164, "0.30000000000000004", "953.8691177368164"},
      // Plain decimals from 1e-5 up to below 1e16, an exponent beyond.
      {0.0001, 100000.0, "0.0001", "100000.0"},
      {0.00001, 1000000000.0, "0.00001", "1000000000.0"},
      {-0.0, 1e15, "-0.0", "1000000000000000.0"},
      {1.5e-7, 1e16, "1.5e-7", "1e16"},
  };
  ShareArgs args = ready_args();
  for (const Case& c : cases) {
    args.snapshot.ramGb = c.ram;
    args.snapshot.diskTotalGb = c.disk;
    const std::string text = summary_text(args);
    EXPECT_NE(text.find("\"ram\":" + std::string(c.ram_text) + ","), std::string::npos) << text;
    EXPECT_NE(text.find("\"disk\":" + std::string(c.disk_text) + ","), std::string::npos) << text;
    const nlohmann::json parsed = nlohmann::json::parse(text);
    EXPECT_EQ(parsed["ram"].get<double>(), c.ram);
    EXPECT_EQ(parsed["disk"].get<double>(), c.disk);
  }

  args.report.passCount = 3;
  args.report.warnCount = 18446744073709551615u;
  args.report.failCount = 0;
  const std::string text = summary_text(args);
  EXPECT_NE(text.find("\"pass\":3,"), std::string::npos) << text;
  EXPECT_NE(text.find("\"warn\":18446744073709551615}"), std::string::npos) << text;
  EXPECT_NE(text.find("\"fail\":0,"), std::string::npos) << text;
  EXPECT_NE(text.find("\"v\":1,"), std::string::npos) << text;
}

TEST(ShareUrl, SnapshotTextsGoInUnchanged) {
  ShareArgs args = ready_args();
  args.snapshot.cpuName = "  INTEL(R) core(TM) i5-7200U  ";
  args.snapshot.osCaption = " Microsoft Windows 10 Home\t";
  const nlohmann::json parsed = summary(args);
  EXPECT_EQ(parsed["cpu"].get<std::string>(), args.snapshot.cpuName);
  EXPECT_EQ(parsed["os"].get<std::string>(), args.snapshot.osCaption);
}

TEST(ShareUrl, EscapesOnlyQuotesBackslashesAndControlsAndKeepsUtf8Raw) {
  ShareArgs args = ready_args();
  args.report.deviceName = "Máy \"Tú\" C:\\PC/1\n\t\b\f\r\x01\x1f\x7f";
  args.report.verdictCode = "Ổ";
  args.report.checks[0].detail = "\"\\";
  args.snapshot.cpuName = "中文 😀";
  const std::string text = summary_text(args);
  EXPECT_NE(text.find(R"("device":"Máy \"Tú\" C:\\PC/1\n\t\b\f\r\u0001\u001f)"
                      "\x7f\""),
            std::string::npos)
      << text;
  EXPECT_NE(text.find(R"("code":"Ổ")"), std::string::npos) << text;
  EXPECT_NE(text.find(R"("n":"\"\\")"), std::string::npos) << text;
  EXPECT_NE(text.find("\"cpu\":\"中文 😀\""), std::string::npos) << text;
  EXPECT_EQ(text.find("\\/"), std::string::npos);
  EXPECT_EQ(summary(args)["device"].get<std::string>(), args.report.deviceName);
}

TEST(ShareUrl, IllFormedUtf8BecomesReplacementCharacters) {
  // Texts come from the probe's output; a broken byte there must not break the link.
  ShareArgs args = ready_args();
  args.report.deviceName = "PC\xFF\xC3";
  args.snapshot.cpuName = "\xED\xA0\x80";
  std::string text;
  ASSERT_NO_THROW(text = summary_text(args));
  EXPECT_TRUE(bq::support::is_valid_utf8(text));
  const nlohmann::json parsed = nlohmann::json::parse(text);
  EXPECT_EQ(parsed["device"].get<std::string>(), "PC\uFFFD\uFFFD");
  EXPECT_EQ(parsed["cpu"].get<std::string>(), "\uFFFD\uFFFD\uFFFD");
}

TEST(ShareUrl, EncodedLengthFollowsTheLastGroupWithoutPadding) {
  // Growing one text byte by byte walks the summary through all three
  // remainders of its length modulo 3.
  ShareArgs args = ready_args();
  std::set<std::size_t> remainders;
  for (int extra = 0; extra < 6; ++extra) {
    args.report.deviceName = "PC" + std::string(static_cast<std::size_t>(extra), 'x');
    const std::string text = summary_text(args);
    const std::string encoded = encoded_fragment(share_url(args));
    remainders.insert(text.size() % 3);
    EXPECT_EQ(encoded.size(), text.size() / 3 * 4 + (text.size() % 3 == 0 ? 0 : text.size() % 3 + 1));
    EXPECT_EQ(encoded.find('='), std::string::npos);
  }
  EXPECT_EQ(remainders.size(), 3u);

  // The last group alone: one byte gives two characters, two three, three four.
  EXPECT_EQ(bq::support::base64url_encode("{"), "ew");
  EXPECT_EQ(bq::support::base64url_encode("{}"), "e30");
  EXPECT_EQ(bq::support::base64url_encode("\"\"}"), "IiJ9");
}

TEST(ShareUrl, LongRowsMakeALongLink) {
  ShareArgs args = ready_args();
  const std::string long_text(200000, 'a');
  for (CheckRow& row : args.report.checks) row.detail = long_text;
  const std::string url = share_url(args);
  EXPECT_GT(url.size(), 7 * long_text.size() * 4 / 3);
  EXPECT_EQ(summary(args)["checks"][6]["n"].get<std::string>(), long_text);
}

}  // namespace
