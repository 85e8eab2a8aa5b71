#pragma once
// The seven requirement rows of the scan report.

#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "engine/cpu.hpp"
#include "engine/snapshot.hpp"

namespace bq::engine {

struct CheckRow {
  std::string id;
  std::string label;
  std::string requirement;
  std::string detected;
  std::string status;  // "pass", "warn" or "fail"
  std::string statusLabel;
  std::string detail;

  bool operator==(const CheckRow&) const = default;
};

// The part of `tpmSpecVersion` before its first comma, White_Space-trimmed.
std::string tpm_version(std::string_view tpmSpecVersion);

// The rows cpu, tpm, secure_boot, ram, storage, gpu_display, os_arch in this
// order; each row's next step, if any, is appended to `nextSteps` in row order.
std::vector<CheckRow> build_check_rows(const RawHardwareSnapshot& snapshot, const CpuAssessment& cpu,
                                       std::vector<std::string>& nextSteps);

nlohmann::json check_row_to_json(const CheckRow& row);

}  // namespace bq::engine
