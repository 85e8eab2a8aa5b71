#include "engine/checks.hpp"

#include <clocale>
#include <cstdio>
#include <functional>
#include <limits>

#include <gtest/gtest.h>

#include "common/snapshot_files.hpp"
#include "common/test_files.hpp"
#include "support/number_format.hpp"

namespace {

using bq::engine::build_check_rows;
using bq::engine::CheckRow;
using bq::engine::classify_cpu;
using bq::engine::CpuAssessment;
using bq::engine::CpuOutcome;
using bq::engine::RawHardwareSnapshot;
using bq::engine::tpm_version;
using bq::test::snapshot_from;

constexpr std::uint32_t U32_MAX = std::numeric_limits<std::uint32_t>::max();

// Every row of this machine passes and adds no next step.
RawHardwareSnapshot ready() { return snapshot_from("snapshot-ready.json"); }

const CpuAssessment CPU_PASS{CpuOutcome::pass, "Bộ xử lý được hỗ trợ."};
const CpuAssessment CPU_FAIL{CpuOutcome::fail, "Bộ xử lý không được hỗ trợ."};
const CpuAssessment CPU_WARN{CpuOutcome::warn, "Bộ xử lý cần xác minh."};

struct Expected {
  std::string detected;
  std::string status;
  std::string statusLabel;
  std::string detail;
  std::string nextStep = {};  // empty: the row adds none
};

struct RowCase {
  std::string what;
  std::function<void(RawHardwareSnapshot&)> change;
  Expected expected;
  CpuAssessment cpu = CPU_PASS;
};

// Builds the rows of the ready machine with one change and compares the row at
// `index`; only that row may add a next step.
void check_row(std::size_t index, const std::vector<RowCase>& cases) {
  for (const RowCase& c : cases) {
    SCOPED_TRACE(c.what);
    RawHardwareSnapshot snapshot = ready();
    c.change(snapshot);
    std::vector<std::string> steps;
    const std::vector<CheckRow> rows = build_check_rows(snapshot, c.cpu, steps);
    ASSERT_EQ(rows.size(), 7u);
    const CheckRow& row = rows[index];
    EXPECT_EQ(row.detected, c.expected.detected);
    EXPECT_EQ(row.status, c.expected.status);
    EXPECT_EQ(row.statusLabel, c.expected.statusLabel);
    EXPECT_EQ(row.detail, c.expected.detail);
    const std::vector<std::string> expected_steps =
        c.expected.nextStep.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.expected.nextStep};
    EXPECT_EQ(steps, expected_steps);
  }
}

TEST(CheckRows, SevenRowsWithTheirFixedTextsInOrder) {
  const std::vector<std::vector<std::string>> fixed = {
      {"cpu", "Bộ vi xử lý (CPU)", "≥ 2 nhân, 1 GHz, 64-bit, thuộc danh sách hỗ trợ Microsoft"},
      {"tpm", "Chip bảo mật TPM 2.0", "Trusted Platform Module (TPM) phiên bản 2.0"},
      {"secure_boot", "UEFI & Secure Boot", "Firmware UEFI, hỗ trợ Secure Boot"},
      {"ram", "Bộ nhớ RAM", "Tối thiểu 4 GB (khuyên dùng ≥ 8 GB)"},
      {"storage", "Ổ cứng & Phân vùng", "Ổ đĩa ≥ 64 GB · Chuẩn GPT · Trống ≥ 20 GB"},
      {"gpu_display", "Đồ họa & Màn hình", "DirectX 12 / WDDM 2.0 · Màn hình ≥ 720p (1280×720)"},
      {"os_arch", "Kiến trúc Hệ điều hành", "Hệ điều hành 64-bit (x64 hoặc ARM64)"},
  };
  for (const RawHardwareSnapshot& snapshot : {ready(), RawHardwareSnapshot{}}) {
    std::vector<std::string> steps;
    const std::vector<CheckRow> rows = build_check_rows(snapshot, CPU_WARN, steps);
    ASSERT_EQ(rows.size(), fixed.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
      EXPECT_EQ((std::vector<std::string>{rows[i].id, rows[i].label, rows[i].requirement}), fixed[i]);
    }
  }
}

