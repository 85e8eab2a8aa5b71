// engine-harness lead, run as a separate process like any shell script would.

#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "common/environment.hpp"
#include "common/https_test_server.hpp"
#include "common/test_files.hpp"
#include "engine/vendor.hpp"

namespace {

namespace fs = std::filesystem;

using bq::test::HarnessRun;

class LeadHarness : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() / ("lead-harness-" + std::to_string(bq::test::process_id()));
    fs::create_directories(folder_);
  }
  void TearDown() override { fs::remove_all(folder_); }

  fs::path write(const std::string& name, const std::string& text) {
    std::ofstream(folder_ / name, std::ios::binary) << text;
    return folder_ / name;
  }

  HarnessRun run(std::vector<std::string> arguments, const std::string& payload) {
    arguments.insert(arguments.begin(), "lead");
    return bq::test::run_harness(arguments, payload);
  }

  fs::path folder_;
};

struct DryRunCase {
  std::string payload;
  std::string out;
};

TEST_F(LeadHarness, DryRunPrintsTheBodyOrTheRefusal) {
  const std::string refused = "refused Vui lòng nhập đúng số điện thoại Zalo hợp lệ (10 số).\n";
  const std::vector<DryRunCase> cases = {
      {R"({"phone":" 0987 654 321 ","productInterest":" Office ","scanNote":" CPU: đạt "})",
       R"({"contact":"0987 654 321","locale":"vi","note":"CPU: đạt","popupSource":"brindlequay_win11_check_exe",)"
       R"("productInterest":"Office","sourcePath":"/kiem-tra-cau-hinh-windows-11"})"
       "\n"},
      {R"({"phone":"+84 987 654 321","includeScanNote":false,"scanNote":"x","productInterest":""})",
       R"({"contact":"+84 987 654 321","locale":"vi","note":"","popupSource":"brindlequay_win11_check_exe",)"
       R"("productInterest":"","sourcePath":"/kiem-tra-cau-hinh-windows-11"})"
       "\n"},
      {R"({"phone":987654321})", refused},
      {R"({"phone":"0987 654"})", refused},
      {"null", refused},
      {"[]", refused},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.payload);
    const HarnessRun result = run({"--dry-run"}, c.payload);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, c.out);
  }
}

TEST_F(LeadHarness, SendsToTheEndpointAndPrintsTheReply) {
  const bq::test::Credentials authority = bq::test::make_authority("Harness Root");
  bq::test::RecordingServer server(bq::test::make_server_credentials(authority),
                                   [](const httplib::Request&, httplib::Response& response) {
                                     response.status = 422;
                                     response.set_content(R"({"error":"Đã có yêu cầu"})", "application/json");
                                   });
  const std::string cacert = write("roots.pem", authority.pem).string();
  const HarnessRun result =
      run({"--endpoint", server.url("/lead"), "--cacert", cacert}, R"({"phone":"0987654321","scanNote":"n"})");
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out, "{\"displayContact\":null,\"error\":\"Đã có yêu cầu\",\"ok\":false}\n");
  const auto requests = server.requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(
      requests[0].body,
      R"({"contact":"0987654321","locale":"vi","note":"n","popupSource":"brindlequay_win11_check_exe",)"
      R"("productInterest":"Tư vấn nâng cấp & bản quyền Windows 11 Pro","sourcePath":"/kiem-tra-cau-hinh-windows-11"})");
}

TEST_F(LeadHarness, RejectsBadUsageAndBadPayloads) {
  EXPECT_EQ(run({}, "null").status, 2);
  EXPECT_EQ(run({"--endpoint", "https://127.0.0.1:1/"}, "null").status, 2);
  EXPECT_EQ(run({"--dry-run", "--endpoint", "https://127.0.0.1:1/"}, "null").status, 2);
  EXPECT_EQ(run({"--dry-run"}, "{").status, 1);
  EXPECT_EQ(run({"--dry-run"}, "").status, 1);
  EXPECT_EQ(run({"--endpoint", "https://127.0.0.1:1/", "--cacert", (folder_ / "missing.pem").string()},
                R"({"phone":"0987654321"})")
                .status,
            1);
}

}  // namespace
