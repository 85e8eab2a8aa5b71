#include "engine/probe.hpp"

#include <gtest/gtest.h>

#include "common/system_folder_fakes.hpp"
#include "common/fake_probe_record.hpp"
#include "engine/snapshot.hpp"
#include "platform/windows_command_line.hpp"

namespace {

using bq::engine::RawHardwareSnapshot;

const std::filesystem::path POWERSHELL = "WindowsPowerShell\\v1.0\\powershell.exe";

// "ok" or the message.
std::string outcome(const std::variant<RawHardwareSnapshot, std::string>& result) {
  if (const auto* message = std::get_if<std::string>(&result)) return *message;
  return "ok";
}

class ProbeOnWindows : public bq::test::SystemFolderFakes {};

TEST_F(ProbeOnWindows, StartsTheSystemsPowerShellWithTheSixArgumentsAndReadsItsRecordWhole) {
  install(POWERSHELL);
  plant("powershell.exe");
  set_mode(L"probe");
  const auto result = bq::engine::probe_hardware();
  ASSERT_EQ(outcome(result), "ok");
  const RawHardwareSnapshot& snapshot = std::get<RawHardwareSnapshot>(result);
  EXPECT_EQ(snapshot.manufacturer, "Công ty Máy tính Đà Nẵng");
  EXPECT_EQ(snapshot.gpuName, "Đồ họa Intel® UHD 620 😀");
  EXPECT_EQ(bq::engine::snapshot_to_json(snapshot), nlohmann::json::parse(bq::test::FAKE_PROBE_RECORD));

  // One start, of the system folder's program, not of the one planted
  // beside the test program; its command line names it by its file name.
  const auto starts = this->starts();
  ASSERT_EQ(starts.size(), 1u);
  EXPECT_EQ(starts[0].first, bq::test::utf8(bq::test::system_folder() / POWERSHELL));
  const std::string expected_line = bq::platform::windows_command_line(
      "powershell.exe", bq::engine::powershell_arguments(bq::engine::probe_command_text()));
  EXPECT_EQ(starts[0].second, expected_line);
  EXPECT_TRUE(expected_line.starts_with(
      "\"powershell.exe\" -NoProfile -NonInteractive -ExecutionPolicy Bypass -Command \"[Console]::OutputEncoding"));
}

TEST_F(ProbeOnWindows, APowerShellWithoutARecordGivesTheMessageOfItsCase) {
  install(POWERSHELL);
  struct Case {
    const wchar_t* mode;
    std::string expected;
  };
  const Case cases[] = {
      // Exit status 1, text on standard error only: that text, trimmed.
      {L"fail", "Get-CimInstance : Truy cập bị từ chối."},
      // Exit status 0 and no output at all.
      {L"", "Không phân tích được dữ liệu JSON phần cứng."},
  };
  for (const Case& c : cases) {
    set_mode(c.mode);
    EXPECT_EQ(outcome(bq::engine::probe_hardware()), c.expected);
  }
}

TEST_F(ProbeOnWindows, APowerShellThatWritesWithoutEndIsEndedAndFails) {
  // A record first, then endless text on one stream or both: the probe keeps
  // no more than its bound, ends the child and reports an unreadable record.
  install(POWERSHELL);
  const std::string expected = "Lỗi đọc thông số phần cứng: output longer than 16777216 bytes";
  for (const wchar_t* mode : {L"endless-out", L"endless-err", L"endless-both"}) {
    SCOPED_TRACE(bq::test::utf8(std::wstring_view(mode)));
    set_mode(mode);
    EXPECT_EQ(outcome(bq::engine::probe_hardware()), expected);
  }
}

TEST_F(ProbeOnWindows, WithoutPowerShellInTheSystemFolderAPlantedOneIsNotStarted) {
  take_out(POWERSHELL);
  plant("powershell.exe");
  set_mode(L"probe");
  EXPECT_EQ(outcome(bq::engine::probe_hardware()), "Không gọi được PowerShell: program not found");
  EXPECT_TRUE(starts().empty());
}

}  // namespace
