// engine-harness request: page requests, one per line, through the bridge's
// worker, with a fixed snapshot or probe failure in place of the probe.

#include <string>

#include <gtest/gtest.h>

#include "common/test_files.hpp"

namespace {

std::string fixture(const std::string& name) { return bq::test::read_data_line(name); }

TEST(BridgeHarness, RunsRequestLinesThroughTheWorker) {
  const std::string snapshot = std::string(bq::test::TEST_DATA_DIR) + "/snapshot-ready.json";
  const std::string requests =
      "{\"id\":1,\"action\":\"scan_hardware\",\"payload\":{}}\n"
      "{\"id\":2,\"action\":\"open_url\",\"payload\":{\"url\":\"https://brindlequay.vn/san-pham/x\"}}\n"
      "{\"id\":3,\"action\":\"open_url\",\"payload\":{\"url\":\"mailto:a@b.c\"}}\n"
      "[4,\"submit_lead\",{\"phone\":\"12 34\"}]\n"
      "{\"id\":5,\"action\":\"Scan_hardware\"}\n"
      "{\"id\":-1,\"action\":\"scan_hardware\"}\n"
      "\n"
      "{\"id\":0,\"action\":\"open_url\"}";
  const auto run = bq::test::run_harness({"request", "--snapshot", snapshot}, requests);
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "window.__bqCallback(1, " + fixture("report-ready.json") +
                         ");\n"
                         "window.__bqCallback(2, {\"ok\":true});\n"
                         "window.__bqCallback(3, {\"ok\":true});\n"
                         "window.__bqCallback(4, {\"displayContact\":null,\"error\":\"Vui lòng nhập đúng số điện "
                         "thoại Zalo hợp lệ (10 số).\",\"ok\":false});\n"
                         "window.__bqCallback(5, {\"error\":\"Unknown action\"});\n"
                         "window.__bqCallback(0, {\"ok\":true});\n");
  EXPECT_EQ(run.err, "open https://brindlequay.vn/san-pham/x\n");

  const auto failed =
      bq::test::run_harness({"request", "--probe-error", "Không gọi được PowerShell: program not found"},
                            "{\"id\":7,\"action\":\"scan_hardware\"}\n");
  EXPECT_NE(failed.out.find("\"rawError\":\"Không gọi được PowerShell: program not found\""), std::string::npos);
  EXPECT_TRUE(failed.out.starts_with("window.__bqCallback(7, {\"alreadyOnWin11\":false,\"checks\":[]"));
}

}  // namespace
