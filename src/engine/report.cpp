#include "engine/report.hpp"

#include <charconv>

#include "engine/cpu.hpp"
#include "engine/share.hpp"
#include "support/ascii.hpp"

namespace bq::engine {
namespace {

struct Verdict {
  std::string_view tone;
  std::string_view code;
  std::string_view badge;
  std::string_view headline;
  std::string_view advice;
  std::string_view step;  // empty: none
};

constexpr Verdict NOT_READY_VERDICT = {
    "error",
    "NOT_READY",
    "CHƯA ĐỦ ĐIỀU KIỆN CHÍNH THỨC",
    "Máy tính chưa đáp ứng đủ yêu cầu phần cứng Windows 11 Pro",
    "Có hạng mục phần cứng bắt buộc chưa đạt chuẩn Microsoft (xem các dòng màu đỏ bên dưới). Bạn có thể nâng cấp "
    "linh kiện, tiếp tục dùng Windows 10 bản quyền ổn định hoặc nhắn kỹ thuật Brindle Quay tư vấn phương án phù hợp "
    "nhất.",
    "",
};

constexpr Verdict NEEDS_BIOS_VERDICT = {
    "warning",
    "NEEDS_BIOS",
    "PHẦN CỨNG ĐẠT · CẦN CẤU HÌNH THÊM",
    "Máy đủ phần cứng chạy Windows 11 Pro — chỉ cần chỉnh thêm 1–2 mục",
    "CPU, RAM và ổ cứng của bạn đã đạt chuẩn! Chỉ cần bật TPM 2.0 / Secure Boot trong BIOS (hoặc dọn trống ổ C / "
    "chuyển GPT) theo tab Hướng dẫn bên trên là sẵn sàng cài đặt và kích hoạt Windows 11 Pro chính hãng.",
    "",
};

constexpr Verdict READY_ON_WIN11_VERDICT = {
    "pass",
    "READY",
    "ĐỦ ĐIỀU KIỆN 100% · ĐANG CHẠY WIN 11",
    "Máy tính đạt chuẩn 100% tiêu chuẩn Windows 11 Pro của Microsoft",
    "Toàn bộ 7 hạng mục phần cứng và bảo mật (CPU, TPM 2.0, UEFI/Secure Boot, RAM, Ổ cứng GPT, DirectX 12) đều đạt "
    "chuẩn. Bạn hoàn toàn yên tâm sử dụng hoặc nâng cấp lên Windows 11 Pro bản quyền chính hãng.",
    "Máy đã ở Windows 11 và đạt chuẩn 100% — nếu đang dùng bản Home hoặc chưa kích hoạt, bạn có thể nạp trực tiếp "
    "key Windows 11 Pro chính hãng không mất dữ liệu.",
};

constexpr Verdict READY_VERDICT = {
    "pass",
    "READY",
    "ĐỦ ĐIỀU KIỆN 100%",
    "Chúc mừng! Máy tính của bạn đủ điều kiện cài đặt Windows 11 Pro",
    "Toàn bộ 7 hạng mục phần cứng và bảo mật (CPU, TPM 2.0, UEFI/Secure Boot, RAM, Ổ cứng GPT, DirectX 12) đều đạt "
    "chuẩn chính thức của Microsoft.",
    "Bạn có thể nâng cấp trực tiếp từ Windows 10 lên Windows 11 Pro mà vẫn giữ nguyên dữ liệu, sau đó kích hoạt bản "
    "quyền chính hãng chuẩn VAT tại Brindle Quay.",
};

// One or more ASCII digits, optionally after a single "+", with a value that
// fits in 32 bits.
bool build_at_least(std::string_view osBuild, std::uint32_t minimum) {
  if (osBuild.starts_with('+')) osBuild.remove_prefix(1);
  if (osBuild.empty()) return false;
  for (const char c : osBuild) {
    if (!support::is_ascii_digit(c)) return false;
  }
  std::uint32_t value = 0;
  const auto result = std::from_chars(osBuild.data(), osBuild.data() + osBuild.size(), value);
  return result.ec == std::errc{} && value >= minimum;
}

bool already_on_win11(const RawHardwareSnapshot& snapshot) {
  return support::contains(support::to_lower_ascii(snapshot.osCaption), "windows 11") ||
         build_at_least(snapshot.osBuild, 22000);
}

std::string device_name(const RawHardwareSnapshot& snapshot) {
  if (!snapshot.manufacturer.empty() && !snapshot.model.empty()) return snapshot.manufacturer + " " + snapshot.model;
  if (!snapshot.manufacturer.empty()) return snapshot.manufacturer;
  if (!snapshot.model.empty()) return snapshot.model;
  return "Máy tính Windows";
}

std::uint64_t count_status(const std::vector<CheckRow>& rows, std::string_view status) {
  std::uint64_t n = 0;
  for (const CheckRow& row : rows) n += row.status == status ? 1 : 0;
  return n;
}

}  // namespace

HardwareReport evaluate_snapshot(const RawHardwareSnapshot& snapshot) {
  HardwareReport report;
  const CpuAssessment cpu = classify_cpu(snapshot.cpuName);
  report.checks = build_check_rows(snapshot, cpu, report.nextSteps);
  report.passCount = count_status(report.checks, "pass");
  report.warnCount = count_status(report.checks, "warn");
  report.failCount = count_status(report.checks, "fail");
  report.alreadyOnWin11 = already_on_win11(snapshot);

  const Verdict& verdict = report.failCount > 0    ? NOT_READY_VERDICT
                           : report.warnCount > 0  ? NEEDS_BIOS_VERDICT
                           : report.alreadyOnWin11 ? READY_ON_WIN11_VERDICT
                                                   : READY_VERDICT;
  if (!verdict.step.empty()) report.nextSteps.emplace_back(verdict.step);
  report.verdictTone = verdict.tone;
  report.verdictCode = verdict.code;
  report.verdictBadge = verdict.badge;
  report.verdictHeadline = verdict.headline;
  report.verdictAdvice = verdict.advice;

  report.isWindows = true;
  report.isAdmin = snapshot.isAdmin;
  report.deviceName = device_name(snapshot);
  report.currentOs = snapshot.osCaption;
  report.osBuild = snapshot.osBuild;
  report.shareUrl = build_share_url(report, snapshot);
  report.recommendedProducts = recommended_products(report.verdictCode);
  return report;
}

nlohmann::json report_to_json(const HardwareReport& report) {
  nlohmann::json checks = nlohmann::json::array();
  for (const CheckRow& row : report.checks) checks.push_back(check_row_to_json(row));
  nlohmann::json products = nlohmann::json::array();
  for (const ProductCard& card : report.recommendedProducts) products.push_back(product_card_to_json(card));
  nlohmann::json steps = nlohmann::json::array();
  for (const std::string& step : report.nextSteps) steps.push_back(step);

  nlohmann::json out = nlohmann::json::object();
  out["isWindows"] = report.isWindows;
  out["isAdmin"] = report.isAdmin;
  out["deviceName"] = report.deviceName;
  out["currentOs"] = report.currentOs;
  out["osBuild"] = report.osBuild;
  out["alreadyOnWin11"] = report.alreadyOnWin11;
  out["verdictTone"] = report.verdictTone;
  out["verdictCode"] = report.verdictCode;
  out["verdictBadge"] = report.verdictBadge;
  out["verdictHeadline"] = report.verdictHeadline;
  out["verdictAdvice"] = report.verdictAdvice;
  out["passCount"] = report.passCount;
  out["warnCount"] = report.warnCount;
  out["failCount"] = report.failCount;
  out["checks"] = std::move(checks);
  out["nextSteps"] = std::move(steps);
  out["recommendedProducts"] = std::move(products);
  out["shareUrl"] = report.shareUrl;
  out["rawError"] = report.rawError ? nlohmann::json(*report.rawError) : nlohmann::json(nullptr);
  return out;
}

}  // namespace bq::engine