TEST(CheckRows, Cpu) {
  const std::string pass_detected = "Intel(R) Core(TM) i7-8650U CPU @ 1.90GHz (4 nhân / 8 luồng · 2.11 GHz)";
  const auto basic = [](std::uint32_t cores, std::uint32_t mhz, std::uint32_t width) {
    return [=](RawHardwareSnapshot& s) {
      s.cpuCores = cores;
      s.cpuThreads = cores;
      s.cpuMaxMhz = mhz;
      s.cpuAddressWidth = width;
    };
  };
  const auto named = [](std::string name, std::uint32_t cores, std::uint32_t threads, std::uint32_t mhz) {
    return [=](RawHardwareSnapshot& s) {
      s.cpuName = name;
      s.cpuCores = cores;
      s.cpuThreads = threads;
      s.cpuMaxMhz = mhz;
    };
  };
  const std::string empty_text = classify_cpu("").text;
  check_row(
      0,
      {
          {"classified pass", [](RawHardwareSnapshot&) {}, {pass_detected, "pass", "Đạt chuẩn", CPU_PASS.text}},
          {"classified fail",
           [](RawHardwareSnapshot&) {},
           {pass_detected, "fail", "Chưa hỗ trợ", CPU_FAIL.text},
           CPU_FAIL},
          {"classified warn",
           [](RawHardwareSnapshot&) {},
           {pass_detected, "warn", "Cần xác minh", CPU_WARN.text},
           CPU_WARN},
          {"999 MHz prints 1.00 and fails",
           basic(2, 999, 64),
           {"Intel(R) Core(TM) i7-8650U CPU @ 1.90GHz (2 nhân / 2 luồng · 1.00 GHz)", "fail", "Không đạt",
            "Yêu cầu tối thiểu 2 nhân, 1 GHz, 64-bit. Máy hiện có 2 nhân, 1.00 GHz, 64-bit."}},
          {"1000 MHz passes the basic test",
           basic(2, 1000, 64),
           {"Intel(R) Core(TM) i7-8650U CPU @ 1.90GHz (2 nhân / 2 luồng · 1.00 GHz)", "pass", "Đạt chuẩn",
            CPU_PASS.text}},
          {"one core fails though the model is supported",
           basic(1, 3000, 64),
           {"Intel(R) Core(TM) i7-8650U CPU @ 1.90GHz (1 nhân / 1 luồng · 3.00 GHz)", "fail", "Không đạt",
            "Yêu cầu tối thiểu 2 nhân, 1 GHz, 64-bit. Máy hiện có 1 nhân, 3.00 GHz, 64-bit."}},
          {"63-bit address width",
           basic(2, 1000, 63),
           {"Intel(R) Core(TM) i7-8650U CPU @ 1.90GHz (2 nhân / 2 luồng · 1.00 GHz)", "fail", "Không đạt",
            "Yêu cầu tối thiểu 2 nhân, 1 GHz, 64-bit. Máy hiện có 2 nhân, 1.00 GHz, 63-bit."},
           CPU_WARN},
          {"unread processor with width 64",
           basic(0, 0, 64),
           {"Intel(R) Core(TM) i7-8650U CPU @ 1.90GHz (0 nhân / 0 luồng · 0.00 GHz)", "fail", "Không đạt",
            "Yêu cầu tối thiểu 2 nhân, 1 GHz, 64-bit. Máy hiện có 0 nhân, 0.00 GHz, 64-bit."}},
          {"3701 MHz prints 3.70",
           named("AMD Ryzen 5 5600X 6-Core Processor", 6, 12, 3701),
           {"AMD Ryzen 5 5600X 6-Core Processor (6 nhân / 12 luồng · 3.70 GHz)", "pass", "Đạt chuẩn", CPU_PASS.text}},
          {"2.125 GHz is a tie and goes to even",
           named("X", 2, 4, 2125),
           {"X (2 nhân / 4 luồng · 2.12 GHz)", "pass", "Đạt chuẩn", CPU_PASS.text}},
          {"2.375 GHz is a tie and goes to even",
           named("X", 2, 4, 2375),
           {"X (2 nhân / 4 luồng · 2.38 GHz)", "pass", "Đạt chuẩn", CPU_PASS.text}},
          {"the largest clock",
           named("X", U32_MAX, U32_MAX, U32_MAX),
           {"X (4294967295 nhân / 4294967295 luồng · 4294967.29 GHz)", "pass", "Đạt chuẩn", CPU_PASS.text}},
          {"an empty name with the classifier's warn",
           named("", 4, 8, 2112),
           {"Không xác định", "warn", "Cần xác minh", empty_text},
           classify_cpu("")},
          {"a blank name is not empty",
           named(" ", 4, 8, 2112),
           {"  (4 nhân / 8 luồng · 2.11 GHz)", "warn", "Cần xác minh", empty_text},
           classify_cpu(" ")},
      });
}

