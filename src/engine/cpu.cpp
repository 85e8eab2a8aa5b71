#include "engine/cpu.hpp"

#include <initializer_list>
#include <limits>

#include <fmt/format.h>

#include "support/ascii.hpp"
#include "support/utf8.hpp"

namespace bq::engine {

namespace {

using support::contains;
using support::is_ascii_digit;

bool contains_any(std::string_view name, std::initializer_list<std::string_view> needles) {
  for (std::string_view needle : needles) {
    if (contains(name, needle)) return true;
  }
  return false;
}

constexpr bool is_ascii_alnum(char c) { return is_ascii_digit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// The value of a run of ASCII digits; none when it does not fit 32 bits. The
// run may be arbitrarily long, so the check happens digit by digit.
std::optional<std::uint32_t> parse_u32(std::string_view digits) {
  std::uint64_t value = 0;
  for (char c : digits) {
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
    if (value > std::numeric_limits<std::uint32_t>::max()) return std::nullopt;
  }
  return static_cast<std::uint32_t>(value);
}

CpuAssessment pass(std::string text) { return {CpuOutcome::pass, std::move(text)}; }
CpuAssessment fail(std::string text) { return {CpuOutcome::fail, std::move(text)}; }

// Core i3/i5/i7/i9 by model number. Always decides once a token has a number.
std::optional<CpuAssessment> intel_core_i(std::string_view name) {
  std::optional<std::uint32_t> found;
  for (std::string_view token : {"i9-", "i7-", "i5-", "i3-", "i9 ", "i7 ", "i5 ", "i3 "}) {
    found = number_after(name, token);
    if (found) break;
  }
  if (!found) return std::nullopt;
  const std::uint32_t n = *found;
  if (n >= 8000) {
    return pass(fmt::format("CPU Intel Core thế hệ {} — đạt chuẩn chính thức của Microsoft cho Windows 11.", n / 1000));
  }
  if (n >= 1000 && n <= 1499) {
    return pass(fmt::format(
        "CPU Intel Core thế hệ {} (dòng Mobile) — đạt chuẩn chính thức của Microsoft cho Windows 11.", n / 100));
  }
  if (n == 7820 && contains(name, "hq")) {
    return pass("CPU Intel Core i7-7820HQ (ngoại lệ hỗ trợ chính thức từ Microsoft).");
  }
  const std::string generation = n <= 1999 ? std::string("thế hệ cũ") : fmt::format("thế hệ {}", n / 1000);
  return fail(fmt::format(
      "CPU Intel Core {} không nằm trong danh sách hỗ trợ chính thức Windows 11 (Microsoft yêu cầu từ Intel "
      "Core thế hệ 8 trở lên).",
      generation));
}

std::optional<CpuAssessment> intel_n(std::string_view name) {
  const auto n = number_after(name, " n");
  if (!n) return std::nullopt;
  if ((*n >= 95 && *n <= 350) || (*n >= 4000 && *n <= 6999)) {
    return pass(fmt::format("CPU Intel N{} — nằm trong danh sách hỗ trợ chính thức Windows 11.", *n));
  }
  if (*n >= 2000 && *n <= 3999) {
    return fail(fmt::format("CPU Intel N{} đời cũ không được hỗ trợ chính thức Windows 11.", *n));
  }
  return std::nullopt;
}

std::optional<CpuAssessment> pentium_celeron(std::string_view name) {
  if (!contains(name, "pentium") && !contains(name, "celeron")) return std::nullopt;
  // The first "g" anywhere counts, also the one of "gold" or "ghz".
  const auto g = number_after(name, "g");
  if (g && *g >= 4900) {
    return pass(fmt::format("CPU Intel Pentium/Celeron G{} — hỗ trợ chính thức Windows 11.", *g));
  }
  if (g && *g >= 1000) {
    return fail(fmt::format("CPU Intel Pentium/Celeron G{} đời cũ không hỗ trợ chính thức Windows 11.", *g));
  }
  if (const auto j = number_after(name, "j")) {
    if (*j >= 4000) return pass(fmt::format("CPU Intel J{} — hỗ trợ chính thức Windows 11.", *j));
    return fail(fmt::format("CPU Intel J{} đời cũ không hỗ trợ chính thức Windows 11.", *j));
  }
  if (contains_any(name, {"5405u", "6405u", "7505", "8505", "4205u", "5205u", "6305", "7305"})) {
    return pass("CPU Intel Pentium/Celeron đời mới — hỗ trợ chính thức Windows 11.");
  }
  return std::nullopt;
}

std::optional<CpuAssessment> xeon(std::string_view name) {
  if (!contains(name, "xeon")) return std::nullopt;
  if (contains_any(name, {"w-21", "w-22", "w-3", "w-10", "w-11", "w-12", "w-13", "w3-", "w5-", "w7-", "w9-", "e-21",
                          "e-22", "e-23", "e-24", "gold ", "silver ", "platinum ", "bronze "})) {
    return pass("CPU Intel Xeon dòng Workstation/Scalable — hỗ trợ chính thức Windows 11.");
  }
  if (contains_any(name, {"e3-12", "e5-26", "e5-16", "x5"})) {
    return fail("CPU Intel Xeon E3/E5 đời cũ không nằm trong danh sách hỗ trợ chính thức Windows 11.");
  }
  return std::nullopt;
}

std::optional<CpuAssessment> threadripper(std::string_view name) {
  if (!contains(name, "threadripper")) return std::nullopt;
  auto n = number_after(name, "threadripper");
  if (!n) n = number_after(name, "pro ");
  if (!n) return std::nullopt;
  if (*n <= 2899) {
    return fail(fmt::format(
        "CPU AMD Ryzen Threadripper {} (thế hệ 1) không nằm trong danh sách hỗ trợ chính thức Windows 11.", *n));
  }
  return pass(fmt::format("CPU AMD Ryzen Threadripper {} — hỗ trợ chính thức Windows 11.", *n));
}

std::optional<CpuAssessment> ryzen(std::string_view name) {
  if (!contains(name, "ryzen")) return std::nullopt;
  const auto model = ryzen_model_number(name);
  if (!model) return std::nullopt;
  const std::uint32_t m = *model;
  const auto zen1 = [m] {
    return fail(
        fmt::format("CPU AMD Ryzen {} (kiến trúc Zen 1) không nằm trong danh sách hỗ trợ chính thức Windows 11.", m));
  };
  if (m == 2200 || m == 2300 || m == 2400 || m == 2500 || m == 2700) {
    for (std::string_view suffix : {"u", "g", "ge", "h"}) {
      if (contains(name, fmt::format("{}{}", m, suffix))) return zen1();
    }
  }
  if (m >= 3000) {
    return pass(fmt::format("CPU AMD Ryzen {} series — đạt chuẩn chính thức của Microsoft cho Windows 11.", m));
  }
  if (m <= 1999) return zen1();
  return pass(fmt::format("CPU AMD Ryzen {} (Zen+) — nằm trong danh sách hỗ trợ chính thức Windows 11.", m));
}

std::optional<CpuAssessment> other_amd(std::string_view name) {
  if (!contains(name, "amd")) return std::nullopt;
  if (contains(name, "epyc") &&
      (contains_any(name, {"9", "8", "4"}) || (contains(name, "7") && !contains(name, "7001")))) {
    return pass("CPU AMD EPYC — hỗ trợ Windows 11 (từ dòng Rome 7xx2 trở lên).");
  }
  if (contains(name, "athlon")) {
    if (contains_any(name, {"gold", "silver", "3000g", "3050", "3150"})) {
      return pass("CPU AMD Athlon Gold/Silver đời mới — hỗ trợ chính thức Windows 11.");
    }
    return fail("CPU AMD Athlon đời cũ không nằm trong danh sách hỗ trợ chính thức Windows 11.");
  }
  if (contains_any(name, {"fx-", "fx(", "a4-", "a6-", "a8-", "a10-", "a12-", "phenom"})) {
    return fail("CPU AMD đời cũ (FX / A-series / Phenom) không hỗ trợ chính thức Windows 11.");
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::uint32_t> number_after(std::string_view name, std::string_view token) {
  const std::size_t at = name.find(token);
  if (at == std::string_view::npos) return std::nullopt;
  std::string_view rest = name.substr(at + token.size());
  const std::size_t start = rest.find_first_not_of(" -_");
  if (start == std::string_view::npos) return std::nullopt;
  rest.remove_prefix(start);
  std::size_t length = 0;
  while (length < rest.size() && is_ascii_digit(rest[length])) ++length;
  if (length == 0) return std::nullopt;
  return parse_u32(rest.substr(0, length));
}

std::optional<std::uint32_t> ryzen_model_number(std::string_view name) {
  std::size_t i = 0;
  while (i < name.size()) {
    std::size_t end = i;
    while (end < name.size() && is_ascii_alnum(name[end])) ++end;
    std::size_t digits = i;
    while (digits < end && is_ascii_digit(name[digits])) ++digits;
    if (digits - i == 4 && name[i] != '0') return parse_u32(name.substr(i, 4));
    i = end + 1;
  }
  return std::nullopt;
}

CpuAssessment classify_cpu(std::string_view cpuName) {
  const std::string name = support::to_lower_ascii(support::trim_white_space(cpuName));
  if (name.empty()) return {CpuOutcome::warn, "Không đọc được tên mã CPU từ hệ thống."};

  if (contains_any(name, {"core(tm) ultra", "core ultra"})) {
    return pass("CPU Intel Core Ultra thế hệ mới — nằm trong danh sách hỗ trợ chính thức Windows 11.");
  }
  const bool intel = contains(name, "intel");
  if (intel &&
      contains_any(name,
                   {"core(tm) 3 ", "core(tm) 5 ", "core(tm) 7 ", "core(tm) 9 ", "core 3 ", "core 5 ", "core 7 "}) &&
      !contains(name, "core 2")) {
    return pass("CPU Intel Core Series (thế hệ mới) — hỗ trợ chính thức Windows 11.");
  }
  if (auto found = intel_core_i(name)) return std::move(*found);
  if (intel) {
    if (auto found = intel_n(name)) return std::move(*found);
    if (auto found = pentium_celeron(name)) return std::move(*found);
    if (auto found = xeon(name)) return std::move(*found);
    if (contains_any(name, {"core(tm)2", "core 2", "atom"})) {
      return fail("CPU Intel đời cũ không được hỗ trợ chính thức Windows 11.");
    }
  }
  if (contains(name, "ryzen ai")) return pass("CPU AMD Ryzen AI thế hệ mới — hỗ trợ chính thức Windows 11.");
  if (auto found = threadripper(name)) return std::move(*found);
  if (auto found = ryzen(name)) return std::move(*found);
  if (auto found = other_amd(name)) return std::move(*found);
  if (contains_any(name, {"snapdragon", "microsoft sq"}) &&
      contains_any(name, {"x elite", "x plus", "8cx", "8c", "7c", "850", "sq1", "sq2", "sq3"})) {
    return pass("CPU Qualcomm Snapdragon / Microsoft SQ — hỗ trợ chính thức Windows 11 ARM64.");
  }
  return {CpuOutcome::warn,
          "CPU chưa có trong bộ nhận diện nhanh — cần đối chiếu thêm với danh sách Microsoft nếu muốn chắc chắn "
          "tuyệt đối."};
}

}  // namespace bq::engine
