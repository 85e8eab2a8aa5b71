#pragma once
// The scan report: evaluation of a snapshot into the report the page shows.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "engine/checks.hpp"
#include "engine/products.hpp"
#include "engine/snapshot.hpp"

namespace bq::engine {

struct HardwareReport {
  bool isWindows = true;
  bool isAdmin = false;
  std::string deviceName;
  std::string currentOs;
  std::string osBuild;
  bool alreadyOnWin11 = false;
  std::string verdictTone;
  std::string verdictCode;
  std::string verdictBadge;
  std::string verdictHeadline;
  std::string verdictAdvice;
  std::uint64_t passCount = 0;
  std::uint64_t warnCount = 0;
  std::uint64_t failCount = 0;
  std::vector<CheckRow> checks;
  std::vector<std::string> nextSteps;
  std::vector<ProductCard> recommendedProducts;
  std::string shareUrl;
  std::optional<std::string> rawError;

  bool operator==(const HardwareReport&) const = default;
};

// Pure; never fails.
HardwareReport evaluate_snapshot(const RawHardwareSnapshot& snapshot);

// All nineteen keys, rawError as null when absent.
nlohmann::json report_to_json(const HardwareReport& report);

}  // namespace bq::engine