TEST(CheckRows, Tpm) {
  const auto tpm = [](bool present, bool ready, bool enabled, std::string version) {
    return [=](RawHardwareSnapshot& s) {
      s.tpmPresent = present;
      s.tpmReady = ready;
      s.tpmEnabled = enabled;
      s.tpmSpecVersion = version;
    };
  };
  const Expected on{"TPM 2.0 (Đang bật & Sẵn sàng)", "pass", "Đạt chuẩn",
                    "Chip bảo mật TPM 2.0 đã kích hoạt sẵn sàng cho Windows 11 Pro & BitLocker."};
  const Expected off{"TPM 2.0 (Đang tắt)", "warn", "Cần bật trong BIOS",
                     "Máy đã có sẵn phần cứng TPM 2.0 nhưng đang tắt trong BIOS. Chỉ cần bật lên là đạt chuẩn.",
                     "Vào BIOS/UEFI bật Intel PTT (máy Intel) hoặc AMD fTPM (máy AMD) để kích hoạt TPM 2.0."};
  const Expected old{"TPM 1.2", "fail", "Không đạt (TPM 1.2)",
                     "Windows 11 yêu cầu bắt buộc TPM 2.0. Máy hiện chỉ ghi nhận TPM 1.2."};
  const Expected firmware{
      "Chưa phát hiện TPM (có thể đang tắt trong BIOS)", "warn", "Chưa bật trong BIOS",
      "CPU đời mới của bạn tích hợp sẵn TPM 2.0 (Intel PTT / AMD fTPM) nhưng đang tắt trong BIOS. Bật lên trong 1 "
      "phút là đạt.",
      "CPU máy bạn có tích hợp sẵn fTPM/PTT — hãy vào BIOS bật 'Intel Platform Trust Technology (PTT)' hoặc 'AMD "
      "fTPM'."};
  const Expected none{"Không có TPM 2.0", "fail", "Không tìm thấy",
                      "Hệ thống không ghi nhận chip TPM 2.0 (hoặc đã bị vô hiệu hóa hoàn toàn trên mainboard đời cũ)."};
  Expected odd_version = on;
  odd_version.detected = "TPM 2.0garbage (Đang bật & Sẵn sàng)";
  check_row(1, {
                   {"ready and enabled", tpm(true, true, true, "2.0, 0, 1.38"), on},
                   {"ready only", tpm(true, true, false, "2.0, 0, 1.38"), on},
                   {"enabled only", tpm(true, false, true, "2.0, 0, 1.38"), on},
                   {"version trimmed before the comma", tpm(true, true, true, " 2.0 ,x"), on},
                   {"version trimmed of a no-break space", tpm(true, true, true, "\u00a02.0\u3000"), on},
                   {"starts with 2.", tpm(true, true, true, "2.0garbage"), odd_version},
                   {"neither ready nor enabled", tpm(true, false, false, "2.0, 0, 1.38"), off},
                   {"1.2 enabled and ready", tpm(true, true, true, "1.2, 2, 3"), old},
                   {"1.2 off", tpm(true, false, false, "1.2"), old},
                   {"absent although 2.0 and ready, pass processor", tpm(false, true, true, "2.0"), firmware},
                   {"absent, fail processor", tpm(false, true, true, "2.0"), none, CPU_FAIL},
                   {"absent, warn processor", tpm(false, true, true, "2.0"), none, CPU_WARN},
                   {"present with an empty version, pass processor", tpm(true, true, true, ""), firmware},
                   {"present with an empty version, warn processor", tpm(true, true, true, ""), none, CPU_WARN},
                   {"version 2 without a dot", tpm(true, true, true, "2"), firmware},
                   {"version 3.0", tpm(true, true, true, "3.0"), none, CPU_FAIL},
                   {"version 3.1 is not TPM 1.2", tpm(true, true, true, "3.1"), none, CPU_FAIL},
                   {"version v1.2 is not TPM 1.2", tpm(true, true, true, "v1.2"), firmware},
                   {"version after the comma does not count", tpm(true, true, true, ",2.0"), none, CPU_FAIL},
               });
}

TEST(CheckRows, TpmAsksTheClassifierNotTheCpuRow) {
  RawHardwareSnapshot snapshot = ready();
  snapshot.cpuCores = 1;
  snapshot.tpmPresent = false;
  std::vector<std::string> steps;
  const std::vector<CheckRow> rows = build_check_rows(snapshot, CPU_PASS, steps);
  EXPECT_EQ(rows[0].status, "fail");
  EXPECT_EQ(rows[1].status, "warn");
  EXPECT_EQ(rows[1].statusLabel, "Chưa bật trong BIOS");
}

