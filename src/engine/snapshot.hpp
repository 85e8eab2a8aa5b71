#pragma once
// The probe's record of the machine and the strict reader of its JSON form.

#include <cstdint>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "support/result.hpp"

namespace bq::engine {

struct RawHardwareSnapshot {
  bool isAdmin = false;
  std::string manufacturer;
  std::string model;
  std::string osCaption;
  std::string osVersion;
  std::string osBuild;
  std::string osArch;
  std::string cpuName;
  std::uint32_t cpuCores = 0;
  std::uint32_t cpuThreads = 0;
  std::uint32_t cpuMaxMhz = 0;
  std::uint32_t cpuAddressWidth = 0;
  double ramGb = 0.0;
  double diskTotalGb = 0.0;
  double diskFreeGb = 0.0;
  std::string partitionStyle;
  std::string firmwareType;
  std::string secureBoot;
  bool tpmPresent = false;
  bool tpmReady = false;
  bool tpmEnabled = false;
  std::string tpmSpecVersion;
  std::string gpuName;
  std::string gpuDriver;
  std::string wddmVersion;
  std::uint32_t screenWidth = 0;
  std::uint32_t screenHeight = 0;

  bool operator==(const RawHardwareSnapshot&) const = default;
};

// Reads one JSON object holding all 27 keys into the record. The text must
// start at the object's "{" and hold only JSON white space after its "}". On a
// fault the result is the description with " at line L column C" (counted from
// the start of `text`), e.g. "missing field `tpmReady` at line 1 column 812".
support::Result<RawHardwareSnapshot> read_snapshot(std::string_view text);

// The record as a JSON object with its 27 keys.
nlohmann::json snapshot_to_json(const RawHardwareSnapshot& snapshot);

}  // namespace bq::engine
