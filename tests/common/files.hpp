#pragma once
// Small helpers shared by the probe's tests.

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace bq::test {

// All bytes of a file; empty when it cannot be read.
inline std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream buffer;
  buffer << in.rdbuf();
  return buffer.str();
}

// The record's 27 keys in field order, as the probe scripts must print them.
inline const std::vector<std::string> RECORD_KEYS = {
    "isAdmin",        "manufacturer",   "model",        "osCaption",   "osVersion",       "osBuild",     "osArch",
    "cpuName",        "cpuCores",       "cpuThreads",   "cpuMaxMhz",   "cpuAddressWidth", "ramGb",       "diskTotalGb",
    "diskFreeGb",     "partitionStyle", "firmwareType", "secureBoot",  "tpmPresent",      "tpmReady",    "tpmEnabled",
    "tpmSpecVersion", "gpuName",        "gpuDriver",    "wddmVersion", "screenWidth",     "screenHeight"};

}  // namespace bq::test