TEST(CheckRows, SecureBoot) {
  const auto boot = [](std::string firmware, std::string state) {
    return [=](RawHardwareSnapshot& s) {
      s.firmwareType = firmware;
      s.secureBoot = state;
    };
  };
  const Expected on{"UEFI · Secure Boot đang bật", "pass", "Đạt chuẩn",
                    "Hệ thống khởi động chuẩn UEFI với Secure Boot đã bật đúng yêu cầu Microsoft."};
  const Expected off{"UEFI · Secure Boot đang tắt", "warn", "Cần bật Secure Boot",
                     "Máy đã hỗ trợ chuẩn UEFI, chỉ cần vào BIOS bật mục Secure Boot lên là đạt 100%.",
                     "Vào BIOS > tab Boot/Security > chuyển 'Secure Boot' sang Enabled."};
  const Expected legacy{"Legacy BIOS · Không hỗ trợ Secure Boot", "warn", "Đang ở Legacy BIOS",
                        "Windows 11 yêu cầu chuẩn khởi động UEFI có Secure Boot. Đa số máy vẫn chuyển sang UEFI/GPT "
                        "được mà không mất dữ liệu.",
                        "Chuyển chuẩn ổ đĩa từ MBR sang GPT (bằng lệnh mbr2gpt) rồi đổi BIOS từ Legacy sang UEFI + bật "
                        "Secure Boot."};
  const auto unknown = [](std::string detected) {
    return Expected{detected, "warn", "Cần kiểm tra BIOS",
                    "Chưa đọc được trạng thái Secure Boot. Hãy kiểm tra trong msinfo32 hoặc BIOS."};
  };
  check_row(2,
            {
                {"UEFI Enabled", boot("UEFI", "Enabled"), on},
                {"case is ignored", boot("uEfI", "ENABLED"), on},
                {"Uefi DISABLED", boot("Uefi", "DISABLED"), off},
                {"UEFI Unsupported", boot("UEFI", "Unsupported"), unknown("UEFI · Secure Boot: Unsupported")},
                {"Legacy Unsupported", boot("Legacy", "Unsupported"), legacy},
                {"LEGACY Enabled", boot("LEGACY", "Enabled"), legacy},
                {"Unknown Unknown", boot("Unknown", "Unknown"), unknown("Unknown · Secure Boot: Unknown")},
                {"a leading blank is not UEFI", boot(" UEFI", "Enabled"), unknown(" UEFI · Secure Boot: Enabled")},
                {"a trailing blank is not enabled", boot("UEFI", "Enabled "), unknown("UEFI · Secure Boot: Enabled ")},
                {"a non-ASCII capital is not folded", boot("UEF\u0130", "Enabled"),
                 unknown("UEF\u0130 · Secure Boot: Enabled")},
                {"empty texts", boot("", ""), unknown(" · Secure Boot: ")},
            });
}

TEST(CheckRows, Ram) {
  const auto ram = [](double gb) { return [=](RawHardwareSnapshot& s) { s.ramGb = gb; }; };
  const auto good = [](std::string detected) {
    return Expected{detected, "pass", "Đạt chuẩn (Tốt)",
                    "Dung lượng RAM từ 8 GB trở lên giúp Windows 11 Pro và Office chạy mượt mà."};
  };
  const auto minimum = [](std::string detected) {
    return Expected{detected, "pass", "Đạt tối thiểu",
                    "Đạt mức tối thiểu 4 GB của Microsoft (khuyên nâng cấp lên 8 GB để dùng văn phòng mượt hơn)."};
  };
  const auto low = [](std::string gb) {
    return Expected{gb + " GB", "fail", "Không đạt",
                    "Máy hiện chỉ có " + gb + " GB RAM, thấp hơn mức bắt buộc 4 GB của Windows 11.",
                    "Nâng cấp RAM lên tối thiểu 4 GB (khuyên dùng 8 GB) trước khi cài Windows 11 Pro."};
  };
  check_row(3, {
                   {"16", ram(16.0), good("16.0 GB")},
                   {"8.0", ram(8.0), good("8.0 GB")},
                   {"7.95 prints 8.0 below the good tier", ram(7.95), minimum("8.0 GB")},
                   {"7.9", ram(7.9), minimum("7.9 GB")},
                   {"3.8", ram(3.8), minimum("3.8 GB")},
                   {"3.75 prints 3.8 while failing", ram(3.75), low("3.8")},
                   {"3.7", ram(3.7), low("3.7")},
                   {"0", ram(0.0), low("0.0")},
                   {"negative", ram(-1.0), low("-1.0")},
                   {"the smallest double", ram(5e-324), low("0.0")},
               });
}

