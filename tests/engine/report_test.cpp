#include "engine/report.hpp"

#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "common/snapshot_files.hpp"
#include "common/test_files.hpp"
#include "support/json_writer.hpp"

namespace {

using bq::engine::evaluate_snapshot;
using bq::engine::HardwareReport;
using bq::engine::RawHardwareSnapshot;
using bq::test::snapshot_from;

std::string fixture(const std::string& name) { return bq::test::read_data_line(name); }

// A machine whose seven rows all pass, on the system its caption and build say.
RawHardwareSnapshot passing(std::string caption, std::string build) {
  RawHardwareSnapshot s = snapshot_from("snapshot-ready.json");
  s.osCaption = std::move(caption);
  s.osBuild = std::move(build);
  return s;
}

// The next step of a ready machine already on Windows 11, and of one still on
// an older system.
const std::string READY_ON_WIN11_STEP =
    "Máy đã ở Windows 11 và đạt chuẩn 100% — nếu đang dùng bản Home hoặc chưa kích hoạt, bạn có thể nạp trực tiếp "
    "key Windows 11 Pro chính hãng không mất dữ liệu.";
const std::string READY_UPGRADE_STEP =
    "Bạn có thể nâng cấp trực tiếp từ Windows 10 lên Windows 11 Pro mà vẫn giữ nguyên dữ liệu, sau đó kích hoạt bản "
    "quyền chính hãng chuẩn VAT tại Brindle Quay.";

TEST(Report, WholeReportsMatchTheirFixtures) {
  for (const char* name : {"ready", "needs-bios", "not-ready"}) {
    const HardwareReport report = evaluate_snapshot(snapshot_from(std::string("snapshot-") + name + ".json"));
    EXPECT_EQ(bq::support::write_json(bq::engine::report_to_json(report)),
              fixture(std::string("report-") + name + ".json"))
        << name;
  }
}

TEST(Report, ReadyCasesTakeTheWindows11FlagIntoAccount) {
  struct Case {
    std::string caption;
    std::string build;
    bool on_win11;
  };
  const Case cases[] = {
      {"Microsoft Windows 11 Pro", "22631", true},
      {"Microsoft Windows 10 Pro", "19045", false},
      {"Microsoft Windows 10 Pro", "22631", true},  // the build decides
      {"MICROSOFT WINDOWS 11 HOME", "", true},
      {"Microsoft Windows 10 Pro", " 22631", false},
      {"Microsoft Windows 10 Pro", "22631.4037", false},
      {"Microsoft Windows 10 Pro", "-22631", false},
      {"Microsoft Windows 10 Pro", "", false},
      {"Microsoft Windows 10 Pro", "+22000", true},
      {"Microsoft Windows 10 Pro", "++22000", false},
      {"Microsoft Windows 10 Pro", "+", false},
      {"Microsoft Windows 10 Pro", "21999", false},
      {"Microsoft Windows 10 Pro", "022000", true},
      {"Microsoft Windows 10 Pro", "4294967295", true},
      {"Microsoft Windows 10 Pro", "4294967296", false},
      {"Microsoft Windows 10 Pro", "22000 ", false},
      {"Windows 11", "0", true},
      {"Microsoft Windows 1 1", "1", false},
      {"Microsoft Windows 11\xC2\xA0Pro", "", true},
      {"Microsoft Windows\xC2\xA0"
       "11 Pro",
       "", false},  // only ASCII letters change; the no-break space stays
  };
  for (const Case& c : cases) {
    const HardwareReport report = evaluate_snapshot(passing(c.caption, c.build));
    EXPECT_EQ(report.alreadyOnWin11, c.on_win11) << c.caption << " / " << c.build;
    EXPECT_EQ(report.verdictCode, "READY");
    EXPECT_EQ(report.verdictTone, "pass");
    EXPECT_EQ(report.verdictBadge, c.on_win11 ? "ĐỦ ĐIỀU KIỆN 100% · ĐANG CHẠY WIN 11" : "ĐỦ ĐIỀU KIỆN 100%");
    EXPECT_EQ(report.nextSteps, std::vector<std::string>{c.on_win11 ? READY_ON_WIN11_STEP : READY_UPGRADE_STEP});
  }
}

TEST(Report, AFailOrAWarnRowWinsOverTheWindows11Flag) {
  RawHardwareSnapshot s = passing("Microsoft Windows 11 Pro", "22631");
  s.ramGb = 2.0;              // ram fails, with a step
  s.secureBoot = "Disabled";  // secure boot warns, with a step
  HardwareReport report = evaluate_snapshot(s);
  EXPECT_TRUE(report.alreadyOnWin11);
  EXPECT_EQ(report.verdictCode, "NOT_READY");
  EXPECT_EQ(report.verdictTone, "error");
  EXPECT_EQ(report.failCount, 1u);
  EXPECT_EQ(report.warnCount, 1u);
  EXPECT_EQ(report.nextSteps.size(), 2u);  // the row steps only

  s.ramGb = 16.0;
  report = evaluate_snapshot(s);
  EXPECT_EQ(report.verdictCode, "NEEDS_BIOS");
  EXPECT_EQ(report.verdictTone, "warning");
  EXPECT_EQ(report.nextSteps,
            std::vector<std::string>{"Vào BIOS > tab Boot/Security > chuyển 'Secure Boot' sang Enabled."});
  EXPECT_TRUE(report.alreadyOnWin11);
}

TEST(Report, WarningsWithoutStepsLeaveNoNextSteps) {
  RawHardwareSnapshot s = passing("Microsoft Windows 10 Pro", "19045");
  s.partitionStyle = "MBR";  // the storage row's MBR warning carries no step
  const HardwareReport report = evaluate_snapshot(s);
  EXPECT_EQ(report.verdictCode, "NEEDS_BIOS");
  EXPECT_EQ(report.warnCount, 1u);
  EXPECT_TRUE(report.nextSteps.empty());
}

TEST(Report, DeviceNameFallbacks) {
  struct Case {
    std::string manufacturer, model, expected;
  };
  const Case cases[] = {
      {"Dell Inc.", "Latitude 7490", "Dell Inc. Latitude 7490"},
      {"Dell Inc.", "", "Dell Inc."},
      {"", "Latitude 7490", "Latitude 7490"},
      {"", "", "Máy tính Windows"},
      {"  ", "", "  "},  // blanks count as a name
      {"  ", " ", "    "},
  };
  for (const Case& c : cases) {
    RawHardwareSnapshot s = snapshot_from("snapshot-ready.json");
    s.manufacturer = c.manufacturer;
    s.model = c.model;
    EXPECT_EQ(evaluate_snapshot(s).deviceName, c.expected);
  }
}

TEST(Report, AnySnapshotGivesACompleteReport) {
  RawHardwareSnapshot extreme;  // zeros and empty texts
  RawHardwareSnapshot huge = snapshot_from("snapshot-ready.json");
  huge.ramGb = 1e308;
  huge.diskTotalGb = -1e308;
  huge.diskFreeGb = 5e-324;
  huge.cpuCores = huge.cpuThreads = huge.cpuMaxMhz = huge.cpuAddressWidth = 4294967295u;
  huge.screenWidth = huge.screenHeight = 4294967295u;
  huge.cpuName = std::string(100000, 'x');
  for (const RawHardwareSnapshot& s : {extreme, huge}) {
    const HardwareReport report = evaluate_snapshot(s);
    EXPECT_EQ(report.checks.size(), 7u);
    EXPECT_EQ(report.passCount + report.warnCount + report.failCount, 7u);
    EXPECT_TRUE(report.isWindows);
    EXPECT_FALSE(report.rawError.has_value());
    EXPECT_EQ(report.recommendedProducts.size(), 4u);
    EXPECT_TRUE(report.shareUrl.starts_with("https://"));
    const nlohmann::json json = bq::engine::report_to_json(report);
    EXPECT_EQ(json.size(), 19u);
    EXPECT_TRUE(json.at("rawError").is_null());
    EXPECT_TRUE(json.at("passCount").is_number_unsigned());
  }
  EXPECT_EQ(evaluate_snapshot(extreme).deviceName, "Máy tính Windows");
}

}  // namespace
