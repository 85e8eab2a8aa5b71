#pragma once
// The share link: the vendor's check page with a compact summary of the
// report in its fragment.

#include <string>

#include "engine/report.hpp"
#include "engine/snapshot.hpp"

namespace bq::engine {

// The link for `report`, evaluated from `snapshot`: its verdict code and tone,
// device name, counts and rows, and the machine's facts from the snapshot.
// Pure: safe on any thread.
std::string build_share_url(const HardwareReport& report, const RawHardwareSnapshot& snapshot);

}  // namespace bq::engine