TEST(CheckRows, Storage) {
  const auto disk = [](double total, double free, std::string style) {
    return [=](RawHardwareSnapshot& s) {
      s.diskTotalGb = total;
      s.diskFreeGb = free;
      s.partitionStyle = style;
    };
  };
  const auto pass = [](std::string detected, std::string total, std::string free, std::string style) {
    return Expected{
        detected, "pass", "Đạt chuẩn",
        "Ổ đĩa hệ thống đạt chuẩn dung lượng (" + total + " GB, trống " + free + " GB) và phân vùng " + style + "."};
  };
  check_row(
      4,
      {
          {"63.5 prints 64 while failing",
           disk(63.5, 10.0, "GPT"),
           {"64 GB (Trống 10 GB) · GPT", "fail", "Không đạt",
            "Ổ đĩa hệ thống chỉ có 63.5 GB, thấp hơn yêu cầu tối thiểu 64 GB.",
            "Nâng cấp ổ cứng SSD tối thiểu 128 GB (yêu cầu tối thiểu 64 GB) để cài Windows 11."}},
          {"a small MBR disk fails first",
           disk(50.0, 40.0, "MBR"),
           {"50 GB (Trống 40 GB) · MBR", "fail", "Không đạt",
            "Ổ đĩa hệ thống chỉ có 50.0 GB, thấp hơn yêu cầu tối thiểu 64 GB.",
            "Nâng cấp ổ cứng SSD tối thiểu 128 GB (yêu cầu tối thiểu 64 GB) để cài Windows 11."}},
          {"64.0 is enough", disk(64.0, 30.0, "GPT"), pass("64 GB (Trống 30 GB) · GPT", "64", "30", "GPT")},
          {"64.5 is a tie and prints 64", disk(64.5, 20.5, "GPT"),
           pass("64 GB (Trống 20 GB) · GPT", "64", "20", "GPT")},
          {"MBR with little free space gives only the MBR warning",
           disk(500.0, 5.0, "MBR"),
           {"500 GB (Trống 5 GB) · MBR", "warn", "Cần chuyển GPT",
            "Dung lượng đạt chuẩn (500 GB, còn trống 5 GB), nhưng ổ đĩa đang ở chuẩn MBR — cần chuyển sang GPT để boot "
            "UEFI."}},
          {"mbr in lower case",
           disk(128.0, 100.0, "mbr"),
           {"128 GB (Trống 100 GB) · mbr", "warn", "Cần chuyển GPT",
            "Dung lượng đạt chuẩn (128 GB, còn trống 100 GB), nhưng ổ đĩa đang ở chuẩn MBR — cần chuyển sang GPT để "
            "boot UEFI."}},
          {"19.5 free",
           disk(256.0, 19.5, "GPT"),
           {"256 GB (Trống 20 GB) · GPT", "warn", "Ổ C: sắp đầy",
            "Tổng dung lượng đạt chuẩn (256 GB · GPT), nhưng ổ C: chỉ còn trống 19.5 GB — nên dọn trống tối thiểu 20 "
            "GB "
            "để nâng cấp.",
            "Giải phóng thêm dung lượng ổ C: (tối thiểu trống 20–25 GB) trước khi chạy bộ nâng cấp Windows 11."}},
          {"19.96 free prints 20.0 while warning",
           disk(256.0, 19.96, "gpt"),
           {"256 GB (Trống 20 GB) · gpt", "warn", "Ổ C: sắp đầy",
            "Tổng dung lượng đạt chuẩn (256 GB · GPT), nhưng ổ C: chỉ còn trống 20.0 GB — nên dọn trống tối thiểu 20 "
            "GB "
            "để nâng cấp.",
            "Giải phóng thêm dung lượng ổ C: (tối thiểu trống 20–25 GB) trước khi chạy bộ nâng cấp Windows 11."}},
          {"a trailing blank is not MBR",
           disk(256.0, 10.0, "MBR "),
           {"256 GB (Trống 10 GB) · MBR ", "warn", "Ổ C: sắp đầy",
            "Tổng dung lượng đạt chuẩn (256 GB · MBR ), nhưng ổ C: chỉ còn trống 10.0 GB — nên dọn trống tối thiểu 20 "
            "GB để nâng cấp.",
            "Giải phóng thêm dung lượng ổ C: (tối thiểu trống 20–25 GB) trước khi chạy bộ nâng cấp Windows 11."}},
          {"20.0 free", disk(256.0, 20.0, "GPT"), pass("256 GB (Trống 20 GB) · GPT", "256", "20", "GPT")},
          {"gpt shows as GPT only in the detail", disk(476.9, 201.3, "gpt"),
           pass("477 GB (Trống 201 GB) · gpt", "477", "201", "GPT")},
          {"Unknown style", disk(128.0, 100.0, "Unknown"),
           pass("128 GB (Trống 100 GB) · Unknown", "128", "100", "Unknown")},
          {"empty style", disk(128.0, 100.0, ""), pass("128 GB (Trống 100 GB) · ", "128", "100", "")},
      });
}

