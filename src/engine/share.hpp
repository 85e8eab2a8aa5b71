#pragma once
// The share link: the vendor's check page with a compact summary of the
// report in its fragment.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/checks.hpp"
#include "engine/snapshot.hpp"

namespace bq::engine {

std::string build_share_url(std::string_view verdictCode, std::string_view verdictTone, std::string_view deviceName,
                            std::uint64_t passCount, std::uint64_t warnCount, std::uint64_t failCount,
                            const std::vector<CheckRow>& checks, const RawHardwareSnapshot& snapshot);

}  // namespace bq::engine
