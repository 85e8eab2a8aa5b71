#pragma once
// Judges the processor model from its marketing name alone.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace bq::engine {

enum class CpuOutcome { pass, fail, warn };

struct CpuAssessment {
  CpuOutcome outcome = CpuOutcome::warn;
  std::string text;  // one Vietnamese sentence ending with a full stop
};

// `cpuName` exactly as probed (not yet trimmed). Never fails.
CpuAssessment classify_cpu(std::string_view cpuName);

// The number after the first occurrence of `token` in the normalised name,
// past any blanks, hyphens and underscores; none when no digits follow or the
// digit run exceeds 32 bits.
std::optional<std::uint32_t> number_after(std::string_view name, std::string_view token);

// The first token (split at every non-alphanumeric ASCII character) whose
// leading digit run is exactly four digits from 1000 to 9999.
std::optional<std::uint32_t> ryzen_model_number(std::string_view name);

}  // namespace bq::engine