TEST(CheckRows, GpuDisplay) {
  const auto gpu = [](std::string name, std::string wddm, std::uint32_t width, std::uint32_t height) {
    return [=](RawHardwareSnapshot& s) {
      s.gpuName = name;
      s.wddmVersion = wddm;
      s.screenWidth = width;
      s.screenHeight = height;
    };
  };
  const std::string uhd = "Intel(R) UHD Graphics 620";
  const auto pass = [](std::string detected, std::string detail) {
    return Expected{detected, "pass", "Đạt chuẩn", detail};
  };
  const auto low = [](std::string detected, std::string size) {
    return Expected{detected, "warn", "Độ phân giải thấp",
                    "Màn hình đang đặt " + size + " (yêu cầu tối thiểu HD 1280x720)."};
  };
  check_row(
      5,
      {
          {"WDDM 1.x at full HD",
           gpu(uhd, "WDDM 1.x (Đời cũ)", 1920, 1080),
           {uhd + " · 1920×1080", "fail", "Driver đời cũ",
            "Card đồ họa Intel(R) UHD Graphics 620 đang chạy WDDM 1.x (Đời cũ), Windows 11 yêu cầu DirectX 12 / WDDM "
            "2.0 trở lên."}},
          {"WDDM 1.x at a low resolution",
           gpu(uhd, "WDDM 1.x", 800, 600),
           {uhd + " · 800×600", "fail", "Driver đời cũ",
            "Card đồ họa Intel(R) UHD Graphics 620 đang chạy WDDM 1.x, Windows 11 yêu cầu DirectX 12 / WDDM 2.0 trở "
            "lên."}},
          {"1.X is not 1.x", gpu(uhd, "WDDM 1.X", 1920, 1080),
           pass(uhd + " · 1920×1080",
                "Đồ họa Intel(R) UHD Graphics 620 (WDDM 1.X) và màn hình 1920x1080 đáp ứng tốt Windows 11.")},
          {"1280 x 720", gpu(uhd, "WDDM 2.x (DirectX 12)", 1280, 720),
           pass(uhd + " · 1280×720",
                "Đồ họa Intel(R) UHD Graphics 620 (WDDM 2.x (DirectX 12)) và màn hình 1280x720 đáp ứng tốt Windows "
                "11.")},
          {"1280 x 719", gpu(uhd, "WDDM 2.x (DirectX 12)", 1280, 719), low(uhd + " · 1280×719", "1280x719")},
          {"1279 x 720", gpu(uhd, "WDDM 2.x (DirectX 12)", 1279, 720), low(uhd + " · 1279×720", "1279x720")},
          {"1024 x 768", gpu(uhd, "WDDM 2.x (DirectX 12)", 1024, 768), low(uhd + " · 1024×768", "1024x768")},
          {"width 1920, height 0", gpu(uhd, "WDDM 2.x (DirectX 12)", 1920, 0), low(uhd + " · 1920×0", "1920x0")},
          {"width 0: unknown resolution", gpu(uhd, "WDDM 2.x (DirectX 12)", 0, 0),
           pass(uhd,
                "Đồ họa Intel(R) UHD Graphics 620 (WDDM 2.x (DirectX 12)) và màn hình 0x0 đáp ứng tốt Windows 11.")},
          {"width 0 with a height", gpu(uhd, "WDDM 2.x (DirectX 12)", 0, 600),
           pass(uhd,
                "Đồ họa Intel(R) UHD Graphics 620 (WDDM 2.x (DirectX 12)) và màn hình 0x600 đáp ứng tốt Windows 11.")},
          {"an empty driver model prints DirectX 12", gpu(uhd, "", 1920, 1080),
           pass(uhd + " · 1920×1080",
                "Đồ họa Intel(R) UHD Graphics 620 (DirectX 12) và màn hình 1920x1080 đáp ứng tốt Windows 11.")},
          {"empty name, width 0", gpu("", "", 0, 0),
           pass("", "Đồ họa  (DirectX 12) và màn hình 0x0 đáp ứng tốt Windows 11.")},
          {"the largest screen", gpu("G", "WDDM 3.1", U32_MAX, U32_MAX),
           pass("G · 4294967295×4294967295",
                "Đồ họa G (WDDM 3.1) và màn hình 4294967295x4294967295 đáp ứng tốt Windows 11.")},
      });
}

