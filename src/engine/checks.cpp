#include "engine/checks.hpp"

#include <fmt/format.h>

#include "support/ascii.hpp"
#include "support/number_format.hpp"
#include "support/utf8.hpp"

namespace bq::engine {

namespace {

using support::contains;
using support::equals_ignore_ascii_case;
using support::format_fixed;

// A row with its fixed texts; the caller fills in the rest.
CheckRow row(std::string_view id, std::string_view label, std::string_view requirement) {
  CheckRow r;
  r.id = id;
  r.label = label;
  r.requirement = requirement;
  return r;
}

void decide(CheckRow& r, std::string_view status, std::string_view statusLabel, std::string detail) {
  r.status = status;
  r.statusLabel = statusLabel;
  r.detail = std::move(detail);
}

CheckRow cpu_row(const RawHardwareSnapshot& s, const CpuAssessment& cpu) {
  CheckRow r = row("cpu", "Bộ vi xử lý (CPU)", "≥ 2 nhân, 1 GHz, 64-bit, thuộc danh sách hỗ trợ Microsoft");
  const std::string ghz = format_fixed(s.cpuMaxMhz / 1000.0, 2);
  r.detected = s.cpuName.empty()
                   ? std::string("Không xác định")
                   : fmt::format("{} ({} nhân / {} luồng · {} GHz)", s.cpuName, s.cpuCores, s.cpuThreads, ghz);
  if (s.cpuCores < 2 || s.cpuMaxMhz < 1000 || s.cpuAddressWidth < 64) {
    decide(r, "fail", "Không đạt",
           fmt::format("Yêu cầu tối thiểu 2 nhân, 1 GHz, 64-bit. Máy hiện có {} nhân, {} GHz, {}-bit.", s.cpuCores, ghz,
                       s.cpuAddressWidth));
    return r;
  }
  switch (cpu.outcome) {
    case CpuOutcome::pass: decide(r, "pass", "Đạt chuẩn", cpu.text); break;
    case CpuOutcome::fail: decide(r, "fail", "Chưa hỗ trợ", cpu.text); break;
    case CpuOutcome::warn: decide(r, "warn", "Cần xác minh", cpu.text); break;
  }
  return r;
}

// Consults the classifier's outcome, not the cpu row's status: a processor
// that misses the basic test but is a supported model still has firmware TPM.
CheckRow tpm_row(const RawHardwareSnapshot& s, CpuOutcome cpu, std::vector<std::string>& nextSteps) {
  CheckRow r = row("tpm", "Chip bảo mật TPM 2.0", "Trusted Platform Module (TPM) phiên bản 2.0");
  const std::string version = tpm_version(s.tpmSpecVersion);
  const bool two = s.tpmPresent && version.starts_with("2.");
  if (two && (s.tpmEnabled || s.tpmReady)) {
    r.detected = fmt::format("TPM {} (Đang bật & Sẵn sàng)", version);
    decide(r, "pass", "Đạt chuẩn", "Chip bảo mật TPM 2.0 đã kích hoạt sẵn sàng cho Windows 11 Pro & BitLocker.");
  } else if (two) {
    r.detected = fmt::format("TPM {} (Đang tắt)", version);
    decide(r, "warn", "Cần bật trong BIOS",
           "Máy đã có sẵn phần cứng TPM 2.0 nhưng đang tắt trong BIOS. Chỉ cần bật lên là đạt chuẩn.");
    nextSteps.emplace_back("Vào BIOS/UEFI bật Intel PTT (máy Intel) hoặc AMD fTPM (máy AMD) để kích hoạt TPM 2.0.");
  } else if (s.tpmPresent && version.starts_with("1.")) {
    r.detected = fmt::format("TPM {}", version);
    decide(r, "fail", "Không đạt (TPM 1.2)", "Windows 11 yêu cầu bắt buộc TPM 2.0. Máy hiện chỉ ghi nhận TPM 1.2.");
  } else if (cpu == CpuOutcome::pass) {
    r.detected = "Chưa phát hiện TPM (có thể đang tắt trong BIOS)";
    decide(r, "warn", "Chưa bật trong BIOS",
           "CPU đời mới của bạn tích hợp sẵn TPM 2.0 (Intel PTT / AMD fTPM) nhưng đang tắt trong BIOS. Bật lên "
           "trong 1 phút là đạt.");
    nextSteps.emplace_back(
        "CPU máy bạn có tích hợp sẵn fTPM/PTT — hãy vào BIOS bật 'Intel Platform Trust Technology (PTT)' hoặc "
        "'AMD fTPM'.");
  } else {
    r.detected = "Không có TPM 2.0";
    decide(r, "fail", "Không tìm thấy",
           "Hệ thống không ghi nhận chip TPM 2.0 (hoặc đã bị vô hiệu hóa hoàn toàn trên mainboard đời cũ).");
  }
  return r;
}

CheckRow secure_boot_row(const RawHardwareSnapshot& s, std::vector<std::string>& nextSteps) {
  CheckRow r = row("secure_boot", "UEFI & Secure Boot", "Firmware UEFI, hỗ trợ Secure Boot");
  const bool uefi = equals_ignore_ascii_case(s.firmwareType, "uefi");
  if (uefi && equals_ignore_ascii_case(s.secureBoot, "enabled")) {
    r.detected = "UEFI · Secure Boot đang bật";
    decide(r, "pass", "Đạt chuẩn", "Hệ thống khởi động chuẩn UEFI với Secure Boot đã bật đúng yêu cầu Microsoft.");
  } else if (uefi && equals_ignore_ascii_case(s.secureBoot, "disabled")) {
    r.detected = "UEFI · Secure Boot đang tắt";
    decide(r, "warn", "Cần bật Secure Boot",
           "Máy đã hỗ trợ chuẩn UEFI, chỉ cần vào BIOS bật mục Secure Boot lên là đạt 100%.");
    nextSteps.emplace_back("Vào BIOS > tab Boot/Security > chuyển 'Secure Boot' sang Enabled.");
  } else if (equals_ignore_ascii_case(s.firmwareType, "legacy")) {
    r.detected = "Legacy BIOS · Không hỗ trợ Secure Boot";
    decide(r, "warn", "Đang ở Legacy BIOS",
           "Windows 11 yêu cầu chuẩn khởi động UEFI có Secure Boot. Đa số máy vẫn chuyển sang UEFI/GPT được mà không "
           "mất dữ liệu.");
    nextSteps.emplace_back(
        "Chuyển chuẩn ổ đĩa từ MBR sang GPT (bằng lệnh mbr2gpt) rồi đổi BIOS từ Legacy sang UEFI + bật Secure Boot.");
  } else {
    r.detected = fmt::format("{} · Secure Boot: {}", s.firmwareType, s.secureBoot);
    decide(r, "warn", "Cần kiểm tra BIOS",
           "Chưa đọc được trạng thái Secure Boot. Hãy kiểm tra trong msinfo32 hoặc BIOS.");
  }
  return r;
}

CheckRow ram_row(const RawHardwareSnapshot& s, std::vector<std::string>& nextSteps) {
  CheckRow r = row("ram", "Bộ nhớ RAM", "Tối thiểu 4 GB (khuyên dùng ≥ 8 GB)");
  const std::string gb = format_fixed(s.ramGb, 1);
  r.detected = fmt::format("{} GB", gb);
  if (s.ramGb >= 8.0) {
    decide(r, "pass", "Đạt chuẩn (Tốt)", "Dung lượng RAM từ 8 GB trở lên giúp Windows 11 Pro và Office chạy mượt mà.");
  } else if (s.ramGb >= 3.8) {
    decide(r, "pass", "Đạt tối thiểu",
           "Đạt mức tối thiểu 4 GB của Microsoft (khuyên nâng cấp lên 8 GB để dùng văn phòng mượt hơn).");
  } else {
    decide(r, "fail", "Không đạt",
           fmt::format("Máy hiện chỉ có {} GB RAM, thấp hơn mức bắt buộc 4 GB của Windows 11.", gb));
    nextSteps.emplace_back("Nâng cấp RAM lên tối thiểu 4 GB (khuyên dùng 8 GB) trước khi cài Windows 11 Pro.");
  }
  return r;
}

CheckRow storage_row(const RawHardwareSnapshot& s, std::vector<std::string>& nextSteps) {
  CheckRow r = row("storage", "Ổ cứng & Phân vùng", "Ổ đĩa ≥ 64 GB · Chuẩn GPT · Trống ≥ 20 GB");
  const std::string total = format_fixed(s.diskTotalGb, 0);
  const std::string free = format_fixed(s.diskFreeGb, 0);
  const std::string_view style =
      equals_ignore_ascii_case(s.partitionStyle, "gpt") ? std::string_view("GPT") : s.partitionStyle;
  r.detected = fmt::format("{} GB (Trống {} GB) · {}", total, free, s.partitionStyle);
  if (s.diskTotalGb < 64.0) {
    decide(
        r, "fail", "Không đạt",
        fmt::format("Ổ đĩa hệ thống chỉ có {} GB, thấp hơn yêu cầu tối thiểu 64 GB.", format_fixed(s.diskTotalGb, 1)));
    nextSteps.emplace_back("Nâng cấp ổ cứng SSD tối thiểu 128 GB (yêu cầu tối thiểu 64 GB) để cài Windows 11.");
  } else if (equals_ignore_ascii_case(s.partitionStyle, "mbr")) {
    decide(r, "warn", "Cần chuyển GPT",
           fmt::format("Dung lượng đạt chuẩn ({} GB, còn trống {} GB), nhưng ổ đĩa đang ở chuẩn MBR — cần chuyển sang "
                       "GPT để boot UEFI.",
                       total, free));
  } else if (s.diskFreeGb < 20.0) {
    decide(r, "warn", "Ổ C: sắp đầy",
           fmt::format("Tổng dung lượng đạt chuẩn ({} GB · {}), nhưng ổ C: chỉ còn trống {} GB — nên dọn trống tối "
                       "thiểu 20 GB để nâng cấp.",
                       total, style, format_fixed(s.diskFreeGb, 1)));
    nextSteps.emplace_back(
        "Giải phóng thêm dung lượng ổ C: (tối thiểu trống 20–25 GB) trước khi chạy bộ nâng cấp Windows 11.");
  } else {
    decide(
        r, "pass", "Đạt chuẩn",
        fmt::format("Ổ đĩa hệ thống đạt chuẩn dung lượng ({} GB, trống {} GB) và phân vùng {}.", total, free, style));
  }
  return r;
}

CheckRow gpu_display_row(const RawHardwareSnapshot& s) {
  CheckRow r = row("gpu_display", "Đồ họa & Màn hình", "DirectX 12 / WDDM 2.0 · Màn hình ≥ 720p (1280×720)");
  // A width of 0 means the resolution is unknown: never a warning.
  r.detected = s.screenWidth != 0 ? fmt::format("{} · {}×{}", s.gpuName, s.screenWidth, s.screenHeight) : s.gpuName;
  if (contains(s.wddmVersion, "1.x")) {
    decide(r, "fail", "Driver đời cũ",
           fmt::format("Card đồ họa {} đang chạy {}, Windows 11 yêu cầu DirectX 12 / WDDM 2.0 trở lên.", s.gpuName,
                       s.wddmVersion));
  } else if (s.screenWidth != 0 && (s.screenWidth < 1280 || s.screenHeight < 720)) {
    decide(r, "warn", "Độ phân giải thấp",
           fmt::format("Màn hình đang đặt {}x{} (yêu cầu tối thiểu HD 1280x720).", s.screenWidth, s.screenHeight));
  } else {
    const std::string_view driver = s.wddmVersion.empty() ? std::string_view("DirectX 12") : s.wddmVersion;
    decide(r, "pass", "Đạt chuẩn",
           fmt::format("Đồ họa {} ({}) và màn hình {}x{} đáp ứng tốt Windows 11.", s.gpuName, driver, s.screenWidth,
                       s.screenHeight));
  }
  return r;
}

CheckRow os_arch_row(const RawHardwareSnapshot& s, std::vector<std::string>& nextSteps) {
  CheckRow r = row("os_arch", "Kiến trúc Hệ điều hành", "Hệ điều hành 64-bit (x64 hoặc ARM64)");
  r.detected = fmt::format("{} ({})", s.osCaption, s.osArch);
  if (contains(s.osArch, "64")) {
    decide(r, "pass", "Đạt chuẩn",
           fmt::format("Đang chạy {} ({}) — hỗ trợ nâng cấp trực tiếp lên Windows 11 Pro.", s.osCaption, s.osArch));
  } else {
    decide(r, "warn", "Đang ở 32-bit",
           "Hệ điều hành hiện tại là 32-bit. Nếu CPU hỗ trợ 64-bit, bạn cần cài mới Windows 11 Pro 64-bit từ USB.");
    nextSteps.emplace_back(
        "Windows 11 chỉ có bản 64-bit — cần sao lưu dữ liệu và cài mới Windows 11 Pro 64-bit thay vì nâng cấp đè.");
  }
  return r;
}

}  // namespace

std::string tpm_version(std::string_view tpmSpecVersion) {
  return std::string(support::trim_white_space(tpmSpecVersion.substr(0, tpmSpecVersion.find(','))));
}

std::vector<CheckRow> build_check_rows(const RawHardwareSnapshot& snapshot, const CpuAssessment& cpu,
                                       std::vector<std::string>& nextSteps) {
  std::vector<CheckRow> rows;
  rows.reserve(7);
  rows.push_back(cpu_row(snapshot, cpu));
  rows.push_back(tpm_row(snapshot, cpu.outcome, nextSteps));
  rows.push_back(secure_boot_row(snapshot, nextSteps));
  rows.push_back(ram_row(snapshot, nextSteps));
  rows.push_back(storage_row(snapshot, nextSteps));
  rows.push_back(gpu_display_row(snapshot));
  rows.push_back(os_arch_row(snapshot, nextSteps));
  return rows;
}

nlohmann::json check_row_to_json(const CheckRow& row) {
  return nlohmann::json{{"id", row.id},
                        {"label", row.label},
                        {"requirement", row.requirement},
                        {"detected", row.detected},
                        {"status", row.status},
                        {"statusLabel", row.statusLabel},
                        {"detail", row.detail}};
}

}  // namespace bq::engine
