#pragma once
// The probe record's 27 keys in field order, as both probe scripts must print them.

#include <string>
#include <vector>

namespace bq::test {

inline const std::vector<std::string> RECORD_KEYS = {
    "isAdmin",        "manufacturer",   "model",        "osCaption",   "osVersion",       "osBuild",     "osArch",
    "cpuName",        "cpuCores",       "cpuThreads",   "cpuMaxMhz",   "cpuAddressWidth", "ramGb",       "diskTotalGb",
    "diskFreeGb",     "partitionStyle", "firmwareType", "secureBoot",  "tpmPresent",      "tpmReady",    "tpmEnabled",
    "tpmSpecVersion", "gpuName",        "gpuDriver",    "wddmVersion", "screenWidth",     "screenHeight"};

}  // namespace bq::test