TEST(CheckRows, OsArch) {
  const auto os = [](std::string caption, std::string arch) {
    return [=](RawHardwareSnapshot& s) {
      s.osCaption = caption;
      s.osArch = arch;
    };
  };
  const std::string win = "Microsoft Windows 11 Pro";
  const auto pass = [](std::string caption, std::string arch) {
    return Expected{caption + " (" + arch + ")", "pass", "Đạt chuẩn",
                    "Đang chạy " + caption + " (" + arch + ") — hỗ trợ nâng cấp trực tiếp lên Windows 11 Pro."};
  };
  const auto warn = [](std::string detected) {
    return Expected{detected, "warn", "Đang ở 32-bit",
                    "Hệ điều hành hiện tại là 32-bit. Nếu CPU hỗ trợ 64-bit, bạn cần cài mới Windows 11 Pro 64-bit từ "
                    "USB.",
                    "Windows 11 chỉ có bản 64-bit — cần sao lưu dữ liệu và cài mới Windows 11 Pro 64-bit thay vì nâng "
                    "cấp đè."};
  };
  check_row(6, {
                   {"64-bit", os(win, "64-bit"), pass(win, "64-bit")},
                   {"ARM 64-bit Processor", os(win, "ARM 64-bit Processor"), pass(win, "ARM 64-bit Processor")},
                   {"x86_64", os("Debian GNU/Linux 12", "x86_64"), pass("Debian GNU/Linux 12", "x86_64")},
                   {"32-bit", os(win, "32-bit"), warn(win + " (32-bit)")},
                   {"6 4-bit", os(win, "6 4-bit"), warn(win + " (6 4-bit)")},
                   {"empty", os("", ""), warn(" ()")},
               });
}

TEST(CheckRows, FiveNextStepsInRowOrder) {
  const RawHardwareSnapshot snapshot = snapshot_from("snapshot-five-steps.json");
  const CpuAssessment cpu = classify_cpu(snapshot.cpuName);
  std::vector<std::string> steps{"earlier step"};
  const std::vector<CheckRow> rows = build_check_rows(snapshot, cpu, steps);
  nlohmann::json checks = nlohmann::json::array();
  for (const CheckRow& row : rows) checks.push_back(bq::engine::check_row_to_json(row));
  const nlohmann::json got{{"checks", checks}, {"nextSteps", steps}};
  EXPECT_EQ(got, nlohmann::json::parse(bq::test::read_data_file("check-rows-five-steps.json"))) << got.dump(2);
}

TEST(CheckRows, TpmVersionIsTheTrimmedTextBeforeTheFirstComma) {
  EXPECT_EQ(tpm_version("2.0, 0, 1.38"), "2.0");
  EXPECT_EQ(tpm_version(" 2.0 ,x"), "2.0");
  EXPECT_EQ(tpm_version("\t\u00a02.0\u3000"), "2.0");
  EXPECT_EQ(tpm_version("1.2"), "1.2");
  EXPECT_EQ(tpm_version(""), "");
  EXPECT_EQ(tpm_version(",2.0"), "");
  EXPECT_EQ(tpm_version("\ufeff2.0"), "\ufeff2.0");
}

// Values no real machine reports still give seven well-formed rows.
TEST(CheckRows, ExtremeSnapshotsGiveSevenRows) {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  std::vector<RawHardwareSnapshot> snapshots;
  snapshots.push_back(RawHardwareSnapshot{});
  for (double gb : {1e308, -1e308, std::numeric_limits<double>::max(), -0.0, 5e-324, inf, -inf, nan}) {
    RawHardwareSnapshot s = ready();
    s.ramGb = s.diskTotalGb = s.diskFreeGb = gb;
    s.cpuCores = s.cpuThreads = s.cpuMaxMhz = s.cpuAddressWidth = s.screenWidth = s.screenHeight = U32_MAX;
    snapshots.push_back(s);
  }
  RawHardwareSnapshot texts = ready();
  const std::string long_text(1 << 20, '\xff');
  texts.cpuName = texts.tpmSpecVersion = texts.firmwareType = texts.secureBoot = texts.partitionStyle = texts.gpuName =
      texts.wddmVersion = texts.osCaption = texts.osArch = long_text;
  snapshots.push_back(texts);

  const std::vector<std::string> ids = {"cpu", "tpm", "secure_boot", "ram", "storage", "gpu_display", "os_arch"};
  for (const RawHardwareSnapshot& s : snapshots) {
    for (const CpuAssessment& cpu : {CPU_PASS, CPU_FAIL, CPU_WARN, classify_cpu(s.cpuName)}) {
      std::vector<std::string> steps;
      const std::vector<CheckRow> rows = build_check_rows(s, cpu, steps);
      ASSERT_EQ(rows.size(), ids.size());
      for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].id, ids[i]);
        EXPECT_TRUE(rows[i].status == "pass" || rows[i].status == "warn" || rows[i].status == "fail") << rows[i].status;
        EXPECT_FALSE(rows[i].statusLabel.empty());
        EXPECT_FALSE(rows[i].detail.empty());
      }
      EXPECT_LE(steps.size(), 5u);
    }
  }

  std::vector<std::string> steps;
  const std::vector<CheckRow> zero = build_check_rows(RawHardwareSnapshot{}, CPU_WARN, steps);
  EXPECT_EQ(zero[0].detail, "Yêu cầu tối thiểu 2 nhân, 1 GHz, 64-bit. Máy hiện có 0 nhân, 0.00 GHz, 0-bit.");
  EXPECT_EQ(zero[3].detected, "0.0 GB");
  EXPECT_EQ(zero[4].detected, "0 GB (Trống 0 GB) · ");

  const std::vector<CheckRow> huge = build_check_rows(snapshots[1], CPU_PASS, steps);
  const std::string e308 = bq::support::format_fixed(1e308, 0);
  ASSERT_EQ(e308.size(), 309u);
  EXPECT_EQ(huge[3].detected, e308 + ".0 GB");
  EXPECT_EQ(huge[3].status, "pass");
  EXPECT_EQ(huge[4].detected, e308 + " GB (Trống " + e308 + " GB) · GPT");
  EXPECT_EQ(huge[4].status, "pass");
  EXPECT_EQ(huge[0].detected,
            "Intel(R) Core(TM) i7-8650U CPU @ 1.90GHz (4294967295 nhân / 4294967295 luồng · 4294967.29 GHz)");
}

// GTK sets the process locale; printf would then write "3,70".
class CheckRowsUnderACommaLocale : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "vi_VN.UTF-8"}) {
      if (std::setlocale(LC_ALL, name) != nullptr) break;
    }
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%.2f", 3.7);
    // scripts/setup-debian.sh generates de_DE.UTF-8 for this test.
    ASSERT_STREQ(buffer, "3,70") << "no locale with a decimal comma is available";
  }
  void TearDown() override { std::setlocale(LC_ALL, "C"); }
};

TEST_F(CheckRowsUnderACommaLocale, NumbersKeepTheirPoint) {
  EXPECT_EQ(bq::support::format_fixed(3.701, 2), "3.70");
  EXPECT_EQ(bq::support::format_fixed(1234567.891, 1), "1234567.9");
  EXPECT_EQ(bq::support::format_fixed(63.5, 0), "64");

  RawHardwareSnapshot snapshot = ready();
  snapshot.cpuName = "AMD Ryzen 5 5600X 6-Core Processor";
  snapshot.cpuCores = 6;
  snapshot.cpuThreads = 12;
  snapshot.cpuMaxMhz = 3701;
  snapshot.ramGb = 3.75;
  snapshot.diskTotalGb = 63.5;
  snapshot.diskFreeGb = 10.0;
  std::vector<std::string> steps;
  const std::vector<CheckRow> rows = build_check_rows(snapshot, CPU_PASS, steps);
  EXPECT_EQ(rows[0].detected, "AMD Ryzen 5 5600X 6-Core Processor (6 nhân / 12 luồng · 3.70 GHz)");
  EXPECT_EQ(rows[3].detail, "Máy hiện chỉ có 3.8 GB RAM, thấp hơn mức bắt buộc 4 GB của Windows 11.");
  EXPECT_EQ(rows[4].detail, "Ổ đĩa hệ thống chỉ có 63.5 GB, thấp hơn yêu cầu tối thiểu 64 GB.");
}

}  // namespace
